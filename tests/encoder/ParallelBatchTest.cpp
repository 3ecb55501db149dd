// Several files at once: the console still tells one sequential story, the MP3s are the bytes a
// one-thread run makes, every worker runs at the asked priority, and a stopped run leaves nothing.
#include "BladeEnc.h"
#include "EncoderTestSupport.h"
#include "OutputFile.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <dirent.h>
#include <sstream>
#include <unistd.h>

using namespace enctest;

namespace {

// Nice values of every thread of a running process.
std::vector<int> ThreadNiceValues(pid_t pid)
{
    std::vector<int> values;
    std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir)
        return values;
    while (dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.')
            continue;
        std::string stat = ReadFile(tasks + "/" + e->d_name + "/stat");
        size_t close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream fields(stat.substr(close + 2));
        std::string field;
        for (int i = 3; i <= 19 && fields >> field; ++i) {
        }
        values.push_back(std::stoi(field));
    }
    closedir(dir);
    return values;
}

// Checks the story of one run: the expected non-status lines in order, and the status lines
// where they may stand, with a batch percentage that never goes back.
void ExpectStory(const std::string& output, const std::vector<std::string>& sources, size_t failing)
{
    std::vector<std::string> lines = Lines(output);
    size_t at = 0;
    auto next = [&]() -> std::string { return at < lines.size() ? lines[at++] : "<end>"; };
    double lastBatch = -1;
    auto statusLines = [&](bool allowed) {
        double lastFile = -1;
        while (at < lines.size() && StartsWith(lines[at], "Status:")) {
            EXPECT_TRUE(allowed) << "status line before the file's formats: " << lines[at];
            double file = std::stod(Columns(lines[at], 8, 14));
            double batch = std::stod(Columns(lines[at], 51, 55));
            EXPECT_GE(file, lastFile) << lines[at];
            EXPECT_GE(batch, lastBatch) << lines[at];
            lastFile = file;
            lastBatch = batch;
            ++at;
        }
    };
    EXPECT_EQ(next(), "Files to encode: " + std::to_string(sources.size()));
    for (size_t i = 0; i < sources.size(); ++i) {
        EXPECT_EQ(next(), "Encoding: " + sources[i]);
        if (i == failing) {
            std::string error = next();
            EXPECT_TRUE(StartsWith(error, "Error: \"" + sources[i] + "\"")) << error;
            continue;
        }
        EXPECT_TRUE(StartsWith(next(), "Input: "));
        EXPECT_TRUE(StartsWith(next(), "Output: "));
        statusLines(true);
        EXPECT_TRUE(StartsWith(next(), "Completed. Encoding time:"));
    }
    EXPECT_EQ(at, lines.size()) << "lines after the story: " << (at < lines.size() ? lines[at] : "");
}

} // namespace

TEST(ParallelBatch, OneSequentialStoryAndTheSameBytesWithOneTwoAndEightThreads)
{
    // A long first file and short later ones: the workers finish the later ones long before the
    // first, yet the console tells them after it.
    ScratchFolder dir;
    std::vector<std::string> names = {"long.wav", "a.wav", "b.aiff", "broken.wav", "c.wav", "d.wav"};
    const size_t broken = 3;
    std::map<std::string, std::string> bytesOf;
    for (int threads : {1, 2, 8}) {
        SCOPED_TRACE(threads);
        std::string sub = dir / std::to_string(threads);
        ASSERT_EQ(mkdir(sub.c_str(), 0755), 0);
        std::vector<std::string> sources;
        for (size_t i = 0; i < names.size(); ++i) {
            std::string path = sub + "/" + names[i];
            sources.push_back(path);
            if (i == broken)
                WriteFile(path, "RIFF....WAVE but nothing more");
            else
                ASSERT_TRUE(WriteSine(path, i == 2 ? SF_FORMAT_AIFF | SF_FORMAT_PCM_16 : kWav16,
                                      i % 2 ? 48000 : 44100, i == 4 ? 1 : 2, i == 0 ? 20 : 0.2 * double(i)));
        }
        std::vector<std::string> args = {"-quit", "-160"};
        args.insert(args.end(), sources.begin(), sources.end());
        ProcessResult r = RunProcess(kEncoder, args, {"BLADEENC_THREADS=" + std::to_string(threads)});
        EXPECT_EQ(r.exitCode, 1) << r.output;
        ExpectStory(r.output, sources, broken);
        for (size_t i = 0; i < names.size(); ++i) {
            if (i == broken)
                continue;
            std::string mp3 = ReadFile(bladeenc::OutputPathFor(sources[i]));
            ASSERT_FALSE(mp3.empty()) << names[i];
            auto [it, first] = bytesOf.try_emplace(names[i], mp3);
            EXPECT_TRUE(first || it->second == mp3) << names[i] << " differs from the one-thread run";
        }
    }
}

