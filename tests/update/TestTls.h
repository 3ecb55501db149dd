#pragma once
// Certificates made at test time for the loopback TLS servers: a certificate authority of the
// test's own and server certificates it signs, so no test ever trusts the system's store.
#include <QByteArray>
#include <QStringList>

#include <memory>

struct ssl_ctx_st;

struct TestCa {
    QByteArray CertPem;
    std::shared_ptr<void> Key;  // EVP_PKEY
    std::shared_ptr<void> Cert; // X509
};

// A new certificate authority with a fresh key.
TestCa MakeTestCa(const char* commonName);

// A server context with a fresh key and a certificate signed by `ca` that names `dnsNames`
// and `ipAddresses` (subjectAltName). The caller frees it with SSL_CTX_free.
ssl_ctx_st* MakeServerContext(const TestCa& ca, const QStringList& dnsNames, const QStringList& ipAddresses);
