// One file: read the source with libsndfile, encode it with libmp3lame into an OutputFile, and
// put the MP3 in place only when it is complete.
#include "FileEncoder.h"
#include "Id3Tags.h"
#include "OggCheck.h"
#include "OutputFile.h"
#include "OutputRegistry.h"
#include "PatchedSource.h"
#include "SourceChecks.h"
#include "TagReader.h"

#include <lame/lame.h>
#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace bladeenc {

namespace {

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

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat sa, sb;
    if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Frames read and encoded at a time (fewer for sources that LAME resamples upwards).
constexpr int kChunkFrames = 8192;

// LAME's one-time tables are process-wide: set up one encoder at a time.
std::mutex& LameSetupMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Bytes per sample frame of the fixed-size encodings, 0 for the others (ADPCM and the like).
int BytesPerFrame(const SF_INFO& info)
{
    int bytes = 0;
    switch (info.format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8: case SF_FORMAT_PCM_U8: case SF_FORMAT_ULAW: case SF_FORMAT_ALAW: bytes = 1; break;
    case SF_FORMAT_PCM_16: bytes = 2; break;
    case SF_FORMAT_PCM_24: bytes = 3; break;
    case SF_FORMAT_PCM_32: case SF_FORMAT_FLOAT: bytes = 4; break;
    case SF_FORMAT_DOUBLE: bytes = 8; break;
    default: return 0;
    }
    return bytes * info.channels;
}

// libsndfile refuses an AIFF whose text chunks add up to more than about 8 KB; past this many
// bytes they are hidden from it and read here.
constexpr long long kLibsndfileTextBudget = 4096;

// A source opened for reading: its descriptor, what its header declares and libsndfile's handle.
// A WAV whose data size was left at 0 is read to the end of the file; an AIFF with long text
// chunks is read without them, and their text taken from the file directly.
class OpenedSource {
public:
    ~OpenedSource()
    {
        in_.reset();  // before the virtual I/O and the descriptor it reads through
        if (fd_ >= 0)
            close(fd_);
    }
    // False with errno-style error() when the file cannot be opened; in() empty, with
    // openError(), when libsndfile cannot read it.
    bool Open(const std::string& path)
    {
        fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat st;
        if (fd_ < 0 || fstat(fd_, &st) != 0) {
            error_ = errno;
            return false;
        }
        identity_ = {st.st_dev, st.st_ino, st.st_size, st.st_mtim};
        size_ = st.st_size;
        declared_ = FindDeclaredData(fd_);
        auto patched = std::make_unique<PatchedSource>(fd_, size_);
        bool patch = false;
        if (declared_.found && declared_.wav && declared_.sizeUnknown && declared_.declared == 0 &&
            size_ > declared_.offset) {
            patched->Patch(declared_.sizeField, "\xFF\xFF\xFF\xFF");
            patch = true;
        }
        long long text = 0;
        for (const TextChunk& chunk : declared_.texts)
            text += chunk.size;
        if (text > kLibsndfileTextBudget) {
            for (const TextChunk& chunk : declared_.texts)
                patched->Patch(chunk.offset - 8, "JUNK");
            ownTexts_ = true;
            patch = true;
        }
        // libsndfile keeps the error of a failed open in one process-wide variable.
        static std::mutex openMutex;
        std::lock_guard<std::mutex> lock(openMutex);
        if (patch) {
            patched_ = std::move(patched);
            in_.reset(patched_->Open(&info_));
        } else {
            in_.reset(sf_open(path.c_str(), SFM_READ, &info_));
        }
        if (!in_)
            openError_ = sf_strerror(nullptr);
        return true;
    }
    SNDFILE* in() const { return in_.get(); }
    const SF_INFO& info() const { return info_; }
    int error() const { return error_; }
    const std::string& openError() const { return openError_; }  // why in() is empty
    const SourceIdentity& identity() const { return identity_; }
    const DeclaredData& declared() const { return declared_; }
    // libsndfile shrinks the frame count of a file cut short to what is there; the header's
    // own promise tells. Empty when the source holds what it promises.
    std::string CutShort() const
    {
        return CutShortProblem(declared_, size_, info_.frames, info_.samplerate, BytesPerFrame(info_));
    }
    SourceTags Tags() const
    {
        SourceTags tags = ReadSourceTags(in_.get());
        if (ownTexts_) {
            for (const TextChunk& chunk : declared_.texts) {
                std::string text(size_t(std::min<long long>(chunk.size, kMaxTagText * 4)), '\0');
                ssize_t got = pread(fd_, text.data(), text.size(), chunk.offset);
                text.resize(got > 0 ? size_t(got) : 0);
                AddAiffText(tags, chunk.id, text);
            }
        }
        return tags;
    }
    // An Ogg file's pages, walked before decoding: libsndfile passes damage by quietly.
    std::string OggDamage() const
    {
        return (info_.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_OGG ? OggProblem(fd_, size_) : std::string();
    }

private:
    int fd_ = -1;
    int error_ = 0;
    std::string openError_;
    long long size_ = 0;
    SourceIdentity identity_;
    DeclaredData declared_;
    bool ownTexts_ = false;  // AIFF text chunks hidden from libsndfile
    std::unique_ptr<PatchedSource> patched_;
    SndFilePtr in_;
    SF_INFO info_{};
};

// NaN becomes silence and everything else is held to full scale: libmp3lame aborts the whole
// process on a NaN, an infinity or a sample of 1e10 and up, and clips anything beyond 1 anyway.
void HoldToFullScale(float* samples, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        samples[i] = std::isnan(samples[i]) ? 0.0f : std::clamp(samples[i], -1.0f, 1.0f);
}

// The samples per channel a finished MP3 decodes to: the source's frames where the stream keeps
// the source's rate. Where LAME resampled, what its resampler made of them, as LAME counts it:
// the frames it made less its delay and padding (what a gapless decoder trims).
long long Mp3SamplesMade(lame_global_flags* g, int sourceRate, long long sourceFrames)
{
    if (lame_get_out_samplerate(g) == sourceRate)
        return sourceFrames;
    return (long long)lame_get_frameNum(g) * lame_get_framesize(g) - lame_get_encoder_delay(g) -
           lame_get_encoder_padding(g);
}

FileReport Fail(std::string message)
{
    FileReport r;
    r.error = std::move(message);
    return r;
}

// MP3 bytes gathered for fewer, larger writes.
class PendingBytes {
public:
    explicit PendingBytes(OutputFile& out) : out_(out) {}
    bool Add(const unsigned char* data, int bytes)
    {
        if (bytes > 0)
            pending_.insert(pending_.end(), data, data + bytes);
        return pending_.size() < (1u << 16) || Flush();
    }
    bool Flush()
    {
        bool ok = pending_.empty() || out_.Write(pending_.data(), pending_.size());
        pending_.clear();
        return ok;
    }

private:
    OutputFile& out_;
    std::vector<unsigned char> pending_;
};

// Why reading stopped short: a FLAC whose stream info promises more than the file holds ends
// here, as does a damaged one.
std::string ReadProblem(const SF_INFO& info, long long framesRead, std::string why)
{
    // libsndfile's FLAC messages read "Error : flac decoder lost sync."
    if (why.rfind("Error : ", 0) == 0)
        why.erase(0, 8);
    if (!why.empty() && why.back() == '.')
        why.pop_back();
    if (info.frames <= 0 || framesRead >= info.frames || info.samplerate <= 0)
        return "cannot read: " + why;
    char text[160];
    std::snprintf(text, sizeof text, "is cut short or damaged: its header promises %.1f s of audio, "
                  "%.1f s could be read (%s); nothing was encoded",
                  double(info.frames) / info.samplerate, double(framesRead) / info.samplerate, why.c_str());
    return text;
}

} // namespace

FileReport EncodeFile(const std::string& source, const EncoderSettings& settings,
                      const BatchOptions& options, FileProgress& progress, OutputRegistry* outputs,
                      const std::string& namedTarget)
{
    struct stat st;
    if (stat(source.c_str(), &st) != 0)
        return Fail(std::string("cannot open: ") + std::strerror(errno));
    if (S_ISDIR(st.st_mode))
        return Fail("cannot open: it is a folder");
    if (!S_ISREG(st.st_mode))
        return Fail("cannot open: not a regular file");  // a FIFO or device could block forever

    OpenedSource opened;
    if (!opened.Open(source))
        return Fail(std::string("cannot open: ") + std::strerror(opened.error()));
    if (!opened.in())
        return Fail("not a readable audio file (WAV, AIFF, FLAC, Ogg Vorbis, Opus): " + opened.openError());
    SNDFILE* const in = opened.in();
    const SF_INFO& info = opened.info();
    if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG)
        return Fail("is an MP3 file already; encoding it again would only lose quality");
    if (info.channels < 1 || info.channels > 2)
        return Fail("has " + std::to_string(info.channels) +
                    " channels; only mono and stereo sources can be encoded");
    if (std::string problem = SampleRateProblem(opened.declared(), info.samplerate); !problem.empty())
        return Fail("cannot be encoded: " + problem);
    if (std::string problem = opened.CutShort(); !problem.empty())
        return Fail(problem + "; nothing was encoded");
    if (std::string problem = opened.OggDamage(); !problem.empty())
        return Fail(problem + "; nothing was encoded");
    progress.frames = info.frames > 0 ? info.frames : 0;

