#pragma once
// TFolderReader: the paths to add to the file list, taken in the order they come, with every
// folder among them expanded to the audio files under it (TFolderScan). A folder is read on a
// worker thread, its files' entries made there too, so the window stays responsive while a large
// tree is read; files named directly are handed on at once while no folder is being read, and
// otherwise wait their turn behind it, so the list keeps the order in which paths were given.
//
// Threads: the object and its callbacks belong to the thread that made it (the main thread); only
// the worker's own state (m_cancel, m_found and what it moves into its result) crosses over.
#include "FileList.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class QTimer;

class TFolderReader : public QObject {
    Q_OBJECT

public:
    explicit TFolderReader(QObject* parent = nullptr);
    // Stops a folder being read and waits for its thread; nothing more is handed on.
    ~TFolderReader() override;

    // Queues full paths: a folder is read, anything else is handed to OnFiles as it stands.
    void Add(const QStringList& paths);
    // Drops what is queued and stops the folder being read; its files are not handed on.
    void Cancel();
    // Whether a folder is being read (then later paths wait behind it).
    bool Busy() const { return m_worker.joinable(); }
    // The audio files found so far in the folder being read.
    qsizetype Found() const { return m_found.load(std::memory_order_relaxed); }

    // How often OnProgress hears the running count while a folder is read.
    static constexpr int ProgressIntervalMs = 100;

    // Paths named directly, in order (no file system check made: the list's own rules apply).
    std::function<void(const QStringList& paths)> OnFiles;
    // A folder's audio files, in path order, with their entries made.
    std::function<void(const QList<TFileEntry>& entries)> OnEntries;
    // The running count of the folder being read: once when it starts, then every interval.
    std::function<void(qsizetype found)> OnProgress;
    // Folders under a read one that could not be read, each with the system's reason.
    std::function<void(const QStringList& problems)> OnProblems;
    // Everything queued has been handed on.
    std::function<void()> OnIdle;

private:
    struct TResult {
        QList<TFileEntry> Entries;
        QStringList Problems;
    };
    // Hands on queued paths until a folder needs reading or the queue is empty.
    void Pump();
    void StartReading(const QString& folder);
    void Finished(int generation, const std::shared_ptr<TResult>& result);
    void StopWorker();

    QStringList m_queue;
    std::thread m_worker;
    std::atomic<bool> m_cancel{false};  // set by the main thread, read by the worker
    std::atomic<qsizetype> m_found{0};  // written by the worker, read by the main thread
    QTimer* m_progressTimer = nullptr;
    int m_generation = 0;  // which reading a posted result belongs to; a cancel moves it on
    bool m_pumping = false;
};
