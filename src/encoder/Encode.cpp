// The batch: read each source with libsndfile, encode it with libmp3lame into an OutputFile,
// report progress, and put the MP3 in place (and delete the source) only when it is complete.
#include "BladeEnc.h"
#include "OutputFile.h"

#include <lame/lame.h>
#include <sndfile.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace bladeenc {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct SndFileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndFilePtr = std::unique_ptr<SNDFILE, SndFileCloser>;

struct LameCloser {
    void operator()(lame_global_flags* g) const { lame_close(g); }
};
using LamePtr = std::unique_ptr<lame_global_flags, LameCloser>;

// The sample rates an MP3 stream can carry; other input rates are resampled by LAME.
bool IsMp3Rate(int rate)
{
    switch (rate) {
    case 8000: case 11025: case 12000: case 16000: case 22050: case 24000:
    case 32000: case 44100: case 48000:
        return true;
    default:
        return false;
    }
}

enum class SampleKind { Short, Int, Float };

SampleKind KindOf(int format)
{
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_16:
        return SampleKind::Short;
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
        return SampleKind::Float;
    default:
        return SampleKind::Int;  // 24- and 32-bit PCM keep their full precision this way
    }
}

// Progress of the whole batch, in sample frames of the readable sources.
struct BatchProgress {
    long long totalFrames = 0;
    long long doneFrames = 0;  // frames of files already finished (or given up)
    Clock::time_point start = Clock::now();
    Clock::time_point lastStatus{};
    bool anyStatus = false;
};

struct FileReport {
    bool ok = false;
    std::string error;  // why the file failed
};

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat sa, sb;
    if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

class FileEncoder {
public:
    FileEncoder(const EncoderSettings& settings, const Console& console, const BatchOptions& options,
                BatchProgress& batch)
        : settings_(settings), console_(console), options_(options), batch_(batch)
    {
    }

    FileReport Encode(const std::string& source);

private:
    FileReport Fail(std::string message)
    {
        FileReport r;
        r.error = std::move(message);
        return r;
    }
    void MaybeStatus(long long framesRead, long long frames, Clock::time_point fileStart);
    bool Flush(OutputFile& out, const unsigned char* data, int bytes);

    const EncoderSettings& settings_;
    const Console& console_;
    const BatchOptions& options_;
    BatchProgress& batch_;
    std::vector<unsigned char> pending_;  // MP3 bytes gathered for fewer, larger writes
};

bool FileEncoder::Flush(OutputFile& out, const unsigned char* data, int bytes)
{
    if (bytes > 0)
        pending_.insert(pending_.end(), data, data + bytes);
    if (pending_.size() < (1u << 16) && data != nullptr)
        return true;
    bool ok = out.Write(pending_.data(), pending_.size());
    pending_.clear();
    return ok;
}

void FileEncoder::MaybeStatus(long long framesRead, long long frames, Clock::time_point fileStart)
{
    Clock::time_point now = Clock::now();
    if (now - fileStart < std::chrono::duration<double>(options_.statusInterval))
        return;
    if (batch_.anyStatus && now - batch_.lastStatus < std::chrono::duration<double>(options_.statusInterval))
        return;
    batch_.lastStatus = now;
    batch_.anyStatus = true;

    double fileFraction = frames > 0 ? double(framesRead) / double(frames) : 1.0;
    double fileElapsed = std::chrono::duration<double>(now - fileStart).count();
    double fileRemaining = fileFraction > 0 ? fileElapsed * (1 - fileFraction) / fileFraction : 0;

    long long batchDone = batch_.doneFrames + framesRead;
    double batchFraction = batch_.totalFrames > 0 ? double(batchDone) / double(batch_.totalFrames) : 1.0;
    double batchElapsed = std::chrono::duration<double>(now - batch_.start).count();
    double batchRemaining = batchFraction > 0 ? batchElapsed * (1 - batchFraction) / batchFraction : 0;

    console_.status(StatusLine(100 * fileFraction, fileRemaining, 100 * batchFraction, batchRemaining));
}

