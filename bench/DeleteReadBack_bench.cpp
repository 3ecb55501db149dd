// What -DELETE's read-back costs: the ten-file batch of EncoderBatch (30-second WAV files, 44.1 kHz
// stereo, 128 kbit/s) through our BladeEnc with -DELETE, where every MP3 is flushed, decoded
// back and counted before its source goes, against the same batch without it.
//
// Before each run the sources are linked afresh from a kept copy (not timed), so -DELETE always
// has its ten files to remove. The two ways alternate; each figure is the best of the rounds.
// delete_cpu_ratio (CPU time with -DELETE / without) is the cost whatever the machine's load;
// the goal is at most 1.10.
//
//   tw_bench --benchmark_filter=DeleteReadBack   (TW_ENCODER_BENCH_ROUNDS=n, default 3)
#include "BenchAudio.h"
#include "BenchProcess.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <unistd.h>
#include <vector>

static void BM_DeleteReadBack(benchmark::State& state)
{
    const std::string encoder = TW_BUILD_DIR "/BladeEnc";
    if (access(encoder.c_str(), X_OK) != 0) {
        state.SkipWithError("BladeEnc is not built in the build folder");
        return;
    }
    const int rounds = EncoderBenchRounds();

    QTemporaryDir kept, work;
    const std::vector<std::string> originals = WriteMusicBatchPaths(kept.path(), 10);
    if (originals.empty()) {
        state.SkipWithError("cannot write the WAV files");
        return;
    }
    std::vector<std::string> wavs;
    for (const std::string& original : originals)
        wavs.push_back(QFile::encodeName(work.path()).toStdString() + original.substr(original.rfind('/')));
    auto batch = [&](bool deleteSources) {
        std::vector<std::string> args = {encoder, "-quit", "-128"};
        if (deleteSources)
            args.push_back("-DELETE");
        args.insert(args.end(), wavs.begin(), wavs.end());
        return args;
    };

    double plainWall = 1e9, plainCpu = 1e9, deleteWall = 1e9, deleteCpu = 1e9;
    bool failed = false;
    for (auto _ : state) {
        for (int round = 0; round < rounds * 2 && !failed; ++round) {
            const bool deleting = (round + round / 2) % 2 == 1;  // each pair starts with the other way
            RemoveMp3s(work.path());
            for (size_t i = 0; i < wavs.size(); ++i) {
                unlink(wavs[i].c_str());
                failed = link(originals[i].c_str(), wavs[i].c_str()) != 0 || failed;
            }
            double cpu = 0;
            const auto start = std::chrono::steady_clock::now();
            failed = !WaitQuiet(StartQuiet(batch(deleting)), &cpu) || failed;
            const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (deleting)
                failed = std::any_of(wavs.begin(), wavs.end(), [](const std::string& w) { return access(w.c_str(), F_OK) == 0; }) || failed;
            double& bestWall = deleting ? deleteWall : plainWall;
            double& bestCpu = deleting ? deleteCpu : plainCpu;
            bestWall = std::min(bestWall, wall);
            bestCpu = std::min(bestCpu, cpu);
        }
    }
    if (failed) {
        state.SkipWithError("a batch failed or a source was not deleted");
        return;
    }
    state.counters["plain_s"] = plainWall;
    state.counters["delete_s"] = deleteWall;
    state.counters["plain_cpu_s"] = plainCpu;
    state.counters["delete_cpu_s"] = deleteCpu;
    state.counters["delete_cpu_ratio"] = deleteCpu / plainCpu;  // goal: at most 1.10
    state.counters["delete_wall_ratio"] = deleteWall / plainWall;
}
BENCHMARK(BM_DeleteReadBack)->Iterations(1)->Unit(benchmark::kSecond);
