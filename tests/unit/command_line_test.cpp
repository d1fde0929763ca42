#include <gtest/gtest.h>

#include <string>

#include "startup/command_line.h"

namespace {

std::string Tail(const char* commandLine) { return SkipProgramName(commandLine); }

TEST(CommandTail, SkipsQuotedAndPlainProgramNames) {
    EXPECT_EQ(Tail("setup.exe /q"), "/q");
    EXPECT_EQ(Tail("\"C:\\My Files\\setup.exe\" /q"), "/q");
    EXPECT_EQ(Tail("\"C:\\a b\\setup.exe\"/q"), "/q");
    EXPECT_EQ(Tail("setup.exe"), "");
    EXPECT_EQ(Tail(""), "");
}

TEST(CommandTail, SkipsEverySeparatorBehindTheName) {
    EXPECT_EQ(Tail("setup.exe \t\r\n  /e x"), "/e x");
    // Bytes from 0x80 up count as separators, in the name and behind it.
    EXPECT_EQ(Tail("set\xE9up.exe /q"), "up.exe /q");
    EXPECT_EQ(Tail("setup.exe \xA0\xFF/q"), "/q");
}

TEST(CommandTail, UnclosedQuoteSwallowsTheLine) { EXPECT_EQ(Tail("\"C:\\setup.exe /q"), ""); }

struct Parsed {
    bool ok;
    uint8_t quiet;
    const char* extractDir;
};

Parsed Parse(const char* tail) {
    Parsed p;
    p.quiet = 7;
    p.extractDir = "stale";
    p.ok = ParseSwitches(tail, &p.quiet, &p.extractDir);
    return p;
}

TEST(Switches, EmptyTailIsAnInteractiveRun) {
    Parsed p = Parse("");
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.quiet, 0);
    EXPECT_EQ(p.extractDir, nullptr);
}

TEST(Switches, QuietTakesExactlyTwoCharacters) {
    for (const char* tail : {"/q", "-q", "/Q", "-Q"}) {
        Parsed p = Parse(tail);
        EXPECT_TRUE(p.ok) << tail;
        EXPECT_EQ(p.quiet, 1) << tail;
        EXPECT_EQ(p.extractDir, nullptr) << tail;
    }
    for (const char* tail : {"/q ", "/qx", "/q /e"}) {
        Parsed p = Parse(tail);
        EXPECT_FALSE(p.ok) << tail;
        EXPECT_EQ(p.quiet, 0) << tail;
    }
}

TEST(Switches, ExtractTakesTheRestOfTheTailVerbatim) {
    const struct {
        const char* tail;
        const char* dir;
    } cases[] = {
        {"/e", ""},
        {"/e   ", ""},
        {"-E", ""},
        {"/e   D:\\Out", "D:\\Out"},
        {"/eD:\\Out", "D:\\Out"},
        {"/extract", "xtract"},
        {"/e \"C:\\My Dir\" more ", "\"C:\\My Dir\" more "},
        {"/e \tD", "\tD"},  // only spaces are skipped
    };
    for (const auto& c : cases) {
        Parsed p = Parse(c.tail);
        ASSERT_TRUE(p.ok) << c.tail;
        EXPECT_EQ(p.quiet, 1) << c.tail;
        ASSERT_NE(p.extractDir, nullptr) << c.tail;
        EXPECT_STREQ(p.extractDir, c.dir) << c.tail;
    }
}

TEST(Switches, AnythingElseIsIllegal) {
    for (const char* tail : {"x", "/x", "/", "-", "q", "//q", " /q"}) {
        Parsed p = Parse(tail);
        EXPECT_FALSE(p.ok) << tail;
        EXPECT_EQ(p.quiet, 0) << tail;
        EXPECT_EQ(p.extractDir, nullptr) << tail;
    }
}

}  // namespace
