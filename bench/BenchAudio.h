// Benchmark audio: WAV files with music-like content, so encoders work as hard as on real audio,
// and the batch of them the batch benchmarks encode.
#pragma once

#include "WavFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

// `seconds` of 16-bit stereo at 44.1 kHz with music-like content (gliding harmonics and a little
// noise), so the encoder works as hard as on real audio.
inline QByteArray MusicWav(int seconds, double base, unsigned seed)
{
    const int rate = 44100;
    const int frames = rate * seconds;
    QByteArray pcm(qsizetype(frames) * 4, Qt::Uninitialized);
    double phase[5] = {};
    unsigned noise = seed;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const double f = base * (1 + 0.5 * std::sin(2 * M_PI * 0.05 * t));
        double s = 0;
        for (int k = 0; k < 5; ++k) {
            phase[k] += 2 * M_PI * f * (k + 1) / rate;
            s += std::sin(phase[k]) / (k + 1);
        }
        noise = noise * 1103515245u + 12345u;
        const double n = (double((noise >> 16) & 0x7fff) / 16384.0 - 1.0) * 0.05;
        const auto left = qint16(std::clamp((s * 0.3 + n) * 32767, -32768.0, 32767.0));
        const auto right = qint16(std::clamp((s * 0.25 - n) * 32767, -32768.0, 32767.0));
        char* p = pcm.data() + qsizetype(i) * 4;
        p[0] = char(left & 0xff);
        p[1] = char((left >> 8) & 0xff);
        p[2] = char(right & 0xff);
        p[3] = char((right >> 8) & 0xff);
    }
    return Stereo16Wav(pcm, rate);
}


// Writes `count` 30-second music files "track 01.wav"... into `folder`, each a little different.
// Returns their paths, or an empty list when one could not be written.
inline QStringList WriteMusicBatch(const QString& folder, int count)
{
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString path = QDir(folder).filePath(QStringLiteral("track %1.wav").arg(i + 1, 2, 10, QLatin1Char('0')));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(MusicWav(30, 110.0 * (1 + i % 4), 777u + unsigned(i))) < 0)
            return {};
        paths << path;
    }
    return paths;
}

// The same batch, its paths in the encoding of file names.
inline std::vector<std::string> WriteMusicBatchPaths(const QString& folder, int count)
{
    std::vector<std::string> paths;
    for (const QString& path : WriteMusicBatch(folder, count))
        paths.push_back(QFile::encodeName(path).toStdString());
    return paths;
}

// Removes the MP3 files a previous round left in `folder`.
inline void RemoveMp3s(const QString& folder)
{
    QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("*.mp3")}, QDir::Files))
        dir.remove(name);
}
