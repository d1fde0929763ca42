#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "payload_format.h"
#include "settings_block.h"
#include "test_memory.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Window(const std::string& text, size_t size = kSettingsWindowSize) {
    Bytes window(size, 0);
    std::copy(text.begin(), text.end(), window.begin());
    return window;
}

std::string T(const std::string& s) { return s + '\0'; }

const std::string kMarker = "CmSSFX2";

class MarkerSearch : public ::testing::Test {};

TEST_F(MarkerSearch, FindsTheSecondOccurrence) {
    Bytes w = Window("MZ" + kMarker + "image" + kMarker + "block", 64);
    EXPECT_EQ(FindPayloadMarker(w.data(), w.size()), 14);
    Bytes three = Window(kMarker + kMarker + "x" + kMarker + "y", 64);
    EXPECT_EQ(FindPayloadMarker(three.data(), three.size()), 7);
}

TEST_F(MarkerSearch, OneOccurrenceOrNoneIsNoPayload) {
    Bytes one = Window("MZ" + kMarker + "image only", 64);
    EXPECT_EQ(FindPayloadMarker(one.data(), one.size()), -1);
    Bytes none = Window("MZ no key at all", 64);
    EXPECT_EQ(FindPayloadMarker(none.data(), none.size()), -1);
    EXPECT_EQ(FindPayloadMarker(nullptr, 0), -1);
    EXPECT_EQ(FindPayloadMarker(one.data(), 7), -1);
}

TEST_F(MarkerSearch, PartialMatchesDoNotCount) {
    Bytes w = Window(kMarker + "CmSSFX" + "CmSSFX3" + "CmSS" + kMarker + "!", 64);
    EXPECT_EQ(FindPayloadMarker(w.data(), w.size()), 7 + 6 + 7 + 4);
}

TEST_F(MarkerSearch, MarkerEndingOnTheLastByteReadIsNotFound) {
    std::string text = kMarker + "abc" + kMarker;
    Bytes exact(text.begin(), text.end());
    EXPECT_EQ(FindPayloadMarker(exact.data(), exact.size()), -1);
    exact.push_back('x');
    EXPECT_EQ(FindPayloadMarker(exact.data(), exact.size()), 10);
}

TEST_F(MarkerSearch, WindowBoundAt524280) {
    for (uint32_t offset : {kMaxMarkerOffset - 1, kMaxMarkerOffset, kMaxMarkerOffset + 1}) {
        Bytes w(kSettingsWindowSize, 'z');
        std::copy(kMarker.begin(), kMarker.end(), w.begin() + 100);
        std::copy(kMarker.begin(), kMarker.end(), w.begin() + offset);
        int32_t expected = offset <= kMaxMarkerOffset ? (int32_t)offset : -1;
        EXPECT_EQ(FindPayloadMarker(w.data(), w.size()), expected) << offset;
    }
}

class SettingsBlock : public ::testing::Test {
protected:
    void SetUp() override { test_memory::FailAllocationAfter(-1); }
    void TearDown() override {
        FreeSettingsTexts(&settings);
        test_memory::FailAllocationAfter(-1);
        EXPECT_EQ(test_memory::LiveBlocks(), 0);
    }
    int Parse(const Bytes& window) {
        return ParseSettingsBlock(window.data(), window.size(), &settings, &length);
    }
    PackageSettings settings = {};
    uint32_t length = 0;
};

// The eight fields present with both groups off.
std::string Minimal(char showWelcome = 0, char showProgress = 0) {
    return T("Title") + T("Error") + std::string(1, showWelcome) + T("\x03\x01") + T("Engine?") +
           T("http://x") + T("Disk") + std::string(1, showProgress);
}

TEST_F(SettingsBlock, BothGroupsOffHoldsEightFields) {
    std::string block = Minimal();
    ASSERT_EQ(Parse(Window(block + "\x01\x02\x03")), 1);
    EXPECT_EQ(length, block.size());
    EXPECT_STREQ(settings.title, "Title");
    EXPECT_STREQ(settings.errorText, "Error");
    EXPECT_STREQ(settings.requiredEngineVersion, "\x03\x01");
    EXPECT_STREQ(settings.engineMissingText, "Engine?");
    EXPECT_STREQ(settings.engineDownloadTarget, "http://x");
    EXPECT_STREQ(settings.diskSpaceText, "Disk");
    EXPECT_EQ(settings.showWelcome, 0);
    EXPECT_EQ(settings.showProgress, 0);
    for (char* absent : {settings.exitCaption, settings.continueCaption, settings.welcomeText,
                         settings.dialogHeading, settings.progressText, settings.cancelCaption,
                         settings.cancelQuestion})
        EXPECT_EQ(absent, nullptr);
    EXPECT_EQ(settings.welcomeAsDialog, 0);
}