TEST(ParallelBatch, ShortFilesStillMoveTheBatchPercentage)
{
    // Each file ends well inside the status interval; the pacing by the run's last status line
    // still writes them.
    ScratchFolder dir;
    std::vector<std::string> args = {"-quit"};
    for (int i = 0; i < 200; ++i) {
        std::string path = dir.path() + "/s" + std::to_string(i) + ".wav";
        ASSERT_TRUE(WriteSine(path, kWav16, 44100, 1, 0.02));
        args.push_back(path);
    }
    std::vector<std::string> lines;
    bladeenc::Console console;
    console.line = console.status = console.error = [&](const std::string& line) { lines.push_back(line); };
    bladeenc::BatchOptions options;
    options.statusInterval = 0.1;
    options.threads = 2;
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(bladeenc::RunBladeEnc(args, console, options), 0);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::vector<double> batch;
    for (const std::string& line : lines)
        if (StartsWith(line, "Status:"))
            batch.push_back(std::stod(Columns(line, 51, 55)));
    // The run's own length says how many lines were due; at least one is when it outlasts two
    // intervals, whatever the machine's speed.
    if (seconds > 2 * options.statusInterval) {
        ASSERT_FALSE(batch.empty()) << "no status line in " << seconds << " s";
    }
    EXPECT_LE(double(batch.size()), seconds / options.statusInterval + 1);
    EXPECT_TRUE(std::is_sorted(batch.begin(), batch.end()));
}

