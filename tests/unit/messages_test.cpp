#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memory_hook.h"
#include "test_memory.h"
#include "ui/log_line.h"
#include "ui/message_template.h"

namespace {

std::string Expand(const char* text, char drive, uint64_t space) {
    char* out = ExpandTemplate(text, drive, space);
    EXPECT_NE(out, nullptr);
    std::string result = out ? out : "";
    FreeBytes(out);
    return result;
}

TEST(MessageTemplate, FillsDriveAndMegabytes) {
    EXPECT_EQ(Expand("There is not enough diskspace available on drive "
                     "%ofd_drive%:. Setup requires about %fd_mbytes% MB of "
                     "diskspace.",
                     'D', 5000000),
              "There is not enough diskspace available on drive D:. Setup "
              "requires about 5 MB of diskspace.");
}

TEST(MessageTemplate, MegabytesAreWholeMebibytesPlusOne) {
    EXPECT_EQ(Expand("%fd_mbytes%", 'C', 1), "1");
    EXPECT_EQ(Expand("%fd_mbytes%", 'C', 1048575), "1");
    EXPECT_EQ(Expand("%fd_mbytes%", 'C', 1048576), "2");
    EXPECT_EQ(Expand("%fd_mbytes%", 'C', 0), "1");
    // The shifted count is cut to 32 bits before the one is added.
    EXPECT_EQ(Expand("%fd_mbytes%", 'C', (uint64_t)0x7FFFFFFF << 20), "-2147483648");
    EXPECT_EQ(Expand("%fd_mbytes%", 'C', (uint64_t)1 << 52), "1");
}

TEST(MessageTemplate, OnlyExactPlaceholdersAreReplaced) {
    EXPECT_EQ(Expand("no placeholder", 'C', 1), "no placeholder");
    EXPECT_EQ(Expand("100%", 'C', 1), "100%");
    EXPECT_EQ(Expand("%", 'C', 1), "%");
    EXPECT_EQ(Expand("%OFD_DRIVE% %FD_MBYTES%", 'C', 1), "%OFD_DRIVE% %FD_MBYTES%");
    EXPECT_EQ(Expand("at %ofd_drive", 'C', 1), "at %ofd_drive");
    EXPECT_EQ(Expand("%fd_mbytes", 'C', 1), "%fd_mbytes");
    EXPECT_EQ(Expand("%ofd_drive%%ofd_drive%", 'E', 1), "EE");
    // The closing '%' of another placeholder may open one of ours.
    EXPECT_EQ(Expand("%x%ofd_drive%", 'F', 1), "%xF");
    EXPECT_EQ(Expand("%%fd_mbytes%%", 'F', 3 << 20), "%4%");
}

TEST(MessageTemplate, NetworkPathGivesABackslash) {
    EXPECT_EQ(Expand("drive %ofd_drive%", '\\', 1), "drive \\");
}

TEST(MessageTemplate, FailsWithoutMemory) {
    test_memory::FailAllocationAfter(0);
    EXPECT_EQ(ExpandTemplate("text", 'C', 1), nullptr);
    test_memory::FailAllocationAfter(-1);
}

std::string Line(const LogTime& time, const std::string& caption, const std::string& text,
                 int code) {
    std::vector<char> buffer(LogLineCapacity(caption.c_str(), text.c_str()));
    uint32_t length = FormatLogLine(buffer.data(), time, caption.c_str(), text.c_str(), code);
    EXPECT_LE(length, buffer.size());
    return std::string(buffer.data(), length);
}

TEST(LogLine, ExactBytes) {
    EXPECT_EQ(Line({2026, 2, 3, 9, 5}, "Setup", "T", 8),
              "INSTALLATION ERROR: 2026/02/03 09:05 - Setup - T | 8\r\n");
    EXPECT_EQ(Line({987, 12, 31, 23, 59}, "", "a\r\nb", 10),
              "INSTALLATION ERROR: 0987/12/31 23:59 -  - a\r\nb | 10\r\n");
}

TEST(LogLine, LongCaptionAndTextAreWrittenWhole) {
    std::string caption(3000, 'c'), text(70000, 't');
    std::string line = Line({2026, 1, 1, 0, 0}, caption, text, 4);
    EXPECT_EQ(line.size(), 39 + 3000 + 3 + 70000 + 6u);
    EXPECT_NE(line.find(" - " + caption + " - " + text + " | 4\r\n"), std::string::npos);
}

}  // namespace