TEST_F(SettingsBlock, AllGroupsOnHoldsSixteenFieldsInFileOrder) {
    std::string block = T("Title") + T("Error") + "\x01" + "\x01" + T("Exit") + T("Continue") +
                        T("Welcome") + T("\x02\x02") + T("Engine?") + T("dl") + T("Disk") + "\x01" +
                        T("Heading") + T("Progress") + T("Cancel") + T("Sure?");
    ASSERT_EQ(Parse(Window(block)), 1);
    EXPECT_EQ(length, block.size());
    EXPECT_STREQ(settings.exitCaption, "Exit");
    EXPECT_STREQ(settings.continueCaption, "Continue");
    EXPECT_STREQ(settings.welcomeText, "Welcome");
    EXPECT_STREQ(settings.dialogHeading, "Heading");
    EXPECT_STREQ(settings.progressText, "Progress");
    EXPECT_STREQ(settings.cancelCaption, "Cancel");
    EXPECT_STREQ(settings.cancelQuestion, "Sure?");
}

const std::string kOff(1, '\0');
const std::string kOn(1, '\x01');

TEST_F(SettingsBlock, WelcomeQuestionHasNoCaptions) {
    std::string block = T("Title") + T("Error") + kOn + kOff + T("Hello") + T("\x02\x02") + T("E") +
                        T("D") + T("S") + kOff;
    ASSERT_EQ(Parse(Window(block)), 1);
    EXPECT_EQ(length, block.size());
    EXPECT_EQ(settings.showWelcome, 1);
    EXPECT_EQ(settings.welcomeAsDialog, 0);
    EXPECT_EQ(settings.exitCaption, nullptr);
    EXPECT_EQ(settings.continueCaption, nullptr);
    EXPECT_STREQ(settings.welcomeText, "Hello");
    EXPECT_STREQ(settings.requiredEngineVersion, "\x02\x02");
}

TEST_F(SettingsBlock, WelcomeOffReadsTheNextBytesAsTheEngineVersion) {
    // The byte after showWelcome is the version, even where a writer that
    // got the rule wrong put welcomeAsDialog.
    std::string block =
        T("Title") + T("Error") + kOff + "\x01\x02" + kOff + T("E") + T("D") + T("S") + kOff;
    ASSERT_EQ(Parse(Window(block)), 1);
    EXPECT_STREQ(settings.requiredEngineVersion, "\x01\x02");
    EXPECT_EQ(settings.welcomeText, nullptr);
}

TEST_F(SettingsBlock, AnyNonZeroFlagByteIsStoredAsOne) {
    for (char flag : {'\x01', '\xFF', '\x80'}) {
        std::string block = Minimal(0, flag) + T("H") + T("P") + T("C") + T("Q");
        ASSERT_EQ(Parse(Window(block)), 1);
        EXPECT_EQ(settings.showProgress, 1);
        EXPECT_STREQ(settings.cancelQuestion, "Q");
        FreeSettingsTexts(&settings);
        settings = {};
    }
}

TEST_F(SettingsBlock, EmptyTextIsPresentAndCountsOneByte) {
    std::string block = T("") + T("") + kOff + T("") + T("") + T("") + T("") + kOff;
    ASSERT_EQ(Parse(Window(block)), 1);
    EXPECT_EQ(length, 8u);
    ASSERT_NE(settings.title, nullptr);
    EXPECT_STREQ(settings.title, "");
    EXPECT_EQ(test_memory::LiveBlocks(), 6);
}

TEST_F(SettingsBlock, FileEndingInsideTheBlockReadsAsEmptyFields) {
    // The reader zeroes the window before reading: a cut block parses, with
    // empty texts and flags off for the part that is missing.
    ASSERT_EQ(Parse(Window(T("Title") + "Err")), 1);
    EXPECT_STREQ(settings.errorText, "Err");
    EXPECT_STREQ(settings.diskSpaceText, "");
    EXPECT_EQ(length, 6u + 4u + 1u + 4u + 1u);
}

TEST_F(SettingsBlock, TextRunningToTheWindowEndFails) {
    Bytes window(1000, 'a');
    EXPECT_EQ(Parse(window), 0);
    // A title that ends on the last byte is fine; the next field is not.
    Bytes tight = Window(std::string(999, 'a'), 1000);
    EXPECT_EQ(Parse(tight), 0);
    EXPECT_NE(settings.title, nullptr);
    EXPECT_EQ(settings.errorText, nullptr);
    FreeSettingsTexts(&settings);
    std::string flagMissing = T("T") + T("E");  // showWelcome lies past the end
    EXPECT_EQ(Parse(Bytes(flagMissing.begin(), flagMissing.end())), 0);
}

TEST_F(SettingsBlock, AllocationFailureKeepsEarlierTextsForTheCleanUp) {
    test_memory::FailAllocationAfter(2);
    EXPECT_EQ(Parse(Window(Minimal())), 0);
    EXPECT_STREQ(settings.title, "Title");
    EXPECT_STREQ(settings.errorText, "Error");
    EXPECT_EQ(settings.requiredEngineVersion, nullptr);
    EXPECT_EQ(test_memory::LiveBlocks(), 2);
}

}  // namespace
