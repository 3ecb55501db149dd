#include "TestTls.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace {

std::shared_ptr<void> NewKey()
{
    EVP_PKEY* key = EVP_EC_gen("P-256");
    return std::shared_ptr<void>(key, [](void* k) { EVP_PKEY_free(static_cast<EVP_PKEY*>(k)); });
}

void AddExtension(X509* cert, X509* issuer, int nid, const char* value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
}

X509* NewCert(EVP_PKEY* key, const char* commonName, long serial)
{
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), serial);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 86400);
    X509_set_pubkey(cert, key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    return cert;
}

} // namespace

TestCa MakeTestCa(const char* commonName)
{
    TestCa ca;
    ca.Key = NewKey();
    auto* key = static_cast<EVP_PKEY*>(ca.Key.get());
    X509* cert = NewCert(key, commonName, 1);
    X509_set_issuer_name(cert, X509_get_subject_name(cert));
    AddExtension(cert, cert, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(cert, cert, NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(cert, cert, NID_subject_key_identifier, "hash");
    X509_sign(cert, key, EVP_sha256());
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, cert);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    ca.CertPem = QByteArray(data, static_cast<qsizetype>(size));
    BIO_free(bio);
    ca.Cert = std::shared_ptr<void>(cert, [](void* c) { X509_free(static_cast<X509*>(c)); });
    return ca;
}

ssl_ctx_st* MakeServerContext(const TestCa& ca, const QStringList& dnsNames, const QStringList& ipAddresses)
{
    std::shared_ptr<void> key = NewKey();
    auto* caCert = static_cast<X509*>(ca.Cert.get());
    X509* cert = NewCert(static_cast<EVP_PKEY*>(key.get()), "test server", 2);
    X509_set_issuer_name(cert, X509_get_subject_name(caCert));
    QStringList names;
    for (const QString& n : dnsNames)
        names << QStringLiteral("DNS:") + n;
    for (const QString& ip : ipAddresses)
        names << QStringLiteral("IP:") + ip;
    AddExtension(cert, caCert, NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(cert, caCert, NID_ext_key_usage, "serverAuth");
    AddExtension(cert, caCert, NID_authority_key_identifier, "keyid");
    if (!names.isEmpty())
        AddExtension(cert, caCert, NID_subject_alt_name, names.join(QLatin1Char(',')).toLatin1().constData());
    X509_sign(cert, static_cast<EVP_PKEY*>(ca.Key.get()), EVP_sha256());

    SSL_CTX* ctx = SSL_CTX_new(TLS_server_method());
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    SSL_CTX_use_certificate(ctx, cert);
    SSL_CTX_use_PrivateKey(ctx, static_cast<EVP_PKEY*>(key.get()));
    X509_free(cert);
    return ctx;
}
