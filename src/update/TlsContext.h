#pragma once
// TTlsContext: what secure connections trust and accept: TLS 1.2 or newer, the peer's
// certificate verified against a trust store. The program uses the system's store; tests hand
// in their own certificate authority. Shared by the sockets that use it; main thread only.
#include <QByteArray>
#include <QString>

#include <memory>

struct ssl_ctx_st;

class TTlsContext {
public:
    // The system's trust store (the one OpenSSL is configured with).
    static std::shared_ptr<TTlsContext> SystemDefault();
    // Trusts exactly the PEM certificates in `caPem`; null when none can be read.
    static std::shared_ptr<TTlsContext> FromPem(const QByteArray& caPem);

    ~TTlsContext();
    TTlsContext(const TTlsContext&) = delete;
    TTlsContext& operator=(const TTlsContext&) = delete;

    ssl_ctx_st* Native() const { return m_ctx; }

private:
    explicit TTlsContext(ssl_ctx_st* ctx) : m_ctx(ctx) {}
    static ssl_ctx_st* NewClientContext();

    ssl_ctx_st* m_ctx;
};

// The text of OpenSSL's most recent error on this thread (and clears the queue); `fallback`
// when there is none.
QString TlsErrorText(const QString& fallback);
