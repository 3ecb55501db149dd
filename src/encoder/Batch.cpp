// The batch: a pool of worker threads encodes the files, several at once, while the calling
// thread tells them on the console one after another in command-line order.
#include "BladeEnc.h"
#include "FileEncoder.h"
#include "OutputFile.h"
#include "OutputRegistry.h"
#include "ReadBack.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace bladeenc {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

// One source of the batch. The first four fields are set before the workers start and never
// change. The rest belongs to the worker that takes the job and is written under Batch::mutex_,
// except the progress counters, which are atomics read at any time.
struct Job {
    std::string path;
    std::string target;
    long long plannedFrames = 0;  // counted up front, for the batch percentage
    int sameTargetBefore = -1;    // the latest earlier job with the same MP3 name, or -1

    FileProgress progress;
    bool formatsKnown = false;
    bool done = false;
    Clock::time_point start;
    std::string inputLine, outputLine;
    FileReport report;
    std::string deleteError;
    std::string claimedBy;  // the source whose MP3 stands under target once this job is done
    double seconds = 0;
};

class Batch {
public:
    Batch(const EncoderSettings& settings, const Console& console, const BatchOptions& options)
        : settings_(settings), console_(console), options_(options)
    {
    }

    // Encodes the files with that many workers; true when every file went well.
    // targets[i] is the MP3 of paths[i].
    bool Run(const std::vector<std::string>& paths, const std::vector<std::string>& targets, int threads);

private:
    void Work();
    void RunJob(Job& job);
    bool Tell(Job& job);
    std::string StatusText(const Job& current);  // with mutex_ held; marks the time
    std::chrono::duration<double> Interval() const { return std::chrono::duration<double>(options_.statusInterval); }

    const EncoderSettings& settings_;
    const Console& console_;
    const BatchOptions& options_;
    OutputRegistry outputs_;  // every MP3 this run made, shared by the workers
    std::vector<std::unique_ptr<Job>> jobs_;
    std::atomic<size_t> next_{0};  // the next job a free worker takes
    long long totalFrames_ = 0;
    Clock::time_point start_;
    Clock::time_point lastStatus_;  // reporting thread only
    std::mutex mutex_;
    std::condition_variable changed_;  // a job learnt its formats or ended
};

bool Batch::Run(const std::vector<std::string>& paths, const std::vector<std::string>& targets, int threads)
{
    // "a.wav" and "a.aiff" both become "a.mp3", and so do "real/a.wav" and "link/a.aiff" through a
    // symlinked folder: the second must not replace the first one's MP3 (with -DELETE that would
    // lose the first recording altogether). Each job knows the last earlier one whose MP3 is the
    // same file to the file system and waits for that one's outcome, so the first on the
    // command line wins. What this cannot see (a FUSE folder that ignores case) the registry
    // still refuses when the second MP3 is put in place.
    std::map<OutputKey, int> lastWithTarget;
    for (size_t i = 0; i < paths.size(); ++i) {
        auto job = std::make_unique<Job>();
        job->path = paths[i];
        job->target = targets[i];
        job->plannedFrames = FramesOf(job->path);
        totalFrames_ += job->plannedFrames;
        OutputKey key = OutputKeyOf(job->target).value_or(OutputKey{0, 0, job->target});
        auto [it, fresh] = lastWithTarget.try_emplace(key, int(jobs_.size()));
        if (!fresh) {
            job->sameTargetBefore = it->second;
            it->second = int(jobs_.size());
        }
        jobs_.push_back(std::move(job));
    }
    start_ = lastStatus_ = Clock::now();
    console_.line(FilesToEncodeLine(paths.size()));

    std::vector<std::thread> workers;
    for (int i = 0; i < std::min<int>(threads, int(jobs_.size())); ++i)
        workers.emplace_back([this] { Work(); });
    bool allWell = true;
    for (auto& job : jobs_)
        allWell = Tell(*job) && allWell;
    for (std::thread& worker : workers)
        worker.join();
    return allWell;
}

void Batch::Work()
{
    BlockCleanupSignalsInThisThread();
    if (settings_.priority)
        ApplyPriority(*settings_.priority);
    for (size_t i; (i = next_.fetch_add(1)) < jobs_.size();)
        RunJob(*jobs_[i]);
}

void Batch::RunJob(Job& job)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job.start = Clock::now();
    }
    std::string claimedBy;
    if (job.sameTargetBefore >= 0) {
        // Taken before this one, so it is running or done: no worker waits on a later job.
        const Job& earlier = *jobs_[size_t(job.sameTargetBefore)];
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return earlier.done; });
        claimedBy = earlier.report.ok ? earlier.path : earlier.claimedBy;
    }

    FileReport report;
    std::string deleteError;
    if (claimedBy == job.path) {
        report.error = "is listed more than once; its MP3 was made already";
    } else if (!claimedBy.empty()) {
        report.error = "would replace \"" + job.target + "\", encoded from \"" + claimedBy +
                       "\" in this run; rename one of them";
    } else {
        job.progress.formats = [&](const std::string& input, const std::string& output) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                job.inputLine = input;
                job.outputLine = output;
                job.formatsKnown = true;
            }
            changed_.notify_all();
        };
        report = EncodeFile(job.path, settings_, options_, job.progress, &outputs_, job.target);
        if (report.ok && settings_.deleteSource)
            deleteError = RemoveSourceOnceMp3IsWhole(job.path, report);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job.report = report;
        job.deleteError = deleteError;
        job.claimedBy = report.ok ? job.path : claimedBy;
        job.seconds = SecondsBetween(job.start, Clock::now());
        job.done = true;
    }
    changed_.notify_all();
}

