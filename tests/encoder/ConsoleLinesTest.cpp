// The encoder's lines, read back with the front-end's prefixes and column rule.
#include "BladeEnc.h"
#include "EncoderTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace bladeenc;
using enctest::Columns;

TEST(EncoderConsole, StatusFieldsSitInTheirColumns)
{
    struct Case {
        double file, fileLeft, batch, batchLeft;
        const char *filePct, *fileEta, *batchPct, *batchEta;
    } cases[] = {
        {12.34, 65, 4.06, 1600, "12.3", "0:01:05", "4.1", "0:26:40"},
        {0, 0, 0, 0, "0.0", "0:00:00", "0.0", "0:00:00"},
        {100, 0, 100, 0, "100.0", "0:00:00", "100.0", "0:00:00"},
        {99.96, 3599.6, 99.99, 36000, "100.0", "1:00:00", "100.0", "10:00:00"},
        {5, 1e9, 5, 1e9, "5.0", "999:59:59", "5.0", "999:59:59"},
        {-3, -1, 250, std::nan(""), "0.0", "0:00:00", "100.0", "0:00:00"},
    };
    for (const Case& c : cases) {
        std::string line = StatusLine(c.file, c.fileLeft, c.batch, c.batchLeft);
        SCOPED_TRACE(line);
        EXPECT_EQ(line.substr(0, 7), "Status:");
        EXPECT_EQ(Columns(line, 8, 14), c.filePct);
        EXPECT_EQ(Columns(line, 26, 34), c.fileEta);
        EXPECT_EQ(Columns(line, 51, 55), c.batchPct);
        EXPECT_EQ(Columns(line, 67, 75), c.batchEta);
        EXPECT_EQ(line.size(), 75u);
        // Neighbouring text never leaks into a field.
        EXPECT_EQ(line[14], '%');
        EXPECT_EQ(line[24], 'A');
        EXPECT_EQ(line[55], '%');
    }
}

TEST(EncoderConsole, LinesCarryTheFrontEndPrefixes)
{
    EXPECT_EQ(FilesToEncodeLine(3), "Files to encode: 3");
    EXPECT_EQ(Columns(FilesToEncodeLine(12), 17, 1000), "12");
    EXPECT_EQ(EncodingLine("/m/Track 1.wav"), "Encoding: /m/Track 1.wav");
    EXPECT_EQ(InputLine(44100, 2), "Input: 44.1 kHz stereo");
    EXPECT_EQ(InputLine(48000, 1), "Input: 48 kHz mono");
    EXPECT_EQ(InputLine(22050, 1), "Input: 22.05 kHz mono");
    EXPECT_EQ(InputLine(8000, 2), "Input: 8 kHz stereo");
    EXPECT_EQ(InputLine(11025, 2), "Input: 11.025 kHz stereo");
    EXPECT_EQ(OutputLine(160, false), "Output: 160 kBit stereo");
    EXPECT_EQ(OutputLine(32, true), "Output: 32 kBit mono");

    std::string done = CompletedLine(65.4);
    EXPECT_EQ(done.substr(0, 25), "Completed. Encoding time:");
    EXPECT_EQ(Columns(done, 26, 34), "0:01:05");
    EXPECT_EQ(Columns(CompletedLine(3 * 3600 + 7), 26, 34), "3:00:07");

    // An error line must not pass for any line the front-end recognises.
    std::string error = ErrorLine("\"/m/Status: x.wav\" cannot open");
    for (const char* prefix : {"Status:", "Encoding:", "Completed. Encoding time:", "Input:",
                               "Output:", "Files to encode:", "Blade's MP3 Encoder",
                               "=========================  This is freeware!"})
        EXPECT_NE(error.rfind(prefix, 0), 0u) << prefix;
}

TEST(EncoderConsole, ClockRoundsAndClamps)
{
    EXPECT_EQ(FormatClock(0.49), "0:00:00");
    EXPECT_EQ(FormatClock(0.5), "0:00:01");
    EXPECT_EQ(FormatClock(59.6), "0:01:00");
    EXPECT_EQ(FormatClock(3600 * 25 + 61), "25:01:01");
    EXPECT_EQ(FormatClock(-5), "0:00:00");
    EXPECT_EQ(FormatClock(std::numeric_limits<double>::infinity()), "0:00:00");
    EXPECT_EQ(FormatClock(1e12), "999:59:59");
}