TEST(ParallelBatch, StoppedMidRunLeavesNoTemporaryFileAndEveryWorkerAtThePriority)
{
    // Named temporary files, so there is something to leave behind; two workers, so two at once.
    // The stop may land before, between or after files; at every moment the same must hold: no
    // temporary file survives, and each source is still there unless its MP3 is complete. The
    // run is frozen (SIGSTOP) for the look at its threads and files, so what is seen is one
    // moment; sources of three minutes make it a moment with two files being written.
    ScratchFolder store, dir;
    const std::string master = store / "master.wav";
    ASSERT_TRUE(WriteSine(master, kWav16, 44100, 2, 180));
    std::vector<std::string> tracks;
    std::vector<std::string> args = {"-quit", "-DELETE", "-PRIO=LOWEST"};
    for (int i = 0; i < 4; ++i) {
        tracks.push_back(dir / ("track" + std::to_string(i) + ".wav"));
        args.push_back(tracks.back());
    }
    std::string reference;  // the MP3 of the master, made when a finished track needs it
    auto mp3sPresent = [&] {
        int count = 0;
        for (const std::string& track : tracks)
            count += Exists(bladeenc::OutputPathFor(track));
        return count;
    };
    auto tempsPresent = [&] {
        int count = 0;
        for (const std::string& name : dir.Entries())
            count += bladeenc::IsTempName(name);
        return count;
    };
    // A stopped process never dumps core (SIGABRT), even where core files are on.
    struct rlimit noCore = {0, 0};
    ASSERT_EQ(setrlimit(RLIMIT_CORE, &noCore), 0);

    for (int sig : {SIGTERM, SIGABRT, SIGKILL}) {
        SCOPED_TRACE(sig);
        for (const std::string& track : tracks) {
            unlink(bladeenc::OutputPathFor(track).c_str());
            if (!Exists(track)) {
                ASSERT_EQ(link(master.c_str(), track.c_str()), 0);
            }
        }
        Child child(kEncoder, args, {"BLADEENC_THREADS=2", "BLADEENC_NO_O_TMPFILE=1"});
        ASSERT_TRUE(child.WaitForLineStartingWith("Status:")) << child.output();
        for (int wait = 0; wait < 500 && tempsPresent() < 2 && mp3sPresent() == 0; ++wait)
            usleep(20000);
        ASSERT_EQ(kill(child.pid(), SIGSTOP), 0);
        siginfo_t state{};
        ASSERT_EQ(waitid(P_PID, id_t(child.pid()), &state, WSTOPPED | WEXITED | WNOWAIT), 0);
        if (state.si_code == CLD_STOPPED) {
            const int temps = tempsPresent();
            const bool noneFinished = mp3sPresent() == 0;
            const std::vector<int> nice = ThreadNiceValues(child.pid());
            child.Kill(sig);
            kill(child.pid(), SIGCONT);
            ProcessResult r = child.Finish();
            ASSERT_EQ(r.signal, sig) << r.output;
            for (int value : nice)
                EXPECT_EQ(value, std::max(15, ThreadNiceValues(getpid()).front())) << "every thread at -PRIO=LOWEST";
            if (noneFinished) {
                // Both workers are on their first file, and each had its temporary file before the stop.
                EXPECT_EQ(temps, 2) << "two named temporary files while two workers write";
                EXPECT_GE(nice.size(), 3u) << "the reporting thread and two workers";
            }
        } else {
            // The whole run ended before the stop (a machine that starved this test for seconds).
            ProcessResult r = child.Finish();
            EXPECT_EQ(r.exitCode, 0) << r.output;
        }
        if (sig == SIGKILL) {
            // No handler runs on SIGKILL: the next run into the folder removes the leftovers.
            ASSERT_TRUE(WriteSine(dir / "short.wav", kWav16, 44100, 1, 0.1));
            ProcessResult again = RunProcess(kEncoder, {"-quit", "-DELETE", dir / "short.wav"});
            EXPECT_EQ(again.exitCode, 0) << again.output;
            ASSERT_EQ(unlink((dir / "short.mp3").c_str()), 0);
        }
        EXPECT_EQ(tempsPresent(), 0) << "no temporary file after the stop";
        for (const std::string& track : tracks) {
            SCOPED_TRACE(track);
            const std::string mp3 = bladeenc::OutputPathFor(track);
            if (!Exists(mp3)) {
                EXPECT_TRUE(Exists(track)) << "a source without its MP3 stays";
                continue;
            }
            if (reference.empty()) {
                ASSERT_EQ(link(master.c_str(), (store / "reference.wav").c_str()), 0);
                ASSERT_EQ(RunProcess(kEncoder, {"-quit", store / "reference.wav"}).exitCode, 0);
                reference = ReadFile(store / "reference.mp3");
            }
            EXPECT_TRUE(ReadFile(mp3) == reference) << "an MP3 in place is complete";
        }
    }
}

TEST(ParallelBatch, ThreadCountFromTheEnvironment)
{
    EXPECT_EQ(bladeenc::ParseThreadCount("1"), 1);
    EXPECT_EQ(bladeenc::ParseThreadCount("64"), 64);
    for (const char* bad : {"", "0", "65", "-2", "2x", " 2", "99999999999"})
        EXPECT_EQ(bladeenc::ParseThreadCount(bad), std::nullopt) << bad;
    EXPECT_EQ(bladeenc::ParseThreadCount(nullptr), std::nullopt);
    EXPECT_GE(bladeenc::AvailableCpus(), 1);

    ScratchFolder dir;
    ASSERT_TRUE(WriteSine(dir / "x.wav", kWav16, 44100, 1, 0.1));
    ProcessResult bad = RunProcess(kEncoder, {dir / "x.wav"}, {"BLADEENC_THREADS=many"});
    EXPECT_EQ(bad.exitCode, 1) << "a bad value is an error, and the batch still runs";
    EXPECT_NE(bad.output.find("Error: BLADEENC_THREADS=many"), std::string::npos) << bad.output;
    EXPECT_TRUE(Exists(dir / "x.mp3"));
}
