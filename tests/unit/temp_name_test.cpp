#include <gtest/gtest.h>

#include <set>
#include <string>

#include "payload/temp_name.h"

namespace {

std::string Name(uint32_t value) {
    char name[kTempNameLength + 1];
    FormatTempName(value, name);
    return name;
}

TEST(TempName, GeneratorSequenceFromSeedZero) {
    // seed 0: 0 * 1,170,746,341 - 755,606,699 = 0xD2F65B55 (mod 2^32);
    // bits 16..30 = 0x52F6 = 21,238; 21,238 mod 255 = 73 = 0x49.
    TempNameSearch search;
    StartTempNameSearch(&search, 0);
    EXPECT_EQ(NextTempNameValue(&search), 0x49u);
    EXPECT_EQ(search.seed, 0xD2F65B55u);
    // 0xD2F65B55 * 1,170,746,341 - 755,606,699 = 0x2E15555E: 0x2E15 = 11,797,
    // mod 255 = 67 = 0x43. Then 0xA8D2826B: 0x28D2 = 10,450 -> 250 = 0xfa.
    EXPECT_EQ(NextTempNameValue(&search), 0x43u);
    EXPECT_EQ(NextTempNameValue(&search), 0xFAu);
    EXPECT_EQ(Name(search.lastValue), "qzfafafa.msi");
}

TEST(TempName, OneValueWrittenThreeTimesInLowercaseHex) {
    EXPECT_EQ(Name(0), "qz000000.msi");
    EXPECT_EQ(Name(0x3c), "qz3c3c3c.msi");
    EXPECT_EQ(Name(254), "qzfefefe.msi");
}

TEST(TempName, ValuesStayBelow255) {
    TempNameSearch search;
    StartTempNameSearch(&search, 0x12345678);
    std::set<uint32_t> seen;
    for (int i = 0; i < 20000; ++i) {
        uint32_t v = NextTempNameValue(&search);
        ASSERT_LT(v, 255u);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 255u) << "every name is reachable";
}

TEST(TempName, SearchGivesUpOnceEveryNameWasSeenTaken) {
    TempNameSearch search;
    StartTempNameSearch(&search, 7);
    for (uint32_t v = 0; v < 254; ++v) {
        ASSERT_TRUE(MarkTempNameTaken(&search, v));
        ASSERT_TRUE(MarkTempNameTaken(&search, v)) << "repeats do not count";
    }
    EXPECT_FALSE(MarkTempNameTaken(&search, 254));
}

}  // namespace
