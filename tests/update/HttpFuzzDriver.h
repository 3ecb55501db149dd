#pragma once
// Drives one THttpCli GET over FakeWSocket with the response handed in chunk by chunk, and
// checks what must hold whatever the server sends. The fuzz target, the corpus replay and
// the unit tests share it.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <vector>

struct HttpDriveStep {
    enum Kind { Data, Abort } What = Data;
    QByteArray Bytes;
};

struct HttpDriveResult {
    int StatusCode = 0;
    QString ReasonPhrase;
    std::uint16_t Error = 0;
    QByteArray Body;          // what OnDocData delivered
    QByteArray Sent;          // every request the client wrote
    QStringList Headers;      // ReceivedHeaders at the end
    QString ContentType;
    qint64 ContentLength = 0;
    qint64 ReceivedCount = 0;
    int Connects = 0;
    int Relocations = 0;
    int Done = 0;             // OnRequestDone count
    QStringList Violations;   // broken invariants; empty when all held
};

// Runs a GET of a fixed URL (through a proxy with `viaProxy`); the steps happen one after the
// other with the posted work run in between, then the peer closes every connection left.
HttpDriveResult DriveHttpResponse(const std::vector<HttpDriveStep>& steps, bool viaProxy = false);
HttpDriveResult DriveHttpResponse(const QByteArray& response, int chunkSize, bool viaProxy = false);

// Decodes fuzz input into options and steps and drives it; aborts the process when an
// invariant is broken. Byte 0 holds options; then each step starts with a byte: 0xFF aborts,
// below 0x80 the next (byte + 1) bytes arrive, otherwise the next (byte - 0x7F) * 64 bytes.
int HttpFuzzOneInput(const std::uint8_t* data, std::size_t size);