FileReport FileEncoder::Encode(const std::string& source)
{
    Clock::time_point fileStart = Clock::now();
    pending_.clear();

    struct stat st;
    if (stat(source.c_str(), &st) != 0)
        return Fail(std::string("cannot open: ") + std::strerror(errno));
    if (S_ISDIR(st.st_mode))
        return Fail("cannot open: it is a folder");
    if (!S_ISREG(st.st_mode))
        return Fail("cannot open: not a regular file");  // a FIFO or device could block forever

    SF_INFO info{};
    SndFilePtr in(sf_open(source.c_str(), SFM_READ, &info));
    if (!in)
        return Fail(std::string("not a readable WAV or AIFF file: ") + sf_strerror(nullptr));
    if (info.channels < 1 || info.channels > 2)
        return Fail("has " + std::to_string(info.channels) +
                    " channels; only mono and stereo sources can be encoded");
    if (info.samplerate <= 0)
        return Fail("has no valid sample rate");

    const std::string target = OutputPathFor(source);
    if (target == source || SameFile(target, source))
        return Fail("the MP3 file would replace its own source");

    LamePtr lame(lame_init());
    if (!lame)
        return Fail("out of memory");
    lame_global_flags* g = lame.get();
    const bool monoOut = settings_.mono || info.channels == 1;
    lame_set_num_channels(g, info.channels);
    lame_set_in_samplerate(g, info.samplerate);
    if (IsMp3Rate(info.samplerate))
        lame_set_out_samplerate(g, info.samplerate);
    lame_set_num_samples(g, info.frames > 0 ? (unsigned long)info.frames : 0);
    lame_set_mode(g, monoOut ? MONO : JOINT_STEREO);
    lame_set_VBR(g, vbr_off);
    lame_set_brate(g, settings_.bitrate);
    lame_set_error_protection(g, settings_.crc ? 1 : 0);
    lame_set_original(g, settings_.originalBit() ? 1 : 0);
    lame_set_copyright(g, settings_.copyright ? 1 : 0);
    lame_set_extension(g, settings_.privateBit ? 1 : 0);
    lame_set_write_id3tag_automatic(g, 0);
    lame_set_bWriteVbrTag(g, 1);  // the Info frame: players learn the exact length
    if (lame_init_params(g) < 0)
        return Fail("the encoder cannot take this source (" + std::to_string(info.samplerate) +
                    " Hz, " + std::to_string(info.channels) + " channels) at " +
                    std::to_string(settings_.bitrate) + " kBit");

    console_.line(InputLine(info.samplerate, info.channels));
    // Low sample rates cap the bitrate (MPEG-2 at 160, MPEG-2.5 at 64): report what the stream gets.
    console_.line(OutputLine(lame_get_brate(g), monoOut));

    OutputFile out;
    if (!out.Open(target, options_.allowUnnamedTemp))
        return Fail(out.error());

    const int chunkFrames = 8192;
    const SampleKind kind = KindOf(info.format);
    std::vector<short> shorts;
    std::vector<int> ints;
    std::vector<float> floats;
    switch (kind) {
    case SampleKind::Short: shorts.resize(size_t(chunkFrames) * info.channels); break;
    case SampleKind::Int: ints.resize(size_t(chunkFrames) * info.channels); break;
    case SampleKind::Float: floats.resize(size_t(chunkFrames) * info.channels); break;
    }
    std::vector<unsigned char> mp3(size_t(1.25 * chunkFrames) + 7200);
    // LAME's interleaved entry points want two channels; mono goes through the plain ones.
    const bool stereoIn = info.channels == 2;

    long long framesRead = 0;
    for (;;) {
        sf_count_t got = 0;
        int bytes = 0;
        switch (kind) {
        case SampleKind::Short:
            got = sf_readf_short(in.get(), shorts.data(), chunkFrames);
            if (got > 0)
                bytes = stereoIn ? lame_encode_buffer_interleaved(g, shorts.data(), int(got), mp3.data(), int(mp3.size()))
                                 : lame_encode_buffer(g, shorts.data(), shorts.data(), int(got), mp3.data(), int(mp3.size()));
            break;
        case SampleKind::Int:
            got = sf_readf_int(in.get(), ints.data(), chunkFrames);
            if (got > 0)
                bytes = stereoIn ? lame_encode_buffer_interleaved_int(g, ints.data(), int(got), mp3.data(), int(mp3.size()))
                                 : lame_encode_buffer_int(g, ints.data(), ints.data(), int(got), mp3.data(), int(mp3.size()));
            break;
        case SampleKind::Float:
            got = sf_readf_float(in.get(), floats.data(), chunkFrames);
            if (got > 0)
                bytes = stereoIn ? lame_encode_buffer_interleaved_ieee_float(g, floats.data(), int(got), mp3.data(), int(mp3.size()))
                                 : lame_encode_buffer_ieee_float(g, floats.data(), floats.data(), int(got), mp3.data(), int(mp3.size()));
            break;
        }
        if (got < 0 || (got == 0 && sf_error(in.get()) != SF_ERR_NO_ERROR))
            return Fail(std::string("cannot read: ") + sf_strerror(in.get()));
        if (got == 0)
            break;
        if (bytes < 0)
            return Fail("the encoder failed (LAME error " + std::to_string(bytes) + ")");
        if (!Flush(out, mp3.data(), bytes))
            return Fail(out.error());
        framesRead += got;
        MaybeStatus(framesRead, info.frames, fileStart);
    }
    if (info.frames > 0 && framesRead < info.frames)
        return Fail("cannot read: the file ends early");  // truncated source: no half MP3

    int bytes = lame_encode_flush(g, mp3.data(), int(mp3.size()));
    if (bytes < 0)
        return Fail("the encoder failed (LAME error " + std::to_string(bytes) + ")");
    if (!Flush(out, mp3.data(), bytes) || !Flush(out, nullptr, 0))
        return Fail(out.error());
    // The Info frame reserved at the start gets its final content (length, CRC of the stream).
    std::vector<unsigned char> tag(8192);
    size_t tagSize = lame_get_lametag_frame(g, tag.data(), tag.size());
    if (tagSize > 0 && tagSize <= tag.size() && !out.WriteAt(tag.data(), tagSize, 0))
        return Fail(out.error());
    if (!out.Commit())
        return Fail(out.error());

    FileReport done;
    done.ok = true;
    return done;
}

