#pragma once
// The log file of a run ("Tonewright.log" beside the settings file): one line of text per line,
// UTF-8, lines ending in CR LF, each holding the bytes the encoder wrote.
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

// The encoder's bytes as text: UTF-8, except that each byte outside a valid UTF-8 sequence is
// kept as the lone surrogate U+DC00 + byte (it shows as a replacement mark). An encoder that
// writes another code page thus loses nothing: EncodeLogText gives back the very bytes.
QString DecodeLogBytes(QByteArrayView bytes);
// The reverse of DecodeLogBytes: UTF-8, with each lone surrogate U+DC80..U+DCFF written as the
// byte it stands for.
QByteArray EncodeLogText(QStringView text);

// The file's lines, split at CR LF or LF (a final line break ends the last line, it does not
// start an empty one). Empty when the file is missing or cannot be read.
QStringList LoadLogFile(const QString& path);

// Writes every line (EncodeLogText) followed by CR LF, replacing the file atomically
// (ReplaceWritableFile: a read-only log file is refused). False when the write failed or was
// refused; the old file is then left as it was.
bool SaveLogFile(const QString& path, const QStringList& lines);