    const std::string target = namedTarget.empty() ? OutputPathFor(source) : namedTarget;
    if (target == source || SameFile(target, source))
        return Fail("the MP3 file would replace its own source");
    if (outputs) {
        // Checked again when the MP3 is put in place; here it saves a futile encode.
        std::unique_lock<std::mutex> lock = outputs->Lock();
        if (std::string refusal = outputs->Refusal(target); !refusal.empty())
            return Fail(refusal);
    }

    const SourceTags tags = ReadTags(source, info.format, opened.Tags());
    LamePtr lame;
    const bool monoOut = settings.mono || info.channels == 1;
    {
        std::lock_guard<std::mutex> setup(LameSetupMutex());
        lame.reset(lame_init());
        if (!lame)
            return Fail("out of memory");
        lame_global_flags* g = lame.get();
        lame_set_num_channels(g, info.channels);
        lame_set_in_samplerate(g, info.samplerate);
        // A constant bitrate keeps the source's rate, as BladeEnc did; a VBR level lets LAME pick
        // the rate it is tuned for (V9 resamples 44.1 kHz to 22.05), as "lame -V" does.
        if (IsMp3Rate(info.samplerate) && !settings.vbrLevel)
            lame_set_out_samplerate(g, info.samplerate);
        lame_set_num_samples(g, info.frames > 0 ? (unsigned long)info.frames : 0);
        lame_set_mode(g, monoOut ? MONO : JOINT_STEREO);
        if (settings.vbrLevel) {
            // What "lame -V n" sets: the library's default VBR mode at that level.
            lame_set_VBR(g, vbr_default);
            lame_set_VBR_q(g, *settings.vbrLevel);
        } else {
            lame_set_VBR(g, vbr_off);
            lame_set_brate(g, settings.bitrate);
        }
        lame_set_error_protection(g, settings.crc ? 1 : 0);
        lame_set_original(g, settings.originalBit() ? 1 : 0);
        lame_set_copyright(g, settings.copyright ? 1 : 0);
        lame_set_extension(g, settings.privateBit ? 1 : 0);
        lame_set_write_id3tag_automatic(g, 0);
        // The Xing/Info frame: players learn the exact length, and with VBR its table lets them seek.
        lame_set_bWriteVbrTag(g, 1);
        ApplyTags(g, tags);
        if (lame_init_params(g) < 0)
            return Fail("the encoder cannot take this source (" + std::to_string(info.samplerate) +
                        " Hz, " + std::to_string(info.channels) + " channels) at " +
                        (settings.vbrLevel ? "VBR quality " + std::to_string(*settings.vbrLevel)
                                           : std::to_string(settings.bitrate) + " kBit"));
    }
    lame_global_flags* g = lame.get();

