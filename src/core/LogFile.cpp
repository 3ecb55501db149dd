#include "LogFile.h"

#include "AtomicFile.h"

#include <QFile>

QStringList LoadLogFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {};

    QStringList lines;
    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype end = data.indexOf('\n', start);
        const qsizetype next = end < 0 ? data.size() : end + 1;
        if (end < 0)
            end = data.size();
        qsizetype stop = end;
        if (stop > start && data.at(stop - 1) == '\r' && end < data.size())
            --stop;
        lines << QString::fromUtf8(data.constData() + start, stop - start);
        start = next;
    }
    return lines;
}

bool SaveLogFile(const QString& path, const QStringList& lines)
{
    QByteArray data;
    for (const QString& line : lines) {
        data += line.toUtf8();
        data += "\r\n";
    }
    return WriteFileAtomically(path, data);
}
