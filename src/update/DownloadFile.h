#pragma once
// TDownloadFile: where a download is written. The data goes to a temporary file in the target's
// folder, which replaces the target only when the whole file has arrived (and, when the page
// published one, its SHA-256 matches); a download that fails or is cancelled leaves the
// target as it was. Belongs to the thread that writes it.
#include <QCryptographicHash>
#include <QSaveFile>
#include <QString>

class TDownloadFile : public QSaveFile {
    Q_OBJECT

public:
    explicit TDownloadFile(const QString& target);

    // Opens the temporary file; false with ErrorText set when it cannot be created.
    bool Begin();
    // Puts the complete file in place. With `expectedSha256` (hexadecimal, any case) a file of
    // another digest is dropped instead. False with ErrorText set on any failure.
    bool Finish(const QString& expectedSha256);
    // Drops what was written; the target stays untouched.
    void Discard();
    QString ErrorText() const { return m_error; }
    QByteArray Sha256Hex() const { return m_hash.result().toHex(); }

protected:
    qint64 writeData(const char* data, qint64 length) override;

private:
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
    QString m_error;
};

// Whether `text` is a SHA-256 digest in hexadecimal (64 digits).
bool IsSha256Hex(const QString& text);
