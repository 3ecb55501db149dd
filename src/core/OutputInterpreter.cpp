#include "OutputInterpreter.h"

#include "FileStatus.h"
#include "ResStr.h"

#include <QLocale>

#include <algorithm>
#include <climits>
#include <cmath>

QString TrimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

QString CutColumns(const QString& line, qsizetype first, qsizetype last)
{
    if (first < 1 || last < first || line.size() < first)
        return QString();
    return TrimBlanks(line.mid(first - 1, last - first + 1));
}

QString RestFrom(const QString& line, qsizetype first)
{
    if (first < 1 || line.size() < first)
        return QString();
    return TrimBlanks(line.mid(first - 1));
}

QString LocalizeDecimal(const QString& text, const QString& decimalSeparator)
{
    const qsizetype dot = text.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return text;
    QString localized = text;
    localized.replace(dot, 1, decimalSeparator);
    return localized;
}

std::optional<double> ParseLocaleNumber(const QString& text, const QString& decimalSeparator)
{
    const QString t = TrimBlanks(text);
    qsizetype i = 0;
    const qsizetype n = t.size();
    QByteArray plain; // the number in C notation, for the conversion
    auto digitAt = [&](qsizetype at) { return at < n && t.at(at) >= QLatin1Char('0') && t.at(at) <= QLatin1Char('9'); };

    if (i < n && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')))
        plain += char(t.at(i++).unicode());
    int digits = 0;
    while (digitAt(i)) {
        plain += char(t.at(i++).unicode());
        ++digits;
    }
    if (!decimalSeparator.isEmpty() && QStringView(t).mid(i).startsWith(decimalSeparator)) {
        i += decimalSeparator.size();
        plain += '.';
        while (digitAt(i)) {
            plain += char(t.at(i++).unicode());
            ++digits;
        }
    }
    if (digits == 0)
        return std::nullopt;
    if (i < n && (t.at(i) == QLatin1Char('e') || t.at(i) == QLatin1Char('E'))) {
        plain += 'e';
        ++i;
        if (i < n && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')))
            plain += char(t.at(i++).unicode());
        if (!digitAt(i))
            return std::nullopt;
        while (digitAt(i))
            plain += char(t.at(i++).unicode());
    }
    if (i != n)
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(QString::fromLatin1(plain), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

int PercentToPosition(double percent, int maximum)
{
    const double exact = percent * maximum / 100.0;
    if (std::isnan(exact))
        return 0;
    if (exact >= double(INT_MAX))
        return INT_MAX;
    if (exact <= double(INT_MIN))
        return INT_MIN;
    double rounded = std::round(exact); // halves away from zero ...
    if (std::fabs(exact - std::trunc(exact)) == 0.5)
        rounded = 2.0 * std::round(exact / 2.0); // ... except that halves go to the even neighbour
    return int(rounded);
}

std::int32_t ParseDecimalIntOrZero(const QString& text)
{
    const QString t = TrimBlanks(text);
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')))
        negative = t.at(i++) == QLatin1Char('-');
    if (i == t.size())
        return 0;
    qint64 value = 0;
    for (; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 0;
        value = value * 10 + (c.unicode() - '0');
        if (value > qint64(INT_MAX) + 1)
            return 0;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX || value < INT_MIN)
        return 0;
    return std::int32_t(value);
}

QString FileNamePart(const QString& path)
{
    // A backslash and a colon are ordinary characters of a file name ("b\ c.wav" is one name):
    // cutting there would show a wrong name.
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString FormatTrayHint(const QString& pattern, const QString& currentFile, double filePercent,
                       double batchPercent, const QString& decimalSeparator)
{
    auto oneDecimal = [&](double v) {
        return LocalizeDecimal(QString::number(v, 'f', 1), decimalSeparator);
    };
    return pattern.arg(currentFile, oneDecimal(filePercent), oneDecimal(batchPercent));
}

TProgressFields CutProgressLine(const QString& line)
{
    return {CutColumns(line, 8, 14), CutColumns(line, 26, 34), CutColumns(line, 51, 55), CutColumns(line, 67, 75)};
}

TOutputInterpreter::TOutputInterpreter(TBatchState& state, Clock clock)
    : m_fields(state), m_clock(std::move(clock)),
      m_decimalSeparator(QLocale().decimalPoint())
{
    m_timer.start();
    SetClock(std::move(m_clock));
}

void TOutputInterpreter::SetClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : Clock([this] { return m_timer.nsecsElapsed(); });
}

void TOutputInterpreter::BeginRun(const TRunSpan& span)
{
    m_span = span;
    m_doneBefore = m_fields.FilesDone;
    m_runAnnounced = 0;
    m_runDone = 0;
    if (m_files)
        m_files->BeginRun(span.FilesBefore, span.FilesInRun);
}

void TOutputInterpreter::HandleLine(const QString& line, IProgressDisplay* display)
{
    if (!display) {
        m_fields.Log.append(line);
        return;
    }
    if (TrimBlanks(line).isEmpty())
        return;
    if (line.startsWith(QLatin1String("Status:"))) {
        HandleProgress(line, *display);
        return;
    }
    m_fields.Log.append(line);

    if (line.startsWith(QLatin1String("Encoding:"))) {
        const QString path = RestFrom(line, 10);
        m_fields.CurrentFile = FileNamePart(path);
        if (m_files)
            m_files->FileStarted(path);
        display->SetWorking(ResStr::ProgressWorkingOn + m_fields.CurrentFile);
        display->SetStatusText(ResStr::ProgressStatus + QStringLiteral("0%"));
        display->SetStatusPosition(0);
        display->SetStatusEta(ResStr::ProgressEstimatedTime + QStringLiteral("?"));
    } else if (line.startsWith(QLatin1String("Completed. Encoding time:"))) {
        display->SetStatusText(ResStr::ProgressStatus + QStringLiteral("100%"));
        display->SetStatusPosition(1000);
        display->SetStatusEta(ResStr::ProgressCompletedIn + CutColumns(line, 26, 34));
        ++m_fields.FilesDone;
        ++m_runDone;
        if (m_files)
            m_files->FileCompleted();
        if (m_fields.FilesToEncode == m_fields.FilesDone) {
            display->SetBatchText(ResStr::ProgressBatch + QStringLiteral("100%"));
            display->SetBatchPosition(1000);
            display->SetBatchEta(ResStr::ProgressBatchDone);
            display->SetTitle(ResStr::ProgressEncodingFinished);
        }
    } else if (line.startsWith(QLatin1String("Input:"))) {
        display->SetInput(ResStr::ProgressInputFormat + RestFrom(line, 7));
    } else if (line.startsWith(QLatin1String("Output:"))) {
        display->SetOutput(ResStr::ProgressOutputFormat + RestFrom(line, 8));
    } else if (line.startsWith(QLatin1String("=========================  This is freeware!"))
               || line.startsWith(QLatin1String("Blade's MP3 Encoder"))) {
        // The encoder's banner: nothing to show.
    } else if (line.startsWith(QLatin1String("Files to encode:"))) {
        m_runAnnounced = ParseDecimalIntOrZero(RestFrom(line, 17));
        m_runDone = 0;
        m_fields.FilesToEncode = m_span.FilesBefore + m_runAnnounced + m_span.FilesAfter;
        m_fields.FilesDone = m_doneBefore;
    } else {
        // Our encoder's "Warning:" lines (a cover too large to keep, say) go with a file that is
        // encoded all the same: logged, never a failed batch that skips the shutdown.
        if (!line.startsWith(QLatin1String("Warning:")))
            m_fields.ErrorOccurred = true;
        if (m_files)
            m_files->FileMessage(line);
    }
}

void TOutputInterpreter::HandleProgress(const QString& line, IProgressDisplay& display)
{
    const qint64 now = m_clock();
    if (m_lastStatusUpdate && now - *m_lastStatusUpdate < ThrottleNs)
        return;
    m_lastStatusUpdate = now;

    const TProgressFields fields = CutProgressLine(line);
    const QString fileText = LocalizeDecimal(fields.FilePercent, m_decimalSeparator);
    display.SetStatusText(ResStr::ProgressStatus + fileText + QLatin1Char('%'));
    m_fields.FilePercent = ParseLocaleNumber(fileText, m_decimalSeparator).value_or(0.0);
    display.SetStatusPosition(PercentToPosition(m_fields.FilePercent));
    if (m_files)
        m_files->FileProgress(m_fields.FilePercent);
    display.SetStatusEta(ResStr::ProgressEstimatedTime + fields.FileTime);

    QString batchText = LocalizeDecimal(fields.BatchPercent, m_decimalSeparator);
    m_fields.BatchPercent = ParseLocaleNumber(batchText, m_decimalSeparator).value_or(0.0);
    const std::int64_t listFiles = std::int64_t(m_span.FilesBefore) + m_span.FilesInRun + m_span.FilesAfter;
    if ((m_span.FilesBefore > 0 || m_span.FilesAfter > 0) && listFiles > 0) {
        // The encoder's percentage covers its own run; the window shows the whole list's.
        m_fields.BatchPercent =
            (m_span.FilesBefore + m_fields.BatchPercent / 100.0 * m_span.FilesInRun) * 100.0 / double(listFiles);
        batchText = LocalizeDecimal(QString::number(m_fields.BatchPercent, 'f', 1), m_decimalSeparator);
    }
    display.SetBatchText(ResStr::ProgressBatch + batchText + QLatin1Char('%'));
    display.SetBatchPosition(PercentToPosition(m_fields.BatchPercent));
    display.SetBatchEta(ResStr::ProgressEstimatedTime + fields.BatchTime);

    display.SetTrayHint(FormatTrayHint(ResStr::TrayProgressHint, m_fields.CurrentFile, m_fields.FilePercent,
                                       m_fields.BatchPercent, m_decimalSeparator));
}
