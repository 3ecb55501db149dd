// Splitting one command-line text into program and arguments.
#include "CommandLine.h"
#include "ConsoleTestSupport.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList L(std::initializer_list<const char*> items)
{
    QStringList out;
    for (const char* s : items)
        out << QString::fromUtf8(s);
    return out;
}

QString S(const char* s) { return QString::fromUtf8(s); }

void MakeFile(const QString& path, bool executable = true)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\n");
    f.close();
    if (executable)
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
}

}  // namespace

TEST(SplitCommandLineArguments, BlanksSeparateAndQuotesGroup)
{
    EXPECT_EQ(SplitCommandLineArguments(S("a b\tc")), L({"a", "b", "c"}));
    EXPECT_EQ(SplitCommandLineArguments(S("  a   b  ")), L({"a", "b"}));
    EXPECT_EQ(SplitCommandLineArguments(S("\"a b\" c")), L({"a b", "c"}));
    EXPECT_EQ(SplitCommandLineArguments(S("x\"a b\"y")), L({"xa by"}));
    EXPECT_EQ(SplitCommandLineArguments(S("\"\" a \"\"")), L({"", "a", ""}));
    EXPECT_EQ(SplitCommandLineArguments(S("\"a\"\"b\"")), L({"ab"}));
    EXPECT_EQ(SplitCommandLineArguments(S("\"open to the end")), L({"open to the end"}));
    EXPECT_TRUE(SplitCommandLineArguments(S("")).isEmpty());
    EXPECT_TRUE(SplitCommandLineArguments(S(" \t ")).isEmpty());
}

TEST(SplitCommandLineArguments, BackslashesAreLiteralUnlessBeforeAQuote)
{
    EXPECT_EQ(SplitCommandLineArguments(S("a\\b c\\\\d e\\")), L({"a\\b", "c\\\\d", "e\\"}));
    // 2n+1 backslashes + quote: n backslashes and a literal quote.
    EXPECT_EQ(SplitCommandLineArguments(S("a\\\"b")), L({"a\"b"}));
    EXPECT_EQ(SplitCommandLineArguments(S("a\\\\\\\"b")), L({"a\\\"b"}));
    // 2n backslashes + quote: n backslashes, and the quote groups.
    EXPECT_EQ(SplitCommandLineArguments(S("a\\\\\"b c\"")), L({"a\\b c"}));
    EXPECT_EQ(SplitCommandLineArguments(S("\"C:\\dir\\\\\" x")), L({"C:\\dir\\", "x"}));
    // An escaped quote inside a group neither ends it nor disappears.
    EXPECT_EQ(SplitCommandLineArguments(S("\"say \\\"hi\\\" now\" z")), L({"say \"hi\" now", "z"}));
    EXPECT_EQ(SplitCommandLineArguments(S("a b\\\"c \"d e\" f\\\\\"g h\"")), L({"a", "b\"c", "d e", "f\\g h"}));
}

TEST(SplitCommandLineArguments, QuotingIsItsExactInverse)
{
    // Any text survives quoting and splitting, and so does a whole list of them.
    const QString alphabet = S("ab \t\"\\x\\\\é\"\" ");
    QRandomGenerator rng(42);
    for (int round = 0; round < 3000; ++round) {
        QStringList args;
        const int count = 1 + rng.bounded(4);
        for (int i = 0; i < count; ++i) {
            QString a;
            const int length = rng.bounded(9);
            for (int k = 0; k < length; ++k)
                a += alphabet[rng.bounded(static_cast<int>(alphabet.size()))];
            args << a;
        }
        QString line;
        for (const QString& a : args)
            line += (line.isEmpty() ? QString() : S(" ")) + QuoteArgument(a);
        ASSERT_EQ(SplitCommandLineArguments(line), args) << line.toStdString();
    }
}

TEST(SplitCommandLine, QuotedProgramIsTakenAsQuoted)
{
    EXPECT_EQ(SplitCommandLine(S("\"/no such/dir/prog\" -x \"a b\"")), L({"/no such/dir/prog", "-x", "a b"}));
    EXPECT_EQ(SplitCommandLine(S("prog")), L({"prog"}));
    EXPECT_TRUE(SplitCommandLine(S("   ")).isEmpty());
}

TEST(SplitCommandLine, UnquotedProgramWithBlanksIsFoundByTryingPrefixes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString base = dir.path();
    ASSERT_TRUE(QDir(base).mkpath(S("my apps")));
    MakeFile(base + S("/my apps/enc"));
    MakeFile(base + S("/my apps/enc tool"));

    // The shortest existing prefix wins; the rest follows the ordinary rules.
    EXPECT_EQ(SplitCommandLine(base + S("/my apps/enc tool -b \"x y\"")),
              QStringList({base + S("/my apps/enc"), S("tool"), S("-b"), S("x y")}));
    // The whole text can be the program.
    EXPECT_EQ(SplitCommandLine(base + S("/my apps/enc tool")), QStringList({base + S("/my apps/enc")}) << S("tool"));
    EXPECT_EQ(SplitCommandLine(S("  ") + base + S("/my apps/enc  ")), QStringList({base + S("/my apps/enc")}));
    // A folder is not a program: "/my apps" does not stop the search, "/my" is nothing.
    ASSERT_TRUE(QDir(base).mkpath(S("my")));
    EXPECT_EQ(SplitCommandLine(base + S("/my apps/enc -x")), QStringList({base + S("/my apps/enc"), S("-x")}));
    // No prefix exists: the first blank-separated word.
    EXPECT_EQ(SplitCommandLine(base + S("/none here -x")), QStringList({base + S("/none"), S("here"), S("-x")}));
    // A prefix may not reach into a quoted item.
    EXPECT_EQ(SplitCommandLine(base + S("/my \"apps/enc\" x")), QStringList({base + S("/my"), S("apps/enc"), S("x")}));
    // A quote in the first word switches the search off.
    EXPECT_EQ(SplitCommandLine(base + S("/my\" apps/enc\" -x")), QStringList({base + S("/my apps/enc"), S("-x")}));
}

TEST(SplitCommandLine, BareNamesAreLookedUpInPath)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    MakeFile(dir.path() + S("/tw tool"));
    MakeFile(dir.path() + S("/tw plain"), false);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.path()) + ":" + oldPath);
    const QStringList found = SplitCommandLine(S("tw tool -v"));
    const QStringList notExecutable = SplitCommandLine(S("tw plain -v"));
    qputenv("PATH", oldPath);
    EXPECT_EQ(found, L({"tw tool", "-v"}));
    EXPECT_EQ(notExecutable, L({"tw", "plain", "-v"}));
}
