// Replays fuzz inputs (files, or folders of files) through the fuzz target's entry point.
#include "HttpFuzzDriver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList files;
    int rounds = 1;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg.startsWith(QLatin1String("-rounds="))) {
            rounds = std::max(1, arg.mid(8).toInt()); // replays everything this often
            continue;
        }
        if (QFileInfo(arg).isDir()) {
            const QDir dir(arg);
            for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
                files << dir.filePath(name);
        } else {
            files << arg;
        }
    }
    if (files.isEmpty()) {
        std::fprintf(stderr, "usage: %s <input file or folder>...\n", argv[0]);
        return 2;
    }
    QList<QByteArray> inputs;
    for (const QString& path : files) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 1;
        }
        inputs << f.readAll();
    }
    for (int round = 0; round < rounds; ++round)
        for (const QByteArray& data : inputs)
            HttpFuzzOneInput(reinterpret_cast<const std::uint8_t*>(data.constData()), static_cast<std::size_t>(data.size()));
    std::printf("replayed %lld inputs %d times\n", static_cast<long long>(inputs.size()), rounds);
    return 0;
}
