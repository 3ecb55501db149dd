// Reading an MP3 back with libmpg123 before its source goes. libmpg123 directly rather than
// through libsndfile: only its own handle can be told to stay quiet, and a damaged stream makes
// it print notes on stderr, which is the front-end's console.
#include "ReadBack.h"
#include "FileEncoder.h"
#include "OutputFile.h"

#include <mpg123.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace bladeenc {

namespace {

struct Mpg123Closer {
    void operator()(mpg123_handle* h) const
    {
        mpg123_close(h);
        mpg123_delete(h);
    }
};
using Mpg123Ptr = std::unique_ptr<mpg123_handle, Mpg123Closer>;

// A decoder that prints nothing, trims the encoder delay and padding the LAME tag records (so a
// whole stream decodes to exactly the source's length), gives every rate as it is, and mixes to
// one channel: the count per channel is the same and the synthesis costs half.
Mpg123Ptr QuietDecoder()
{
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });  // a no-op since 1.27, not thread-safe before
    Mpg123Ptr h(mpg123_new(nullptr, nullptr));
    if (!h)
        return h;
    mpg123_param(h.get(), MPG123_ADD_FLAGS,
                 MPG123_QUIET | MPG123_GAPLESS | MPG123_MONO_MIX | MPG123_NO_FRANKENSTEIN, 0);
    mpg123_format_none(h.get());
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(h.get(), rates[i], MPG123_MONO, MPG123_ENC_SIGNED_16);
    return h;
}

// What decoding a whole MP3 found. Counted from the decoded sound, never from the length the
// MP3's Info frame claims (a stream that lost a write in the middle still claims its full length).
struct DecodedLength {
    std::string error;       // why it could not be opened or decoding broke off; empty otherwise
    long long samples = 0;   // per channel, decoded before the end (or the break)
    int samplesPerFrame = 0; // 1152 for MPEG-1, 576 for MPEG-2 and 2.5; 0 when none was found
};

long long FramesOfSamples(long long samples, int samplesPerFrame)
{
    return (samples + samplesPerFrame - 1) / samplesPerFrame;
}

// Decodes the MP3 read from fd to its end (fd is not closed).
DecodedLength DecodeToEnd(int fd)
{
    DecodedLength found;
    Mpg123Ptr h = QuietDecoder();
    if (!h) {
        found.error = "no MP3 decoder";
        return found;
    }
    if (mpg123_open_fd(h.get(), fd) != MPG123_OK) {
        found.error = mpg123_strerror(h.get());
        return found;
    }
    std::vector<unsigned char> buffer(1 << 16);
    long long bytes = 0;
    for (;;) {
        size_t done = 0;
        int rc = mpg123_read(h.get(), buffer.data(), buffer.size(), &done);
        bytes += (long long)done;
        if (rc == MPG123_NEW_FORMAT) {
            found.samplesPerFrame = mpg123_spf(h.get());
        } else if (rc == MPG123_DONE) {
            break;
        } else if (rc != MPG123_OK) {
            found.error = rc == MPG123_ERR ? mpg123_strerror(h.get()) : mpg123_plain_strerror(rc);
            break;
        }
    }
    found.samples = bytes / 2;  // 16-bit, one channel
    if (found.samplesPerFrame <= 0 && found.error.empty())
        found.error = "no MPEG audio in it";
    return found;
}

} // namespace

std::string Mp3ReadBackProblem(const std::string& mp3Path, long long expectedSamples)
{
    int fd = open(mp3Path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return "the MP3 cannot be read back: " + std::string(std::strerror(errno));
    // The link that put it in place is on disk too before anything depends on it.
    if (fsync(fd) != 0 && errno != EINVAL) {
        int err = errno;
        close(fd);
        return "the MP3 cannot be flushed to disk: " + std::string(std::strerror(err));
    }
    if (!SyncFolder(FolderOf(mp3Path))) {
        close(fd);
        return "the MP3's folder cannot be flushed to disk";
    }
    DecodedLength found = DecodeToEnd(fd);
    close(fd);
    if (found.samplesPerFrame <= 0)
        return "the MP3 read back does not decode: " + found.error;
    if (found.samples == expectedSamples && found.error.empty())
        return {};
    std::string what = "the MP3 read back is " +
                       std::to_string(FramesOfSamples(found.samples, found.samplesPerFrame)) + " of " +
                       std::to_string(FramesOfSamples(expectedSamples, found.samplesPerFrame)) + " frames (" +
                       std::to_string(found.samples) + " of " + std::to_string(expectedSamples) + " samples)";
    if (!found.error.empty())
        what += ", decoding broke off: " + found.error;
    return what;
}

std::string RemoveSourceOnceMp3IsWhole(const std::string& source, const FileReport& encoded)
{
    if (std::string problem = Mp3ReadBackProblem(encoded.mp3, encoded.mp3Samples); !problem.empty())
        return problem + "; the source is kept, and the MP3 left as it is in \"" + encoded.mp3 + "\"";
    return RemoveSourceIfUnchanged(source, encoded.opened);
}

} // namespace bladeenc
