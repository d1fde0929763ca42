#include <gtest/gtest.h>

#include "engine/engine_version.h"

namespace {

uint32_t Version(uint32_t major, uint32_t minor) { return major << 16 | minor; }

TEST(EngineVersion, Requirement1_1) {
    const char* required = "\x02\x02";  // version 1.1
    EXPECT_TRUE(EngineVersionMeets(Version(1, 1), required));
    EXPECT_TRUE(EngineVersionMeets(Version(1, 20), required));
    EXPECT_TRUE(EngineVersionMeets(Version(2, 0), required));
    EXPECT_FALSE(EngineVersionMeets(Version(1, 0), required));
    EXPECT_FALSE(EngineVersionMeets(Version(0, 90), required));
}

TEST(EngineVersion, WineReportsVersion4_5) {
    EXPECT_TRUE(EngineVersionMeets(Version(4, 5), "\x05\x06"));
    EXPECT_FALSE(EngineVersionMeets(Version(4, 5), "\x05\x07"));
    EXPECT_FALSE(EngineVersionMeets(Version(4, 5), "\x0A\x01"));  // 9.0
    EXPECT_TRUE(EngineVersionMeets(Version(4, 5), "\x01\x7F"));   // 0.126
}

TEST(EngineVersion, ShortRequirements) {
    // Empty: the required major wraps to the largest number; never met.
    EXPECT_FALSE(EngineVersionMeets(Version(0xFFFF, 0xFFFF), ""));
    // One character: the missing minor is unreachable, a greater major wins.
    EXPECT_FALSE(EngineVersionMeets(Version(2, 0xFFFF), "\x03"));
    EXPECT_TRUE(EngineVersionMeets(Version(3, 0), "\x03"));
}

TEST(EngineVersion, HighCodesAreUnreachable) {
    for (char code : {'\x80', '\xC0', '\xFF'}) {
        std::string first = {code, '\x01'};
        EXPECT_FALSE(EngineVersionMeets(Version(0xFFFF, 0xFFFF), first.c_str()));
        std::string second = {'\x05', code};
        EXPECT_FALSE(EngineVersionMeets(Version(4, 0xFFFF), second.c_str()));
        EXPECT_TRUE(EngineVersionMeets(Version(5, 0), second.c_str()));
    }
}

}  // namespace
