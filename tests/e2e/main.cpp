// The end-to-end suite: one Wine set-up for all tests.
#include <gtest/gtest.h>

#include "wine_harness.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new boxlift::e2e::WineEnvironment);
    return RUN_ALL_TESTS();
}