    // Low sample rates cap the bitrate (MPEG-2 at 160, MPEG-2.5 at 64): report what the stream gets.
    if (progress.formats)
        progress.formats(InputLine(info.samplerate, info.channels),
                         settings.vbrLevel ? VbrOutputLine(*settings.vbrLevel, monoOut)
                                           : OutputLine(lame_get_brate(g), monoOut));

    if (std::string problem = MakeFolders(FolderOf(target)); !problem.empty())
        return Fail(problem);
    OutputFile out;
    if (!out.Open(target, options.allowUnnamedTemp))
        return Fail(out.error());
    PendingBytes pending(out);

    // The tag goes first; the Info frame after it is rewritten at the end.
    const std::vector<unsigned char> id3 = Id3v2Tag(g, tags);
    if (!pending.Add(id3.data(), int(id3.size())))
        return Fail(out.error());

    // A chunk never makes more than kChunkFrames samples at the MP3's rate, so the MP3 buffer
    // holds what LAME makes of it even when a low input rate is resampled upwards.
    const int outRate = std::max(1, lame_get_out_samplerate(g));
    const int chunkFrames = int(std::clamp<long long>((long long)kChunkFrames * info.samplerate / outRate, 1, kChunkFrames));
    const SampleKind kind = KindOf(info.format);
    std::vector<short> shorts;
    std::vector<int> ints;
    std::vector<float> floats;
    switch (kind) {
    case SampleKind::Short: shorts.resize(size_t(chunkFrames) * info.channels); break;
    case SampleKind::Int: ints.resize(size_t(chunkFrames) * info.channels); break;
    case SampleKind::Float: floats.resize(size_t(chunkFrames) * info.channels); break;
    }
    // LAME's flush pads with silence at the input rate: at 1 Hz it gives some 135 KB (measured).
    const size_t flushRoom = 32 * size_t(std::max(1, outRate / std::max(1, info.samplerate) + 1));
    std::vector<unsigned char> mp3(size_t(1.25 * kChunkFrames) + 7200 + flushRoom);
    // LAME's interleaved entry points want two channels; mono goes through the plain ones.
    const bool stereoIn = info.channels == 2;