// The job's part of the story: its lines, and status lines while it is the oldest unfinished
// one. Status lines are paced by the last status line of the run, so a batch of short files
// shows its progress as often as one long file.
bool Batch::Tell(Job& job)
{
    console_.line(EncodingLine(job.path));
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return job.formatsKnown || job.done; });
    if (job.formatsKnown) {
        std::string input = job.inputLine, output = job.outputLine;
        lock.unlock();
        console_.line(input);
        console_.line(output);
        lock.lock();
        auto writeStatus = [&] {
            std::string line = StatusText(job);
            lock.unlock();
            console_.status(line);
            lock.lock();
        };
        while (!changed_.wait_until(lock, lastStatus_ + Interval(), [&] { return job.done; }))
            writeStatus();
        // Files that end faster than the interval are told in quick succession: one that was
        // already done when its turn came still shows the batch moving when a line is due.
        if (Clock::now() >= lastStatus_ + Interval())
            writeStatus();
    }
    FileReport report = job.report;
    std::string deleteError = job.deleteError;
    double seconds = job.seconds;
    lock.unlock();

    if (!report.ok) {
        console_.error(ErrorLine("\"" + job.path + "\" " + report.error));
        return false;
    }
    for (const std::string& note : report.notes)
        console_.line("Warning: \"" + job.path + "\" " + note);
    if (!deleteError.empty())
        console_.error(ErrorLine("\"" + job.path + "\" was encoded but cannot be deleted: " + deleteError));
    console_.line(CompletedLine(seconds));
    return deleteError.empty();
}

std::string Batch::StatusText(const Job& current)
{
    Clock::time_point now = Clock::now();
    lastStatus_ = now;

    long long frames = current.progress.frames.load();
    long long read = std::min(current.progress.framesRead.load(), frames);
    double fileFraction = frames > 0 ? double(read) / double(frames) : 0.0;
    double fileElapsed = SecondsBetween(current.start, now);
    double fileRemaining = fileFraction > 0 ? fileElapsed * (1 - fileFraction) / fileFraction : 0;

    // Every worker's frames count: finished files (or given up) with all they planned.
    long long batchDone = 0;
    for (const auto& job : jobs_)
        batchDone += job->done ? job->plannedFrames
                               : std::min(job->progress.framesRead.load(), job->plannedFrames);
    double batchFraction = totalFrames_ > 0 ? double(batchDone) / double(totalFrames_) : 0.0;
    double batchElapsed = SecondsBetween(start_, now);
    double batchRemaining = batchFraction > 0 ? batchElapsed * (1 - batchFraction) / batchFraction : 0;

    return StatusLine(100 * fileFraction, fileRemaining, 100 * batchFraction, batchRemaining);
}

} // namespace

int RunBladeEnc(const std::vector<std::string>& args, const Console& console, const BatchOptions& options)
{
    CommandLine cmd = ParseCommandLine(args);
    bool failed = false;
    for (const std::string& message : cmd.errors) {
        console.error(ErrorLine(message));
        failed = true;
    }
    for (const std::string& message : cmd.notes)
        console.error(WarningLine(message));
    if (cmd.files.empty()) {
        console.error(ErrorLine("No files to encode. Usage: BladeEnc [options] file..."));
        return 2;
    }
    if (cmd.encodeNothing)
        return 1;
    int threads = options.threads;
    if (threads <= 0) {
        threads = AvailableCpus();
        const char* asked = std::getenv("BLADEENC_THREADS");
        if (asked && *asked) {
            if (auto count = ParseThreadCount(asked)) {
                threads = *count;
            } else {
                console.error(ErrorLine("BLADEENC_THREADS=" + std::string(asked) +
                                        " is not a number of threads from 1 to " +
                                        std::to_string(kMaxThreads) + "; using " + std::to_string(threads)));
                failed = true;
            }
        }
    }
    if (cmd.settings.priority)
        ApplyPriority(*cmd.settings.priority);
    ProcessUmask();  // read before any worker creates a file

    std::vector<std::string> paths, targets;
    const std::string outDir = cmd.outDir.empty() ? std::string() : AbsolutePath(cmd.outDir);
    for (size_t i = 0; i < cmd.files.size(); ++i) {
        paths.push_back(AbsolutePath(cmd.files[i]));
        targets.push_back(AbsolutePath(TargetFor(paths.back(), cmd.outputs[i], outDir)));
    }
    Batch batch(cmd.settings, console, options);
    if (!batch.Run(paths, targets, threads))
        failed = true;
    return failed ? 1 : 0;
}

} // namespace bladeenc
