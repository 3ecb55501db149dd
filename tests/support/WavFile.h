#pragma once
// Test audio: wraps 16-bit stereo PCM samples in a canonical WAV header.
#include <QByteArray>
#include <QtGlobal>

// `pcm` holds interleaved little-endian 16-bit stereo frames at `rate` Hz.
inline QByteArray Stereo16Wav(const QByteArray& pcm, quint32 rate)
{
    auto le32 = [](quint32 x) {
        QByteArray b(4, 0);
        for (int i = 0; i < 4; ++i)
            b[i] = char((x >> (8 * i)) & 0xff);
        return b;
    };
    auto le16 = [](quint16 x) {
        QByteArray b(2, 0);
        b[0] = char(x & 0xff);
        b[1] = char(x >> 8);
        return b;
    };
    return "RIFF" + le32(quint32(36 + pcm.size())) + "WAVEfmt " + le32(16) + le16(1) + le16(2) + le32(rate)
           + le32(rate * 4) + le16(4) + le16(16) + "data" + le32(quint32(pcm.size())) + pcm;
}
