#include "TlsContext.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

ssl_ctx_st* TTlsContext::NewClientContext()
{
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    if (!ctx)
        return nullptr;
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
    // Writes may return after part of a record's data, and retry from another address.
    SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    return ctx;
}

std::shared_ptr<TTlsContext> TTlsContext::SystemDefault()
{
    SSL_CTX* ctx = NewClientContext();
    if (!ctx)
        return nullptr;
    SSL_CTX_set_default_verify_paths(ctx);
    return std::shared_ptr<TTlsContext>(new TTlsContext(ctx));
}

std::shared_ptr<TTlsContext> TTlsContext::FromPem(const QByteArray& caPem)
{
    SSL_CTX* ctx = NewClientContext();
    if (!ctx)
        return nullptr;
    std::shared_ptr<TTlsContext> context(new TTlsContext(ctx));
    X509_STORE* store = SSL_CTX_get_cert_store(ctx);
    BIO* bio = BIO_new_mem_buf(caPem.constData(), static_cast<int>(caPem.size()));
    int added = 0;
    while (X509* cert = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr)) {
        if (X509_STORE_add_cert(store, cert) == 1)
            ++added;
        X509_free(cert);
    }
    BIO_free(bio);
    ERR_clear_error(); // the end of the PEM text reads as an error
    return added > 0 ? context : nullptr;
}

TTlsContext::~TTlsContext()
{
    SSL_CTX_free(m_ctx);
}

QString TlsErrorText(const QString& fallback)
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return fallback;
    const char* reason = ERR_reason_error_string(code);
    return reason ? QString::fromLatin1(reason) : fallback;
}