long long FramesOf(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    SF_INFO info{};
    SndFilePtr f(sf_open(path.c_str(), SFM_READ, &info));
    return f && info.frames > 0 ? info.frames : 0;
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
    if (cmd.files.empty()) {
        console.error(ErrorLine("No files to encode. Usage: BladeEnc [options] file..."));
        return 2;
    }
    if (cmd.settings.priority)
        ApplyPriority(*cmd.settings.priority);

    std::vector<std::string> paths;
    paths.reserve(cmd.files.size());
    BatchProgress batch;
    std::vector<long long> frames;
    for (const std::string& file : cmd.files) {
        paths.push_back(AbsolutePath(file));
        frames.push_back(FramesOf(paths.back()));
        batch.totalFrames += frames.back();
    }
    batch.start = Clock::now();

    console.line(FilesToEncodeLine(paths.size()));
    FileEncoder encoder(cmd.settings, console, options, batch);
    // "a.wav" and "a.aiff" both become "a.mp3": the second must not replace the first one's MP3
    // (with -DELETE that would lose the first recording altogether).
    std::map<std::string, std::string> written;  // MP3 path -> the source it came from
    for (size_t i = 0; i < paths.size(); ++i) {
        const std::string& path = paths[i];
        console.line(EncodingLine(path));
        Clock::time_point start = Clock::now();
        const std::string target = OutputPathFor(path);
        FileReport report;
        if (auto earlier = written.find(target); earlier != written.end()) {
            if (earlier->second == path)
                report.error = "is listed more than once; its MP3 was made already";
            else
                report.error = "would replace \"" + target + "\", encoded from \"" + earlier->second +
                               "\" in this run; rename one of them";
        } else
            report = encoder.Encode(path);
        batch.doneFrames += frames[i];
        if (!report.ok) {
            failed = true;
            console.error(ErrorLine("\"" + path + "\" " + report.error));
            continue;
        }
        written.emplace(target, path);
        if (cmd.settings.deleteSource) {
            if (unlink(path.c_str()) != 0) {
                failed = true;
                console.error(ErrorLine("\"" + path + "\" was encoded but cannot be deleted: " +
                                        std::strerror(errno)));
            } else {
                SyncFolder(FolderOf(path));
            }
        }
        console.line(CompletedLine(SecondsSince(start)));
    }
    return failed ? 1 : 0;
}

} // namespace bladeenc
