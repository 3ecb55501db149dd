// FLAC sources against WAV: the ten-file batch of EncoderBatch (30-second music files) as FLAC and
// as WAV, each batch through BladeEnc in one run. Decoding FLAC should cost at most 5% more wall
// time (flac_vs_wav_wall <= 1.05). Rounds alternate the two, each figure is the best of the rounds.
//
// And reading tags: ReadTags over 1,000 tagged FLAC files (every text field, ReplayGain and a
// 100 KiB front cover), the CPU time of all of them together (goal: under 1 s).
//
//   tw_bench --benchmark_filter=SourceFormats   (TW_ENCODER_BENCH_ROUNDS=n, default 3)
#include "BenchAudio.h"
#include "BenchProcess.h"
#include "Id3Tags.h"
#include "TagReader.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/tpropertymap.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

namespace {

// Copies a WAV into a 16-bit FLAC of the same samples; false on any failure.
bool WavToFlac(const std::string& wav, const std::string& flac)
{
    SF_INFO in{};
    SNDFILE* from = sf_open(wav.c_str(), SFM_READ, &in);
    if (!from)
        return false;
    SF_INFO out{};
    out.samplerate = in.samplerate;
    out.channels = in.channels;
    out.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* to = sf_open(flac.c_str(), SFM_WRITE, &out);
    bool ok = to != nullptr;
    std::vector<short> chunk(size_t(8192) * size_t(in.channels));
    for (sf_count_t got; ok && (got = sf_readf_short(from, chunk.data(), 8192)) > 0;)
        ok = sf_writef_short(to, chunk.data(), got) == got;
    sf_close(from);
    return to && sf_close(to) == 0 && ok;
}

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A 1-second FLAC with a full set of tags and a front cover, as a tagger leaves it.
bool WriteTaggedFlac(const std::string& path)
{
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 2;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        return false;
    std::vector<short> silence(size_t(44100) * 2);
    sf_writef_short(f, silence.data(), 44100);
    if (sf_close(f) != 0)
        return false;
    TagLib::FLAC::File file(path.c_str(), false);
    TagLib::PropertyMap map;
    for (auto [key, value] : {std::pair{"TITLE", "A Song Title"}, {"ARTIST", "An Artist"}, {"ALBUM", "An Album"},
                              {"ALBUMARTIST", "Various"}, {"DATE", "2019-04-01"}, {"TRACKNUMBER", "3"},
                              {"TRACKTOTAL", "12"}, {"DISCNUMBER", "1"}, {"DISCTOTAL", "2"},
                              {"GENRE", "Rock"}, {"COMMENT", "a comment"}, {"COMPOSER", "Somebody"},
                              {"COPYRIGHT", "(c) 2019"}, {"REPLAYGAIN_TRACK_GAIN", "-6.48 dB"},
                              {"REPLAYGAIN_TRACK_PEAK", "0.98"}, {"REPLAYGAIN_ALBUM_GAIN", "-7.01 dB"},
                              {"REPLAYGAIN_ALBUM_PEAK", "0.99"}})
        map.replace(key, TagLib::StringList(value));
    file.setProperties(map);
    auto* cover = new TagLib::FLAC::Picture;
    cover->setType(TagLib::FLAC::Picture::FrontCover);
    cover->setMimeType("image/jpeg");
    std::string jpeg = "\xFF\xD8\xFF";
    jpeg.resize(100 * 1024, 'x');
    cover->setData(TagLib::ByteVector(jpeg.data(), unsigned(jpeg.size())));
    file.addPicture(cover);
    return file.save();
}

} // namespace

