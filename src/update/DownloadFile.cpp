#include "DownloadFile.h"

#include <QDir>
#include <QFileInfo>

#include <cctype>

TDownloadFile::TDownloadFile(const QString& target) : QSaveFile(target)
{
    // Written straight through: a full disk shows at the block that does not fit.
    setDirectWriteFallback(false);
}

bool TDownloadFile::Begin()
{
    m_hash.reset();
    m_error.clear();
    if (open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return true;
    m_error = QStringLiteral("Cannot create a file in %1: %2")
                  .arg(QDir::toNativeSeparators(QFileInfo(fileName()).absolutePath()), errorString());
    return false;
}

qint64 TDownloadFile::writeData(const char* data, qint64 length)
{
    const qint64 written = QSaveFile::writeData(data, length);
    if (written > 0)
        m_hash.addData(QByteArrayView(data, written));
    return written;
}

bool TDownloadFile::Finish(const QString& expectedSha256)
{
    if (!isOpen()) {
        m_error = QStringLiteral("The download was not written");
        return false;
    }
    if (!expectedSha256.isEmpty() && QString::fromLatin1(Sha256Hex()).compare(expectedSha256.trimmed(), Qt::CaseInsensitive) != 0) {
        cancelWriting();
        QSaveFile::commit(); // removes the temporary file
        m_error = QStringLiteral("The downloaded file does not match the SHA-256 the page published");
        return false;
    }
    if (!commit()) {
        m_error = QStringLiteral("The download could not be put in place: %1").arg(errorString());
        return false;
    }
    return true;
}

void TDownloadFile::Discard()
{
    if (!isOpen())
        return;
    cancelWriting();
    commit(); // with writing cancelled, removes the temporary file and leaves the target alone
}

bool IsSha256Hex(const QString& text)
{
    if (text.size() != 64)
        return false;
    for (const QChar c : text)
        if (!isxdigit(c.toLatin1()))
            return false;
    return true;
}
