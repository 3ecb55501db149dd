#include "FolderReader.h"

#include "FolderScan.h"

#include <QFileInfo>
#include <QTimer>

TFolderReader::TFolderReader(QObject* parent) : QObject(parent), m_progressTimer(new QTimer(this))
{
    m_progressTimer->setInterval(ProgressIntervalMs);
    connect(m_progressTimer, &QTimer::timeout, this, [this] {
        if (OnProgress)
            OnProgress(Found());
    });
}

TFolderReader::~TFolderReader()
{
    StopWorker();
}

void TFolderReader::Add(const QStringList& paths)
{
    m_queue.append(paths);
    Pump();
}

void TFolderReader::Cancel()
{
    m_queue.clear();
    StopWorker();
}

void TFolderReader::StopWorker()
{
    m_progressTimer->stop();
    if (!m_worker.joinable())
        return;
    m_cancel = true;
    m_worker.join();
    // Its result may already be posted: the new generation makes Finished drop it.
    ++m_generation;
}

void TFolderReader::Pump()
{
    // A callback may wait in a dialog of its own while more paths arrive: the outer call goes on.
    if (m_pumping)
        return;
    m_pumping = true;
    QStringList files;
    while (!Busy() && !m_queue.isEmpty()) {
        const QString path = m_queue.takeFirst();
        if (!QFileInfo(path).isDir()) {
            files.append(path);
            continue;
        }
        if (!files.isEmpty() && OnFiles)
            OnFiles(std::exchange(files, {}));
        StartReading(path);
    }
    if (!files.isEmpty() && OnFiles)
        OnFiles(files);
    m_pumping = false;
    if (!Busy() && m_queue.isEmpty() && OnIdle)
        OnIdle();
}

void TFolderReader::StartReading(const QString& folder)
{
    m_cancel = false;
    m_found = 0;
    const int generation = ++m_generation;
    m_worker = std::thread([this, folder, generation] {
        auto result = std::make_shared<TResult>();
        TFolderScan scan(folder);
        scan.Run([this](qsizetype found) {
            m_found.store(found, std::memory_order_relaxed);
            return !m_cancel.load(std::memory_order_relaxed);
        });
        result->Problems = scan.Problems();
        result->Entries.reserve(scan.Count());
        for (const QString& file : scan.Files()) {
            if (m_cancel.load(std::memory_order_relaxed))
                return;
            result->Entries.append(MakeFileEntry(file));
        }
        // Delivered on this object's thread; dropped with the object when it is gone first (the
        // destructor waits for this thread, so `this` is still whole here).
        QMetaObject::invokeMethod(this, [this, result, generation] { Finished(generation, result); },
                                  Qt::QueuedConnection);
    });
    if (OnProgress)
        OnProgress(0);
    m_progressTimer->start();
}

void TFolderReader::Finished(int generation, const std::shared_ptr<TResult>& result)
{
    if (generation != m_generation || !m_worker.joinable())
        return;  // cancelled after it was posted
    m_worker.join();
    m_progressTimer->stop();
    if (!result->Entries.isEmpty() && OnEntries)
        OnEntries(result->Entries);
    if (!result->Problems.isEmpty() && OnProblems)
        OnProblems(result->Problems);
    Pump();
}
