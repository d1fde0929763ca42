// What `boxlift build` writes, as Windows and the usual PE tools read it:
// the product's version resource (GetFileVersionInfoA/VerQueryValueA under
// Wine, objdump, wrestool), an icon from the config, a valid rewritten
// image that still unpacks its package; and the same file after
// Authenticode signing; and boxlift.exe, the tool for Windows build hosts,
// writing the same bytes as the native tool under Wine, and judging signed
// files as it does.
#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "base/byte_reader.h"
#include "image/certificate_table.h"
#include "image/pe_image.h"
#include "payload/payload_reader.h"
#include "payload_format.h"
#include "signed_files.h"
#include "wine_harness.h"

namespace boxlift::e2e {
namespace {

void WriteText(const fs::path& path, const std::string& text) {
    WriteFileBytes(path, ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

// An .ico of two 32-bit images (16 and 32 pixels), laid out as wrestool
// writes one back: the entries, then the images in order.
Bytes MakeIcon() {
    Bytes ico = {0, 0, 1, 0, 2, 0};
    std::vector<Bytes> images;
    for (std::uint32_t side : {16u, 32u}) {
        Bytes image(40 + side * side * 4 + side * 4, 0);
        const std::uint32_t header[] = {40, side, side * 2};
        for (int i = 0; i < 3; ++i)
            for (int b = 0; b < 4; ++b)
                image[4 * i + b] = static_cast<std::uint8_t>(header[i] >> (8 * b));
        image[12] = 1;   // planes
        image[14] = 32;  // bits per pixel
        for (std::size_t p = 40; p < 40 + side * side * 4; ++p)
            image[p] = static_cast<std::uint8_t>(p * side);
        images.push_back(image);
    }
    std::uint32_t offset = 6 + 16 * 2;
    for (const Bytes& image : images) {
        std::uint8_t side = image[4];
        ico.insert(ico.end(), {side, side, 0, 0, 1, 0, 32, 0});
        ByteWriter(ico).U32(static_cast<std::uint32_t>(image.size())).U32(offset);
        offset += static_cast<std::uint32_t>(image.size());
    }
    for (const Bytes& image : images) ico.insert(ico.end(), image.begin(), image.end());
    return ico;
}

class Identity : public LauncherTest {
protected:
    void SetUp() override {
        LauncherTest::SetUp();
        ASSERT_EQ(RunProcess({BOXLIFT_WIXL, "-o", "product.msi", BOXLIFT_TEST_WXS}, dir_).exitCode,
                  0);
        WriteFileBytes(dir_ / "product.ico", MakeIcon());
        WriteText(dir_ / "product.ini",
                  "[settings]\nicon = product.ico\n[version]\n"
                  "LegalCopyright = \xc2\xa9 2026 \xc3\x91"
                  "and\xc3\xba\nFileVersion = 7.8.9.10\n");
        RunResult build = Run(
            {BOXLIFT_TOOL, "build", "--config", "product.ini", "-o", "setup.exe", "product.msi"});
        ASSERT_EQ(build.exitCode, 0) << build.output;
        package_ = ReadFileBytes(dir_ / "product.msi");
    }
    RunResult Run(const std::vector<std::string>& argv) { return RunProcess(argv, dir_); }
    // setup.exe /e under Wine gives the package back byte for byte.
    ::testing::AssertionResult Unpacks(const std::string& setup) {
        fs::create_directory(dir_ / (setup + "-out"));
        RunResult run = RunExtract(dir_ / setup, dir_ / (setup + "-out"));
        if (run.exitCode != 1) return ::testing::AssertionFailure() << "exit code " << run.exitCode;
        return HoldsOnlyPackage(dir_ / (setup + "-out"), package_);
    }
    Bytes package_;
};

TEST_F(Identity, WindowsObjdumpAndWrestoolReadTheProductsIdentity) {
    RunResult probe =
        RunWindowsProgram(fs::path(BOXLIFT_WINTESTS_DIR) / "version_probe.exe",
                          {"setup.exe", "ProductName", "CompanyName", "FileDescription",
                           "ProductVersion", "FileVersion", "LegalCopyright", "OriginalFilename"},
                          dir_);
    ASSERT_EQ(probe.exitCode, 0) << probe.output;
    // The A functions give the texts in Wine's ANSI code page, 1252 here.
    EXPECT_EQ(probe.output,
              "fixed 7.8.9.10 2.5.1.0\r\ntranslation 0000 04b0\r\n"
              "ProductName=Caf\xe9 Tool\r\nCompanyName=\xd1"
              "and\xfa Software\r\n"
              "FileDescription=Caf\xe9 Tool Setup\r\nProductVersion=2.5.1\r\n"
              "FileVersion=7.8.9.10\r\nLegalCopyright=\xa9 2026 \xd1"
              "and\xfa\r\n"
              "OriginalFilename=setup.exe\r\n");

    RunResult objdump = Run({BOXLIFT_OBJDUMP, "-p", "setup.exe"});
    ASSERT_EQ(objdump.exitCode, 0) << objdump.output;
    EXPECT_NE(objdump.output.find("Resource Directory [.rsrc]"), std::string::npos);
    EXPECT_NE(objdump.output.find("Base Relocation Directory [.reloc]"), std::string::npos)
        << "the relocations moved with the grown resource section";

    RunResult list = Run({BOXLIFT_WRESTOOL, "-l", "setup.exe"});
    ASSERT_EQ(list.exitCode, 0) << list.output;
    EXPECT_NE(list.output.find("--type=16 --name=1 --language=0"), std::string::npos)
        << list.output;
    RunResult extract = Run(
        {BOXLIFT_WRESTOOL, "-x", "--type=14", "--name=105", "-o", "extracted.ico", "setup.exe"});
    ASSERT_EQ(extract.exitCode, 0) << extract.output;
    // wrestool (icoutils 0.32) writes as many bytes again behind the icon as
    // the group resource has, also for windres' own output: compare the icon.
    const Bytes icon105 = ReadFileBytes(dir_ / "extracted.ico"), ico = MakeIcon();
    EXPECT_TRUE(icon105.size() >= ico.size() && std::equal(ico.begin(), ico.end(), icon105.begin()))
        << "icon group 105";

    // The manifest runs setup.exe as the user who starts it (msiexec asks
    // for elevation itself), on every system from Vista to 11.
    RunResult manifest =
        Run({BOXLIFT_WRESTOOL, "-x", "--raw", "--type=24", "--name=1", "setup.exe"});
    ASSERT_EQ(manifest.exitCode, 0) << manifest.output;
    EXPECT_NE(manifest.output.find("<requestedExecutionLevel level=\"asInvoker\""),
              std::string::npos);
    for (const char* os :
         {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
          "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
          "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
        EXPECT_NE(manifest.output.find(std::string("<supportedOS Id=\"{") + os + "}\"/>"),
                  std::string::npos)
            << os;
    EXPECT_NE(
        manifest.output.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
        std::string::npos);

    RunResult verify = Run({BOXLIFT_TOOL, "verify", "setup.exe"});
    EXPECT_EQ(verify.exitCode, 0) << verify.output
                                  << "(the marker once in the image, the checksum)";
    EXPECT_TRUE(Unpacks("setup.exe")) << "the rewritten image no longer runs";
}

// A throw-away certificate made here, its serial fixed so that the
// signature has the same length, and so the same padding, every run;
// osslsigncode signs and verifies. verify passes the signed file, and
// refuses it as Windows checking certificate padding does with bytes in
// its WIN_CERTIFICATE past the signature or padding that is not zero
// (dwLength, the security directory and the PE checksum made to match).
// A record that inflates to less than it declares, which the launcher
// accepts, is a warning.
TEST_F(Identity, SignedSetupStillWorksAndVerifyReadsItsSignatureStrictly) {
    ASSERT_EQ(Run({BOXLIFT_OPENSSL, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                   "-set_serial", "1", "-subj", "/CN=Boxlift Test Signer", "-keyout", "key.pem",
                   "-out", "cert.pem"})
                  .exitCode,
              0);
    RunResult sign = Run({BOXLIFT_OSSLSIGNCODE, "sign", "-certs", "cert.pem", "-key", "key.pem",
                          "-in", "setup.exe", "-out", "signed.exe"});
    ASSERT_EQ(sign.exitCode, 0) << sign.output;
    RunResult check =
        Run({BOXLIFT_OSSLSIGNCODE, "verify", "-CAfile", "cert.pem", "-in", "signed.exe"});
    EXPECT_EQ(check.exitCode, 0) << check.output;
    EXPECT_TRUE(Unpacks("signed.exe"));

    const Bytes signedSetup = ReadFileBytes(dir_ / "signed.exe");
    const PeDirectory table = ParsePe(signedSetup).directories[kSecurityDirectory];
    const std::vector<CertificateEntry> entries =
        ReadCertificateTable(InMemory(signedSetup), table);
    ASSERT_EQ(entries.size(), 1u);
    ASSERT_NE(entries[0].signatureLength % 8, 0u) << "no padding behind the signature to spoil";
    // A copy of from, changed; a signed one's one entry then ends the file.
    auto write = [&](const char* name, const char* from, auto change) {
        Bytes b = ReadFileBytes(dir_ / from);
        change(b);
        const PeImage image = ParsePe(b);
        ByteWriter writer(b);
        if (const std::uint32_t at = image.directories[kSecurityDirectory].address) {
            const auto size = static_cast<std::uint32_t>(b.size() - at);
            writer.PutU32(at, size);
            writer.PutU32(image.directoryOffset + 8 * kSecurityDirectory + 4, size);
        }
        writer.PutU32(image.checksumOffset, PeChecksum(b, image.checksumOffset));
        WriteFileBytes(dir_ / name, b);
    };
    write("inside.exe", "signed.exe", [](Bytes& b) { b.insert(b.end(), 64, 0); });
    write("padding.exe", "signed.exe", [](Bytes& b) { b.back() = 1; });
    const std::size_t record = LocatePayload(ReadFileBytes(dir_ / "setup.exe")).streamOffset + 4;
    std::uint32_t inflated = 0;
    write("short.exe", "setup.exe", [&](Bytes& b) {
        ASSERT_EQ(b[record], kCompressedRecord);
        inflated = ByteReader(b).U32(record + 1);
        ByteWriter(b).PutU32(record + 1, inflated + 100);
    });

    const std::string entry = "certificate table entry at offset " + std::to_string(table.address);
    const struct {
        const char* setup;
        int exitCode;
        std::string says;
    } cases[] = {
        {"signed.exe", 0, "boxlift: signed.exe: OK (signed)\n"},
        {"inside.exe", 1, entry + ": dwLength " + std::to_string(table.size + 64) + " holds"},
        {"padding.exe", 1, entry + ": the padding after the signature"},
        {"short.exe", 0,
         "boxlift: short.exe: warning: record 1 at offset " + std::to_string(record) +
             ": inflates to " + std::to_string(inflated) + " bytes, fewer than its inflatedSize " +
             std::to_string(inflated + 100) + "\nboxlift: short.exe: OK\n"},
    };
    for (const auto& c : cases) {
        RunResult verify = Run({BOXLIFT_TOOL, "verify", c.setup});
        EXPECT_EQ(verify.exitCode, c.exitCode) << c.setup << ": " << verify.output;
        EXPECT_NE(verify.output.find(c.says), std::string::npos)
            << c.setup << ": " << verify.output;
    }
}

// boxlift.exe under Wine (msi.dll, the system's code pages, its own builds
// of zlib and libdeflate) writes byte for byte what the native tool writes
// from the same inputs and options, with another number of jobs; and
// refuses a text its code page lacks, and a damaged package, as the native
// tool does. Windows computes the PE checksum the header holds.
TEST_F(Identity, WindowsToolWritesTheNativeToolsBytes) {
    const fs::path demo = fs::path(BOXLIFT_SOURCE_DIR) / "examples/demo";
    ASSERT_EQ(Run({BOXLIFT_WIXL, "-o", "demo.msi", (demo / "demo.wxs").string()}).exitCode, 0);
    // About 40 MB: text, noise, and real programs, so that pieces are
    // stored and compressed in every way the writer knows.
    Bytes large = Text(20 << 20, 1), noise = Noise(8 << 20, 2);
    large.insert(large.end(), noise.begin(), noise.end());
    for (const char* program : {"boxlift", "boxlift.exe", "launcher.exe"}) {
        const Bytes image = ReadFileBytes(fs::path(BOXLIFT_LAUNCHER_DIR) / program);
        for (int copy = 0; copy < 2; ++copy) large.insert(large.end(), image.begin(), image.end());
    }
    WriteFileBytes(dir_ / "large.bin", large);
    std::string wxs = ReadText(BOXLIFT_TEST_WXS);
    wxs.insert(wxs.find("</Product>"), "<Binary Id=\"Large\" SourceFile=\"large.bin\"/>");
    WriteText(dir_ / "large.wxs", wxs);
    ASSERT_EQ(Run({BOXLIFT_WIXL, "-o", "large.msi", "large.wxs"}).exitCode, 0);
    WriteText(dir_ / "han.ini", "[settings]\ntitle = \xe6\xbc\xa2\n");
    Bytes damaged = package_;  // the MiniFAT's start with its top bit flipped
    damaged[63] ^= 0x80;
    WriteFileBytes(dir_ / "damaged.msi", damaged);
    // A vendor's banner of thousands of colours, with a transparent corner.
    ASSERT_EQ(Run({"convert", "-size", "161x313", "gradient:#1E5AA8-#0B2345", "-fill", "#FFCC00",
                   "-draw", "circle 80,90 80,50", "-alpha", "set", "-region", "20x20+0+0", "-alpha",
                   "transparent", "vendor.png"})
                  .exitCode,
              0);
    WriteText(dir_ / "logo.ini", "[settings]\nlogo = vendor.png\n");

    struct Case {
        std::vector<std::string> args;
        int exitCode;
    } const cases[] = {
        {{"--config", (demo / "demo.ini").string(), "--level", "12", "demo.msi"}, 0},
        {{"--config", "product.ini", "--level", "1", "product.msi"}, 0},
        {{(dir_ / "large.msi").string()}, 0},  // "/..." is a path, not a Windows-style option
        {{"--config", "han.ini", "product.msi"}, 1},
        {{"damaged.msi"}, 1},  // refused before Wine's msi.dll, which crashed, opens it
        {{"--config", "logo.ini", "product.msi"}, 0},  // libpng and zlib built for Windows
    };
    const fs::path windowsTool = fs::path(BOXLIFT_LAUNCHER_DIR) / "boxlift.exe";
    for (const Case& c : cases) {
        std::string what = "build";
        for (const std::string& arg : c.args) what += " " + arg;
        fs::create_directories(dir_ / "native");
        fs::create_directories(dir_ / "windows");
        std::vector<std::string> native = {BOXLIFT_TOOL, "build", "--jobs",
                                           "1",          "-o",    "native/setup.exe"};
        native.insert(native.end(), c.args.begin(), c.args.end());
        std::vector<std::string> windows = {"build", "--jobs", "3", "-o", "windows/setup.exe"};
        windows.insert(windows.end(), c.args.begin(), c.args.end());
        RunResult nativeRun = Run(native);
        RunResult windowsRun = RunWindowsProgram(windowsTool, windows, dir_);
        ASSERT_EQ(nativeRun.exitCode, c.exitCode) << what << ": " << nativeRun.output;
        ASSERT_EQ(windowsRun.exitCode, c.exitCode) << what << ": " << windowsRun.output;
        if (c.exitCode != 0) {  // the Windows tool ends its lines with CR LF
            std::erase(windowsRun.output, '\r');
            EXPECT_EQ(windowsRun.output, nativeRun.output) << what;
            EXPECT_FALSE(fs::exists(dir_ / "windows/setup.exe")) << what;
            continue;
        }
        RunResult checksum = RunWindowsProgram(
            fs::path(BOXLIFT_WINTESTS_DIR) / "checksum_probe.exe", {"native/setup.exe"}, dir_);
        ASSERT_EQ(checksum.exitCode, 0) << what << ": " << checksum.output;
        EXPECT_EQ(checksum.output.substr(7, 8), checksum.output.substr(25, 8))
            << what << ": the PE checksum Windows computes: " << checksum.output;
        const Bytes fromNative = ReadFileBytes(dir_ / "native/setup.exe");
        const Bytes fromWindows = ReadFileBytes(dir_ / "windows/setup.exe");
        auto differ = std::mismatch(fromNative.begin(), fromNative.end(), fromWindows.begin(),
                                    fromWindows.end());
        EXPECT_TRUE(fromNative == fromWindows)
            << what << ": " << fromNative.size() << " and " << fromWindows.size()
            << " bytes, first difference at " << (differ.first - fromNative.begin());
        fs::remove_all(dir_ / "native");
        fs::remove_all(dir_ / "windows");
    }
}

// boxlift.exe reads the wrapped package's identity with msi.dll as the
// native tool reads it with libmsi, and hashes the file with bcrypt.dll to
// the same winget manifest.
TEST_F(Identity, WindowsToolDescribesTheWrappedPackageAsTheNativeToolDoes) {
    auto productLines = [](const std::string& report) {
        std::string lines;
        for (std::size_t at = report.find("\nproduct "); at != std::string::npos;
             at = report.find("\nproduct ", at + 1))
            lines += report.substr(at + 1, report.find('\n', at + 1) - at);
        return lines;
    };
    RunResult native = Run({BOXLIFT_TOOL, "inspect", "setup.exe"});
    RunResult windows = RunWindowsProgram(fs::path(BOXLIFT_LAUNCHER_DIR) / "boxlift.exe",
                                          {"inspect", "setup.exe"}, dir_);
    ASSERT_EQ(native.exitCode, 0) << native.output;
    ASSERT_EQ(windows.exitCode, 0) << windows.output;
    std::erase(windows.output, '\r');
    EXPECT_NE(productLines(native.output).find("product    productCode = \"{"), std::string::npos)
        << native.output;
    EXPECT_EQ(productLines(windows.output), productLines(native.output));
    const std::vector<std::string> manifest = {"manifest", "--url", "https://example.com/s.exe",
                                               "setup.exe"};
    std::vector<std::string> nativeManifest = manifest;
    nativeManifest.insert(nativeManifest.begin(), BOXLIFT_TOOL);
    native = Run(nativeManifest);
    windows = RunWindowsProgram(fs::path(BOXLIFT_LAUNCHER_DIR) / "boxlift.exe", manifest, dir_);
    ASSERT_EQ(native.exitCode, 0) << native.output;
    ASSERT_EQ(windows.exitCode, 0) << windows.output;
    std::erase(windows.output, '\r');
    EXPECT_EQ(windows.output, native.output);
}

// boxlift.exe under Wine, on its mingw build of libcrypto, judges the
// signed files of signed_files.h as the native tool does: the same exit
// code and the same lines (digests, signers, timestamps, chains, problems,
// warnings) for good signatures of each kind and for spoiled ones, with no
// --ca, the roots that issued them and a root that did not; and inspect
// --json reports a signed setup and a signed package in the same JSON.
TEST_F(Identity, WindowsToolJudgesSignaturesAsTheNativeToolDoes) {
    const fs::path dir = dir_ / "signed";
    fs::create_directory(dir);
    ASSERT_NO_FATAL_FAILURE(
        MakeSignedFiles(dir, {BOXLIFT_WIXL, BOXLIFT_TOOL, BOXLIFT_OSSLSIGNCODE, BOXLIFT_OPENSSL}));
    struct Case {
        std::vector<std::string> args;
        int exitCode;
    } const cases[] = {
        {{"verify", "sha256.exe"}, 0},
        {{"verify", "nested.exe"}, 0},  // sha1, and sha256 nested in it
        {{"verify", "--ca", "root.pem", "rfc3161.exe"}, 0},
        {{"verify", "--ca", "unrelated.pem", "rfc3161.exe"}, 1},
        {{"verify", "countersigned.exe"}, 0},
        {{"verify", "stored.exe"}, 1},
        {{"verify", "impostor.exe"}, 1},
        {{"verify", "grafted.exe"}, 1},
        {{"verify", "--ca", "root.pem", "signed.exe"}, 0},
        {{"verify", "flipped.exe"}, 1},
        {{"verify", "vendor.exe"}, 0},  // warns of the two signers
        {{"inspect", "--json", "--ca", "root.pem", "rfc3161.exe"}, 0},
        {{"inspect", "--json", "signed.exe"}, 0},
    };
    for (const Case& c : cases) {
        std::string what;
        for (const std::string& arg : c.args) what += " " + arg;
        std::vector<std::string> native = c.args;
        native.insert(native.begin(), BOXLIFT_TOOL);
        const RunResult nativeRun = RunProcess(native, dir);
        RunResult windowsRun =
            RunWindowsProgram(fs::path(BOXLIFT_LAUNCHER_DIR) / "boxlift.exe", c.args, dir);
        EXPECT_EQ(nativeRun.exitCode, c.exitCode) << what << ":\n" << nativeRun.output;
        EXPECT_EQ(windowsRun.exitCode, nativeRun.exitCode) << what << ":\n" << windowsRun.output;
        std::erase(windowsRun.output, '\r');
        EXPECT_EQ(windowsRun.output, nativeRun.output) << what;
    }
}

// A setup.exe over 2 GiB, more than the 32-bit boxlift.exe can hold and
// past a signed 32-bit offset: under Wine it verifies it and extracts the
// package intact, each in less than 64 MiB at its peak (Wine's own share
// included). The package is incompressible, so the setup is as large.
TEST_F(Identity, WindowsToolReadsASetupOverTwoGiB) {
    constexpr std::uint64_t kContent = std::uint64_t{2200} << 20;
    constexpr auto kLong = std::chrono::seconds(600);
    struct Remove {  // the big files go, pass or fail
        fs::path dir;
        ~Remove() {
            for (const char* name : {"big.bin", "big.msi", "big.exe", "big-out"})
                fs::remove_all(dir / name);
        }
    } remove{dir_};
    // The content, the package, the setup and the extracted copy.
    const std::uint64_t needed = 4 * kContent, found = fs::space(dir_).available;
    if (found < needed)
        GTEST_SKIP() << "needs " << needed / 1000000 << " MB free in " << dir_.string()
                     << ", found " << found / 1000000 << " MB";
    // AES-CTR over zeros: the same incompressible bytes on every run.
    const std::string key(32, '0');
    ASSERT_EQ(Run({"sh", "-c",
                   "head -c " + std::to_string(kContent) + " /dev/zero | " + BOXLIFT_OPENSSL +
                       " enc -aes-128-ctr -nosalt -K " + key + " -iv " + key + " >big.bin"})
                  .exitCode,
              0);
    RunResult step = RunProcess({BOXLIFT_WIXL, "-o", "big.msi", BOXLIFT_LARGE_WXS}, dir_, kLong);
    ASSERT_EQ(step.exitCode, 0) << step.output;
    fs::remove(dir_ / "big.bin");
    step = RunProcess({BOXLIFT_TOOL, "build", "-q", "-o", "big.exe", "big.msi"}, dir_, kLong);
    ASSERT_EQ(step.exitCode, 0) << step.output;
    ASSERT_GT(fs::file_size(dir_ / "big.exe"), std::uint64_t{2} << 30);

    // The wine process's peak resident memory in KiB, from /usr/bin/time.
    auto runMeasured = [&](std::vector<std::string> args, std::uint64_t* peakKiB) {
        args.insert(args.begin(), {"/usr/bin/time", "-f", "%M", "-o", "peak.txt", BOXLIFT_WINE,
                                   (fs::path(BOXLIFT_LAUNCHER_DIR) / "boxlift.exe").string()});
        RunResult run = RunProcess(args, dir_, kLong);
        *peakKiB = std::stoull(ReadText(dir_ / "peak.txt"));
        return run;
    };
    std::uint64_t peak = 0;
    step = runMeasured({"verify", "big.exe"}, &peak);
    EXPECT_EQ(step.exitCode, 0) << step.output;
    EXPECT_NE(step.output.find("big.exe: OK"), std::string::npos) << step.output;
    EXPECT_LT(peak, 64u << 10) << "verify";
    step = runMeasured({"extract", "big.exe", "-o", "big-out"}, &peak);
    EXPECT_EQ(step.exitCode, 0) << step.output;
    EXPECT_LT(peak, 64u << 10) << "extract";
    EXPECT_EQ(Run({"cmp", "big.msi", "big-out/big.msi"}).exitCode, 0) << "the package differs";
}

// A build ends by waking and joining every worker, also those a small
// package leaves idle: boxlift.exe's pipeline made and ended 3,000 times.
// (With stop tokens, mingw's libstdc++ could lose the wake-up and hang.)
TEST(WindowsTool, PipelineEndsWithIdleWorkers) {
    RunResult run =
        RunWindowsProgram(fs::path(BOXLIFT_WINTESTS_DIR) / "pipeline_teardown.exe", {}, WorkRoot());
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("3000 rounds ended"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace boxlift::e2e
