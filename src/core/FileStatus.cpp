#include "FileStatus.h"

#include "ResStr.h"

#include <algorithm>
#include <cmath>

QString FileStatusText(const TFileStatus& status)
{
    switch (status.State) {
    case fsNone: return QString();
    case fsWaiting: return ResStr::FileStatusWaiting;
    case fsEncoding: return ResStr::FileStatusEncoding.arg(status.Percent);
    case fsDone: return ResStr::FileStatusDone;
    case fsFailed: return ResStr::FileStatusFailed;
    case fsSkipped: return ResStr::FileStatusSkipped;
    case fsStopped: return ResStr::FileStatusStopped;
    }
    return QString();
}

void TBatchFileStatus::BeginBatch(const QStringList& files)
{
    m_files = files;
    m_status = QList<TFileStatus>(files.size(), TFileStatus{fsWaiting, 0, {}});
    m_runEnd = m_next = 0;
    m_current = -1;
    if (m_onChanged)
        for (int i = 0; i < Count(); ++i)
            m_onChanged(i, m_status.at(i));
}

void TBatchFileStatus::BeginRun(int first, int count)
{
    m_next = std::clamp(first, 0, Count());
    m_runEnd = std::clamp(first + count, m_next, Count());
    m_current = -1;
}

void TBatchFileStatus::FileStarted(const QString& path)
{
    // A file whose story broke off before its end (no "Completed.", no error line) did not end well.
    if (m_current >= 0 && m_status.at(m_current).State == fsEncoding)
        Set(m_current, {fsFailed, 0, m_status.at(m_current).Detail});
    m_current = -1;
    if (m_next >= m_runEnd)
        return; // more files than the run was given: none of the list's
    int file = m_next;
    for (int i = m_next; i < m_runEnd; ++i) {
        if (m_files.at(i) == path) {
            file = i;
            break;
        }
    }
    m_current = file;
    m_next = file + 1;
    Set(file, {fsEncoding, 0, {}});
}

void TBatchFileStatus::FileProgress(double percent)
{
    if (m_current < 0 || m_status.at(m_current).State != fsEncoding)
        return;
    // Whole percent, never rounded up: 100% only once the file is complete.
    const int whole = std::isfinite(percent) ? int(std::clamp(std::floor(percent), 0.0, 100.0)) : 0;
    if (whole == m_status.at(m_current).Percent)
        return;
    TFileStatus status = m_status.at(m_current);
    status.Percent = whole;
    Set(m_current, status);
}

void TBatchFileStatus::FileCompleted()
{
    if (m_current < 0)
        return;
    const TFileStatus& now = m_status.at(m_current);
    if (now.State == fsEncoding)
        Set(m_current, {fsDone, 0, now.Detail});
    m_current = -1;
}

void TBatchFileStatus::FileMessage(const QString& line)
{
    if (m_current < 0)
        return;
    TFileStatus status = m_status.at(m_current);
    status.Detail = status.Detail.isEmpty() ? line : status.Detail + QLatin1Char('\n') + line;
    if (!line.startsWith(QLatin1String("Warning:")))
        status = {fsFailed, 0, status.Detail};
    Set(m_current, status);
}

void TBatchFileStatus::EndBatch(bool stopped, const QString& endError)
{
    for (int i = 0; i < Count(); ++i) {
        const TFileStatus& now = m_status.at(i);
        if (now.State != fsWaiting && now.State != fsEncoding)
            continue;
        if (stopped)
            Set(i, {fsStopped, 0, {}});
        else
            Set(i, {now.State == fsEncoding ? fsFailed : fsSkipped, 0, endError});
    }
    m_current = -1;
    m_runEnd = m_next = 0;
}

void TBatchFileStatus::Set(int file, const TFileStatus& status)
{
    m_status[file] = status;
    if (m_onChanged)
        m_onChanged(file, status);
}