static void BM_SourceFormatsFlacBatchVsWav(benchmark::State& state)
{
    const std::string encoder = TW_BUILD_DIR "/BladeEnc";
    if (access(encoder.c_str(), X_OK) != 0) {
        state.SkipWithError("BladeEnc is not built in the build folder");
        return;
    }
    const int asked = std::atoi(std::getenv("TW_ENCODER_BENCH_ROUNDS") ? std::getenv("TW_ENCODER_BENCH_ROUNDS") : "");
    const int rounds = asked > 0 ? asked : 3;

    QTemporaryDir wavDir, flacDir;
    const QStringList files = WriteMusicBatch(wavDir.path(), 10);
    std::vector<std::string> wavBatch = {encoder, "-quit", "-128"}, flacBatch = wavBatch;
    for (const QString& path : files) {
        const std::string wav = QFile::encodeName(path).toStdString();
        const std::string flac = QFile::encodeName(flacDir.path()).toStdString() + wav.substr(wav.rfind('/'), wav.size() - wav.rfind('/') - 4) + ".flac";
        if (!WavToFlac(wav, flac)) {
            state.SkipWithError("cannot write the FLAC files");
            return;
        }
        wavBatch.push_back(wav);
        flacBatch.push_back(flac);
    }
    if (files.isEmpty()) {
        state.SkipWithError("cannot write the WAV files");
        return;
    }

    double wavWall = 1e9, flacWall = 1e9, wavCpu = 1e9, flacCpu = 1e9;
    bool failed = false;
    for (auto _ : state) {
        for (int round = 0; round < rounds && !failed; ++round) {
            for (int k = 0; k < 2; ++k) {
                const bool flac = (k + round) % 2 == 1;  // the order turns each round
                RemoveMp3s(wavDir.path());
                RemoveMp3s(flacDir.path());
                double cpu = 0;
                auto start = std::chrono::steady_clock::now();
                failed = !WaitQuiet(StartQuiet(flac ? flacBatch : wavBatch), &cpu) || failed;
                double& wall = flac ? flacWall : wavWall;
                double& cpuBest = flac ? flacCpu : wavCpu;
                wall = std::min(wall, Since(start));
                cpuBest = std::min(cpuBest, cpu);
            }
        }
    }
    if (failed) {
        state.SkipWithError("an encode failed");
        return;
    }
    state.counters["wav_s"] = wavWall;
    state.counters["flac_s"] = flacWall;
    state.counters["flac_vs_wav_wall"] = flacWall / wavWall;  // goal: at most 1.05
    state.counters["flac_vs_wav_cpu"] = flacCpu / wavCpu;
}
BENCHMARK(BM_SourceFormatsFlacBatchVsWav)->Iterations(1)->Unit(benchmark::kSecond);

static void BM_SourceFormatsTagReading(benchmark::State& state)
{
    QTemporaryDir dir;
    const std::string folder = QFile::encodeName(dir.path()).toStdString();
    const std::string first = folder + "/tagged 0000.flac";
    if (!WriteTaggedFlac(first)) {
        state.SkipWithError("cannot write the tagged FLAC");
        return;
    }
    std::vector<std::string> paths = {first};
    for (int i = 1; i < 1000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/tagged %04d.flac", i);
        paths.push_back(folder + name);
        if (!QFile::copy(QString::fromStdString(first), QString::fromStdString(paths.back()))) {
            state.SkipWithError("cannot copy the tagged FLAC");
            return;
        }
    }
    double cpu = 0, wall = 0;
    size_t covers = 0;
    for (auto _ : state) {
        for (const std::string& path : paths) {
            SF_INFO info{};
            SNDFILE* in = sf_open(path.c_str(), SFM_READ, &info);
            if (!in) {
                state.SkipWithError("libsndfile cannot open a tagged FLAC");
                return;
            }
            const double cpuStart = ThreadCpuSeconds();
            const auto start = std::chrono::steady_clock::now();
            bladeenc::SourceTags tags = bladeenc::ReadTags(path, info.format, bladeenc::ReadSourceTags(in));
            wall += Since(start);
            cpu += ThreadCpuSeconds() - cpuStart;
            covers += tags.cover ? 1 : 0;
            benchmark::DoNotOptimize(tags);
            sf_close(in);
        }
    }
    if (covers != paths.size()) {
        state.SkipWithError("a cover was not read");
        return;
    }
    state.counters["files"] = double(paths.size());
    state.counters["tags_cpu_s"] = cpu;  // goal: under 1
    state.counters["tags_wall_s"] = wall;
}
BENCHMARK(BM_SourceFormatsTagReading)->Iterations(1)->Unit(benchmark::kMillisecond);