    long long framesRead = 0;
    for (;;) {
        sf_count_t got = 0;
        int bytes = 0;
        switch (kind) {
        case SampleKind::Short:
            got = sf_readf_short(in, shorts.data(), chunkFrames);
            if (got > 0)
                bytes = stereoIn ? lame_encode_buffer_interleaved(g, shorts.data(), int(got), mp3.data(), int(mp3.size()))
                                 : lame_encode_buffer(g, shorts.data(), shorts.data(), int(got), mp3.data(), int(mp3.size()));
            break;
        case SampleKind::Int:
            got = sf_readf_int(in, ints.data(), chunkFrames);
            if (got > 0)
                bytes = stereoIn ? lame_encode_buffer_interleaved_int(g, ints.data(), int(got), mp3.data(), int(mp3.size()))
                                 : lame_encode_buffer_int(g, ints.data(), ints.data(), int(got), mp3.data(), int(mp3.size()));
            break;
        case SampleKind::Float:
            got = sf_readf_float(in, floats.data(), chunkFrames);
            if (got > 0)
                HoldToFullScale(floats.data(), size_t(got) * size_t(info.channels));
            if (got > 0)
                bytes = stereoIn ? lame_encode_buffer_interleaved_ieee_float(g, floats.data(), int(got), mp3.data(), int(mp3.size()))
                                 : lame_encode_buffer_ieee_float(g, floats.data(), floats.data(), int(got), mp3.data(), int(mp3.size()));
            break;
        }
        // A FLAC decoder error (lost sync, a bad frame) comes with frames read all the same.
        if (got < 0 || sf_error(in) != SF_ERR_NO_ERROR)
            return Fail(ReadProblem(info, framesRead, sf_strerror(in)));
        if (got == 0)
            break;
        if (bytes < 0)
            return Fail("the encoder failed (LAME error " + std::to_string(bytes) + ")");
        if (!pending.Add(mp3.data(), bytes))
            return Fail(out.error());
        framesRead += got;
        progress.framesRead.store(framesRead, std::memory_order_relaxed);
    }
    if (info.frames > 0 && framesRead < info.frames)
        return Fail(ReadProblem(info, framesRead, "the file ends early"));  // no half MP3

    int bytes = lame_encode_flush(g, mp3.data(), int(mp3.size()));
    if (bytes < 0)
        return Fail("the encoder failed (LAME error " + std::to_string(bytes) + ")");
    if (!pending.Add(mp3.data(), bytes) || !pending.Flush())
        return Fail(out.error());
    // The Xing/Info frame reserved after the tag gets its final content (frame count, byte count,
    // the seek table, the LAME tag with the stream's CRC), before the MP3 is put in place.
    std::vector<unsigned char> infoFrame(8192);
    size_t infoSize = lame_get_lametag_frame(g, infoFrame.data(), infoFrame.size());
    if (infoSize > 0 && infoSize <= infoFrame.size() &&
        !out.WriteAt(infoFrame.data(), infoSize, (long long)id3.size()))
        return Fail(out.error());
    if (!out.Commit(outputs, source))
        return Fail(out.error());

    FileReport done;
    done.ok = true;
    done.notes = tags.notes;
    done.opened = opened.identity();
    done.mp3 = target;
    done.mp3Samples = Mp3SamplesMade(g, info.samplerate, framesRead);
    return done;
}

std::string RemoveSourceIfUnchanged(const std::string& path, const SourceIdentity& opened)
{
    struct stat now;
    if (stat(path.c_str(), &now) != 0)
        return std::strerror(errno);
    if (now.st_dev != opened.dev || now.st_ino != opened.ino)
        return "another file took its name while it was encoded; it is kept";
    if (now.st_size != opened.size || now.st_mtim.tv_sec != opened.mtime.tv_sec ||
        now.st_mtim.tv_nsec != opened.mtime.tv_nsec)
        return "it changed while it was encoded (" + std::to_string(opened.size) + " bytes then, " +
               std::to_string(now.st_size) + " now); it is kept";
    if (unlink(path.c_str()) != 0)
        return std::strerror(errno);
    SyncFolder(FolderOf(path));
    return {};
}

long long FramesOf(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    OpenedSource opened;
    if (!opened.Open(path) || !opened.in())
        return 0;
    // libsndfile says SF_COUNT_MAX when it cannot tell a source's length (a damaged header):
    // unknown, like 0, so that the batch's sum of lengths cannot overflow. 2^40 frames are
    // more than 290 days at 44.1 kHz.
    const long long frames = opened.info().frames;
    return frames > 0 && frames < (1LL << 40) ? frames : 0;
}

} // namespace bladeenc
