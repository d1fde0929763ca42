// Faults injected into real runs: a setup.exe cut short, and a disk that
// fills up while the package is written. Every run ends with code 8 and
// leaves no package behind.
#include <sys/statvfs.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "wine_harness.h"

namespace boxlift::e2e {
namespace {

class Faults : public InstallTest {};

// Cuts at every record boundary, one byte to either side, and inside the
// data: each cut run fails with code 8 and leaves no file in its directory.
TEST_F(Faults, CutSetupAlwaysFailsWithCode8) {
    Bytes package = Text(200000, 31);
    const Bytes noise = Noise(150000, 32);
    package.insert(package.end(), noise.begin(), noise.end());
    const Settings settings = ProbeSettings("2.0");
    const Bytes setup = BuildPayload(settings, package);
    const std::size_t start =
        fs::file_size(LauncherPath()) + kMarkerLength + EncodeSettingsBlock(settings).size();

    std::vector<std::size_t> cuts = {start, start + 2, start + 4};
    for (std::size_t record = start + 4; setup[record] != 0;) {
        const bool stored = setup[record] == 1;
        std::uint32_t size;
        std::memcpy(&size, &setup[record + (stored ? 1 : 5)], 4);
        const std::size_t data = record + (stored ? 5 : 9), end = data + size;
        for (std::size_t cut : {record + 1, record + 3, data - 1, data, data + size / 2, end - 1})
            cuts.push_back(cut);
        record = end;
    }
    cuts.push_back(setup.size() - 1);  // no end record

    for (std::size_t cut : cuts) {
        const fs::path out = dir_ / ("out-" + std::to_string(cut));
        fs::create_directory(out);
        fs::remove(dir_ / "error.log");
        const fs::path program = WriteSetup(ByteView(setup).first(cut), "cut.exe");
        RunResult run = RunExtract(program, out);
        EXPECT_EQ(run.exitCode, 1) << "cut at " << cut << ": " << run.output;
        EXPECT_TRUE(IsLogLine(ReadText(dir_ / "error.log"), kTitle, kErrorText, 8))
            << "cut at " << cut;
        EXPECT_TRUE(HoldsNoFile(out)) << "cut at " << cut;
    }
}

// A 2 MiB drive T: that fills up while the package is written: through /e
// onto it, and in an installing run whose temporary directory is on it,
// where the space is taken by another writer once the package file appears
// (the disk check has passed by then).
TEST_F(Faults, DiskFillsUpDuringExtraction) {
    const fs::path drive = dir_ / "small-drive";
    if (!MountSmallDrive(drive, 2))
        GTEST_SKIP() << "cannot mount a tmpfs here: " << strerror(errno);

    RunResult extract = RunExtract(
        WriteSetup(BuildPayload(ProbeSettings("2.0"), Noise(3 << 20, 33))), drive / "out");
    EXPECT_EQ(extract.exitCode, 1) << extract.output;
    EXPECT_TRUE(IsLogLine(ReadText(dir_ / "error.log"), kTitle, kErrorText, 8));
    EXPECT_TRUE(HoldsNoFile(drive / "out"));
    fs::remove_all(drive / "out");
    fs::remove(dir_ / "error.log");

    // Small records make the writing take long enough to be caught.
    const Bytes package = Noise(1536 * 1024, 34);
    Bytes stream;
    AppendChunkCount(stream, (std::uint32_t)(package.size() / 64));
    for (std::size_t at = 0; at < package.size(); at += 64)
        AppendStoredRecord(stream, ByteView(package).subspan(at, 64));
    AppendEndRecord(stream);
    const fs::path setup = WriteSetup(AssemblePayload(ProbeSettings("2.0"), stream));

    std::atomic<bool> done = false, filled = false;
    std::thread filler([&] {
        while (!done && !filled) {
            for (const std::string& name : ListDir(drive / "tmp"))
                if (name.rfind("qz", 0) == 0) {
                    struct statvfs info;
                    statvfs(drive.c_str(), &info);
                    std::ofstream(drive / "filler", std::ios::binary)
                        << std::string(info.f_bavail * info.f_frsize, 'x');
                    filled = true;
                }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    RunResult run = RunWithTemp(dir_, "T:\\tmp", setup, "/q");
    done = true;
    filler.join();
    UnmountSmallDrive(drive);

    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_TRUE(filled) << "the package file never appeared";
    EXPECT_TRUE(IsLogLine(ReadText(dir_ / "error.log"), kTitle, kErrorText, 8));
}

}  // namespace
}  // namespace boxlift::e2e
