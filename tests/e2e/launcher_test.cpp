#include "launcher_test.h"

#include <algorithm>
#include <iostream>

#include "test_packages.h"

namespace boxlift::e2e {

void LauncherTest::SetUp() { dir_ = MakeWorkDir(); }

void LauncherTest::TearDown() {
    if (!HasFailure())
        fs::remove_all(dir_);
    else
        std::cout << "[ kept     ] " << dir_.string() << std::endl;
}

fs::path LauncherTest::WriteSetup(ByteView payload, const std::string& name) {
    fs::path path = dir_ / name;
    WriteTestFile(path, payload);
    return path;
}

RunResult LauncherTest::RunExtract(const fs::path& program,
                                   const std::string& dirArgument) {
    return RunWindowsProgram(program, {"/e", dirArgument}, dir_);
}

::testing::AssertionResult SameBytes(ByteView actual, ByteView expected) {
    auto [a, e] = std::mismatch(actual.begin(), actual.end(), expected.begin(),
                                expected.end());
    if (a == actual.end() && e == expected.end())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "size " << actual.size() << ", expected " << expected.size()
           << "; first difference at offset " << (a - actual.begin());
}

::testing::AssertionResult HoldsOnlyPackage(const fs::path& outDir,
                                            ByteView expected,
                                            std::string* name) {
    if (!fs::is_directory(outDir))
        return ::testing::AssertionFailure() << outDir << " is no directory";
    std::vector<std::string> names = ListDir(outDir);
    if (names.size() != 1) {
        auto failure = ::testing::AssertionFailure();
        failure << outDir << " holds " << names.size() << " entries:";
        for (const std::string& n : names) failure << " " << n;
        return failure;
    }
    if (!IsTempPackageName(names[0]))
        return ::testing::AssertionFailure()
               << "unexpected package name " << names[0];
    if (name) *name = names[0];
    Bytes actual = ReadFileBytes(outDir / names[0]);
    ::testing::AssertionResult same = SameBytes(actual, expected);
    if (!same) return ::testing::AssertionFailure() << names[0] << ": " << same.message();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult HoldsNoFile(const fs::path& dir) {
    if (!fs::exists(dir)) return ::testing::AssertionSuccess();
    std::vector<std::string> names = ListDir(dir);
    if (names.empty()) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    failure << dir << " holds:";
    for (const std::string& n : names) {
        std::error_code error;
        auto size = fs::file_size(dir / n, error);
        failure << " " << n;
        if (!error) failure << " (" << size << " bytes)";
    }
    return failure;
}

}  // namespace boxlift::e2e
