// Many runs and much output: nothing leaks, nothing is lost, nothing is doubled.
#include "ConsoleIO.h"
#include "ConsoleTestSupport.h"
#include "MixedLines.h"

#include <gtest/gtest.h>

namespace {
QString S(const char* s) { return QString::fromUtf8(s); }
}  // namespace

TEST(ConsoleRobustness, TwoHundredStartStopCyclesLeaveNoChildAndNoDescriptor)
{
    // One run first, so that whatever Qt opens once (its event dispatcher's descriptors)
    // is already open when counting starts.
    {
        TGUI2Console warm;
        warm.SetCommand(ChildCommand({S("out:x\\n")}));
        ASSERT_TRUE(RunToEnd(warm));
    }
    const int descriptors = OpenDescriptorCount();
    TGUI2Console c;
    auto r = Record(c);
    for (int cycle = 0; cycle < 200; ++cycle) {
        // Stop at different moments: before the child exists, while it writes, while silent.
        c.SetCommand(ChildCommand({S("out:a\\nb\\n"), cycle % 3 == 0 ? S("hang") : S("sleep:2"), S("out:c\\n")}));
        c.Start();
        if (cycle % 3 == 1)
            (void)QTest::qWaitFor([&] { return !r->Lines.empty(); }, WaitGuardMs);
        c.Stop();
        ASSERT_TRUE(WaitForIdle(c)) << cycle;
        ASSERT_EQ(r->Done, cycle + 1);
        ASSERT_EQ(r->Events.back(), "done");
        ASSERT_TRUE(r->Matching("error:").empty()) << r->Matching("error:").front();
        r->Lines.clear();
    }
    EXPECT_TRUE(ChildrenOfThisProcess().empty());
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
}

TEST(ConsoleRobustness, TenMegabytesOfMixedLinesArriveOnceAndInOrder)
{
    const long long bytes = 10LL * 1024 * 1024;
    const unsigned seed = 20261208;

    // What the child writes: every line up to the amount, then no fragment.
    LineChecksum expected;
    {
        MixedLines lines(seed);
        std::string text;
        const char* lineBreak = nullptr;
        long long written = 0;
        while (written < bytes) {
            lines.NextLine(text, lineBreak);
            expected.Add(text.data(), text.size());
            written += static_cast<long long>(text.size() + std::strlen(lineBreak));
        }
    }

    for (TBufferSize buffer : {bs256, bs8k}) {
        TGUI2Console c;
        c.SetBufferSize(buffer);
        c.SetPipeSize(buffer == bs256 ? ps1k : ps64k);
        // Lines that wait for their interval go over together: none lost, none doubled.
        c.SetLineInterval(buffer == bs256 ? 0 : 20);
        LineChecksum got;
        int done = 0;
        QString error;
        c.OnLine = [&](TGUI2Console*, const QByteArray& line) { got.Add(line.constData(), static_cast<size_t>(line.size())); };
        c.OnDone = [&](TGUI2Console*) { ++done; };
        c.OnError = [&](TGUI2Console*, const QString& e) { error = e; };
        c.SetCommand(ChildCommand({QStringLiteral("mixed:%1:%2").arg(bytes).arg(seed)}));
        ASSERT_TRUE(RunToEnd(c, 110000));
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        EXPECT_EQ(done, 1);
        EXPECT_EQ(got.Lines, expected.Lines) << "buffer " << int(buffer);
        EXPECT_EQ(got.Value, expected.Value) << "buffer " << int(buffer);
    }
}
