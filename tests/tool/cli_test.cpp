// The boxlift program as a user runs it: every command on a real package,
// each refusal with its exit code, its message and nothing written, an
// interrupted build, and the progress line build draws on a terminal.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <libmsi.h>
#include <zlib.h>
#include <nlohmann/json.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <thread>

#include "base/byte_reader.h"
#include "base/byte_writer.h"
#include "cli/progress_bar.h"
#include "image/pe_image.h"
#include "image/resource_tree.h"
#include "payload/chunk_writer.h"
#include "payload/marker.h"
#include "payload/payload_reader.h"
#include "platform/file_io.h"
#include "ui/logo.h"

namespace boxlift {
namespace {

namespace fs = std::filesystem;

void WriteText(const fs::path& path, std::string_view text) {
    WriteFileBytes(path, ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::string ReadText(const fs::path& path) {
    const Bytes bytes = ReadFileBytes(path);
    return {bytes.begin(), bytes.end()};
}

// A picture: rows top first, each pixel 0xAARRGGBB.
struct Pixels {
    std::uint32_t width, height;
    std::vector<std::uint32_t> argb;
};

// Pixels of n colours in stripes of one pixel, fully opaque.
Pixels Stripes(std::uint32_t width, std::uint32_t height, std::uint32_t colours) {
    Pixels p{width, height, {}};
    for (std::uint32_t i = 0; i < width * height; ++i)
        p.argb.push_back(0xFF000000u | (0x102030u * (i % colours + 1) & 0xFFFFFFu));
    return p;
}

void BigEndian(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(value >> shift));
}

// A PNG of 8-bit RGBA (colour type 6), unfiltered rows in one IDAT.
Bytes Png(const Pixels& p) {
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&](const char* type, const Bytes& data) {
        BigEndian(png, std::uint32_t(data.size()));
        Bytes body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        png.insert(png.end(), body.begin(), body.end());
        BigEndian(png, std::uint32_t(crc32(0, body.data(), uInt(body.size()))));
    };
    Bytes header;
    BigEndian(header, p.width);
    BigEndian(header, p.height);
    header.insert(header.end(), {8, 6, 0, 0, 0});
    Bytes rows;
    for (std::uint32_t i = 0; i < p.argb.size(); ++i) {
        if (i % p.width == 0) rows.push_back(0);  // filter: none
        const std::uint32_t c = p.argb[i];
        rows.insert(rows.end(), {std::uint8_t(c >> 16), std::uint8_t(c >> 8), std::uint8_t(c),
                                 std::uint8_t(c >> 24)});
    }
    uLongf size = compressBound(uLong(rows.size()));
    Bytes idat(size);
    EXPECT_EQ(compress(idat.data(), &size, rows.data(), uLong(rows.size())), Z_OK);
    idat.resize(size);
    chunk("IHDR", header);
    chunk("IDAT", idat);
    chunk("IEND", {});
    return png;
}

// A 24-bit top-down BMP (negative height), BITMAPINFOHEADER.
Bytes Bmp24(const Pixels& p) {
    const std::uint32_t stride = (p.width * 3 + 3) / 4 * 4;
    Bytes bmp = {'B', 'M'};
    ByteWriter out(bmp);
    out.U32(54 + stride * p.height).U32(0).U32(54);
    out.U32(40).U32(p.width).U32(std::uint32_t(-std::int32_t(p.height))).U16(1).U16(24);
    out.U32(0).U32(stride * p.height).U32(0).U32(0).U32(0).U32(0);
    for (std::uint32_t y = 0; y < p.height; ++y) {
        for (std::uint32_t x = 0; x < p.width; ++x) {
            const std::uint32_t c = p.argb[y * p.width + x];
            out.U8(std::uint8_t(c)).U8(std::uint8_t(c >> 8)).U8(std::uint8_t(c >> 16));
        }
        out.Append(Bytes(stride - p.width * 3, 0));
    }
    return bmp;
}

// The bitmap file LOGO 110 of setup inflates to; fails unless the
// launcher's own checks accept it.
Bytes LogoBitmap(const Bytes& setup) {
    for (const Resource& r : ReadResources(setup, ParsePe(setup))) {
        if (!(r.type == ResourceId{u"LOGO", 0} && r.name == ResourceId{u"", 110})) continue;
        const std::uint32_t size = LogoInflatedSize(r.data.data(), std::uint32_t(r.data.size()));
        Bytes bmp(size);
        uLongf length = size;
        EXPECT_EQ(uncompress(bmp.data(), &length, r.data.data() + 4, uLong(r.data.size() - 4)),
                  Z_OK);
        EXPECT_EQ(length, size);
        EXPECT_NE(LogoPixelOffset(bmp.data(), size), 0u) << "the launcher refuses the bitmap";
        return bmp;
    }
    ADD_FAILURE() << "no LOGO 110";
    return {};
}

// Pixel (x, y from the top) of a bottom-up bitmap file, as 0xRRGGBB.
std::uint32_t BitmapPixel(const Bytes& bmp, std::uint32_t x, std::uint32_t y) {
    const ByteReader in(bmp);
    const std::uint32_t width = in.U32(18), height = in.U32(22), bits = in.U16(28);
    const std::size_t row =
        in.U32(10) + std::size_t{(width * bits + 31) / 32 * 4} * (height - 1 - y);
    if (bits == 24) return in.U32(row + 3 * x) & 0xFFFFFF;
    const std::size_t bit = std::size_t{x} * bits;
    const unsigned index = (bmp.at(row + bit / 8) >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
    return in.U32(54 + 4 * index) & 0xFFFFFF;
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "boxlift-cli-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        ASSERT_EQ(Run("cd '" + dir_.string() +
                      "' && '" BOXLIFT_WIXL "' -o product.msi '" BOXLIFT_TEST_WXS "'"),
                  0);
        WriteText(dir_ / "notmsi.msi", "just text\n");
        WriteText(dir_ / "bad.ini", "[settings]\ncolour = red\n");
        WriteText(dir_ / "notpe.exe", std::string(4096, 'x') + kMarker);
        WriteEmptyDatabase(dir_ / "noprops.msi");
        // An icon whose one image holds the marker's bytes.
        Bytes ico = {0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0};
        ByteWriter(ico).U32(kMarkerLength).U32(22);
        ico.insert(ico.end(), kMarker, kMarker + kMarkerLength);
        WriteFileBytes(dir_ / "marker.ico", ico);
        WriteText(dir_ / "marker.ini", "[settings]\nicon = marker.ico\n");
        ASSERT_EQ(Boxlift("build product.msi -o setup.exe"), 0) << err_;
        WriteBroken();
    }
    void TearDown() override { fs::remove_all(dir_); }

    static int Run(const std::string& command) {
        int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    // Runs the tool in the directory; its output goes to out_ and err_.
    int Boxlift(const std::string& args) {
        int code = Run("cd '" + dir_.string() + "' && '" BOXLIFT_TOOL "' " + args +
                       " >../out.log 2>../err.log");
        out_ = Take("out.log");
        err_ = Take("err.log");
        return code;
    }
    // Starts the tool on args, paths relative to the directory, its output
    // discarded and the interruption signals at their default actions.
    pid_t StartBoxlift(const std::vector<std::string>& args) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        for (int fd : {1, 2})
            posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_WRONLY, 0);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none, interruptions;
        sigemptyset(&none);
        sigemptyset(&interruptions);
        for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interruptions, signal);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &interruptions);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        std::vector<std::string> words = {BOXLIFT_TOOL};
        for (const std::string& arg : args)
            words.push_back(arg.ends_with(".msi") || arg.ends_with(".exe") ? (dir_ / arg).string()
                                                                           : arg);
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, BOXLIFT_TOOL, &actions, &attributes, argv.data(), environ), 0);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }
    // The temporary files beside the outputs; with written set, only those
    // written to already.
    std::vector<fs::path> TemporaryFiles(bool written = false) const {
        std::vector<fs::path> found;
        for (const fs::path& file : Files())
            if (file.extension() == ".tmp" && (!written || fs::file_size(file) > 0))
                found.push_back(file);
        return found;
    }
    std::string Take(const char* log) {
        fs::path path = dir_.parent_path() / log;
        Bytes text = ReadFileBytes(path);
        fs::remove(path);
        return {text.begin(), text.end()};
    }
    std::set<fs::path> Files() const {
        std::set<fs::path> files;
        for (const auto& entry : fs::recursive_directory_iterator(dir_)) files.insert(entry.path());
        return files;
    }
    // A compound file holding no Property table.
    static void WriteEmptyDatabase(const fs::path& path) {
        LibmsiDatabase* db =
            libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_CREATE, nullptr, nullptr);
        ASSERT_NE(db, nullptr);
        ASSERT_TRUE(libmsi_database_commit(db, nullptr));
        g_object_unref(db);
    }
    // A package holding 16 MB of random letters: seconds to pack at the
    // highest level on one job, well past the half second before the
    // progress bar shows.
    void WriteLargePackage() {
        std::minstd_rand random(1);
        Bytes letters(16'000'000);
        for (std::uint8_t& letter : letters)
            letter = static_cast<std::uint8_t>('a' + random() % 16);
        WriteFileBytes(dir_ / "letters.bin", letters);
        WriteText(dir_ / "large.wxs", R"(<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Large" Language="1033" Version="1.0.0" Manufacturer="Test"
           UpgradeCode="3b0f6f4e-2a51-4d0e-9a57-1c6f0e8d2b73">
    <Package InstallerVersion="200" Compressed="yes"/>
    <Binary Id="Letters" SourceFile="letters.bin"/>
    <Directory Id="TARGETDIR" Name="SourceDir"/>
    <Feature Id="Main" Level="1"/>
  </Product>
</Wix>
)");
        ASSERT_EQ(Run("cd '" + dir_.string() + "' && '" BOXLIFT_WIXL "' -o large.msi large.wxs"),
                  0);
    }
    // Copies of setup.exe, each with one breach of the payload contract.
    void WriteBroken() {
        const Bytes setup = ReadFileBytes(dir_ / "setup.exe");
        const std::size_t stream = LocatePayload(setup).streamOffset;
        recordOffset_ = stream + 4;
        auto write = [&](const char* name, auto change) {
            Bytes copy = setup;
            change(copy);
            WriteFileBytes(dir_ / name, copy);
        };
        write("trailing.exe", [](Bytes& b) { b.push_back(0); });
        write("nodb.exe", [&](Bytes& b) {
            b.resize(stream);
            AppendChunkCount(b, 1);
            AppendStoredRecord(b, ReadFileBytes(dir_ / "notmsi.msi"));
            AppendEndRecord(b);
        });
        // The last byte of the one record's Adler-32, before the end record.
        write("damaged.exe", [](Bytes& b) { b[b.size() - 2] ^= 1; });
        write("count.exe", [&](Bytes& b) { b[stream] = 5; });
        write("twice.exe", [](Bytes& b) { std::copy_n(kMarker, kMarkerLength, b.begin() + 0x40); });
        write("fixed.exe", [&](Bytes& b) {
            const Bytes package = ReadFileBytes(dir_ / "product.msi");
            b.resize(stream);
            AppendChunkCount(b, 1);
            AppendCompressedRecord(b, static_cast<std::uint32_t>(package.size()),
                                   FixedDeflate(package));
            AppendEndRecord(b);
        });
    }
    // A zlib stream of data made of fixed-Huffman blocks only.
    static Bytes FixedDeflate(ByteView data) {
        z_stream z{};
        Bytes out(data.size() * 2 + 64);
        EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, 15, 8, Z_FIXED), Z_OK);
        z.next_in = const_cast<Bytef*>(data.data());
        z.avail_in = static_cast<uInt>(data.size());
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
        out.resize(z.total_out);
        deflateEnd(&z);
        return out;
    }

    fs::path dir_;
    std::size_t recordOffset_ = 0;
    std::string out_, err_;
};

TEST_F(Cli, EveryCommandOnARealPackage) {
    const Bytes package = ReadFileBytes(dir_ / "product.msi");
    EXPECT_EQ(Boxlift("build product.msi"), 0) << err_;
    EXPECT_THAT(out_, ::testing::StartsWith("boxlift: wrote product.exe ("));
    EXPECT_TRUE(fs::exists(dir_ / "product.exe")) << "the default output: beside the package";

    ASSERT_EQ(Boxlift("inspect --json setup.exe"), 0) << err_;
    const auto report = nlohmann::json::parse(out_);
    EXPECT_EQ(report["settings"]["title"], "Café Tool Setup");
    EXPECT_EQ(report["settings"]["welcomeAsDialog"], false);
    EXPECT_TRUE(report["settings"]["exitCaption"].is_null());
    EXPECT_THAT(
        report["settings"]["diskSpaceText"].get<std::string>(),
        ::testing::AllOf(::testing::HasSubstr("%ofd_drive%"), ::testing::HasSubstr("%fd_mbytes%")));
    EXPECT_EQ(report["package"]["size"], package.size());
    EXPECT_EQ(report["records"]["count"], report["records"]["chunkCount"]);
    EXPECT_TRUE(report["signature"].is_null());
    EXPECT_EQ(report["version"]["strings"]["ProductName"], "Café Tool");
    EXPECT_EQ(report["version"]["strings"]["OriginalFilename"], "setup.exe");
    EXPECT_EQ(report["version"]["productVersion"], "2.5.1.0");

    EXPECT_EQ(Boxlift("extract setup.exe -o out"), 0) << err_;
    EXPECT_TRUE(ReadFileBytes(dir_ / "out" / "setup.msi") == package);
    EXPECT_EQ(Boxlift("verify setup.exe"), 0) << err_;
    EXPECT_EQ(out_, "boxlift: setup.exe: OK\n");
    EXPECT_EQ(Boxlift("--version"), 0);
    EXPECT_THAT(out_, ::testing::StartsWith("boxlift "));
}

// inspect names the wrapped package as deployment tools know it, the scope
// from ALLUSERS and MSIINSTALLPERUSER; a package that is no database is
// said to be so, and the rest of the report still prints.
TEST_F(Cli, InspectNamesTheWrappedPackage) {
    const std::string wxs = ReadText(BOXLIFT_TEST_WXS), package = "<Package ";
    auto variant = [&](const char* name, const char* arch, const std::string& package_attrs,
                       const std::string& properties) {
        std::string text = wxs;
        text.insert(text.find(package) + package.size(), package_attrs);
        text.insert(text.find("</Product>"), properties);
        WriteText(dir_ / (std::string(name) + ".wxs"), text);
        ASSERT_EQ(Run("cd '" + dir_.string() + "' && '" BOXLIFT_WIXL "' -a " + arch + " -o " +
                      name + ".msi " + name + ".wxs"),
                  0);
        ASSERT_EQ(Boxlift(std::string("build ") + name + ".msi -o " + name + ".exe"), 0) << err_;
    };
    variant("machine", "x64", "InstallScope=\"perMachine\" ", "");
    variant("dual", "x86", "",
            "<Property Id=\"ALLUSERS\" Value=\"2\"/>"
            "<Property Id=\"MSIINSTALLPERUSER\" Value=\"1\"/>");
    const struct {
        const char* setup;
        const char* platform;
        const char* scope;
    } cases[] = {
        {"setup.exe", "Intel", "user"},
        {"machine.exe", "x64", "machine"},
        {"dual.exe", "Intel", "user"},
    };
    const ::testing::Matcher<std::string> guid = ::testing::MatchesRegex("\\{[-0-9A-Fa-f]{36}\\}");
    for (const auto& c : cases) {
        ASSERT_EQ(Boxlift(std::string("inspect --json ") + c.setup), 0) << err_;
        const auto product = nlohmann::json::parse(out_)["product"];
        EXPECT_EQ(product["productName"], "Café Tool") << c.setup;
        EXPECT_EQ(product["manufacturer"], "Ñandú Software") << c.setup;
        EXPECT_EQ(product["productVersion"], "2.5.1") << c.setup;
        EXPECT_EQ(product["productLanguage"], "1033") << c.setup;
        EXPECT_EQ(product["upgradeCode"], "{6f1d3c2a-8b4e-4f7a-9c1d-2e5b7a9c0d14}") << c.setup;
        EXPECT_THAT(product["productCode"].get<std::string>(), guid) << c.setup;
        EXPECT_THAT(product["packageCode"].get<std::string>(), guid) << c.setup;
        EXPECT_EQ(product["platform"], c.platform) << c.setup;
        EXPECT_EQ(product["scope"], c.scope) << c.setup;
    }
    ASSERT_EQ(Boxlift("inspect nodb.exe"), 0) << err_;
    EXPECT_THAT(out_, ::testing::HasSubstr("product    (not a Windows Installer package"));
    EXPECT_THAT(out_, ::testing::HasSubstr("signature  none"));
}

// The winget manifest: YAML that reads as the same document as --json, with
// the package's identity, the file's SHA-256 and the launcher's switches
// and exit codes.
TEST_F(Cli, ManifestDescribesTheSetupForWinget) {
    const std::string url = "https://example.com/cafe/setup.exe";
    ASSERT_EQ(Boxlift("manifest setup.exe --url " + url), 0) << err_;
    WriteText(dir_ / "manifest.yaml", out_);
    ASSERT_EQ(Run("cd '" + dir_.string() +
                  "' && python3 -c 'import json, sys, yaml; "
                  "json.dump(yaml.safe_load(sys.stdin), sys.stdout)' <manifest.yaml >yaml.json"),
              0);
    const auto fromYaml = nlohmann::json::parse(ReadText(dir_ / "yaml.json"));
    ASSERT_EQ(Boxlift("manifest --json setup.exe --url " + url), 0) << err_;
    EXPECT_EQ(fromYaml, nlohmann::json::parse(out_));
    ASSERT_EQ(Boxlift("inspect --json setup.exe"), 0) << err_;
    const auto product = nlohmann::json::parse(out_)["product"];

    const Bytes setup = ReadFileBytes(dir_ / "setup.exe");
    std::unique_ptr<gchar, decltype(&g_free)> sha(
        g_compute_checksum_for_data(G_CHECKSUM_SHA256, setup.data(), setup.size()), &g_free);
    std::string digest = sha.get();
    std::ranges::transform(digest, digest.begin(), ::toupper);
    const auto& m = fromYaml;
    EXPECT_EQ(m["PackageIdentifier"], "ÑandúSoftware.CaféTool");
    EXPECT_EQ(m["PackageVersion"], "2.5.1");
    EXPECT_EQ(m["InstallerType"], "exe");
    EXPECT_EQ(m["Scope"], "user");
    EXPECT_EQ(m["InstallerSwitches"], nlohmann::json({{"Silent", "/quiet"},
                                                      {"SilentWithProgress", "/passive"},
                                                      {"Log", "/log \"<LOGPATH>\""}}));
    std::map<int, std::string> codes;
    for (const auto& code : m["ExpectedReturnCodes"])
        codes[code["InstallerReturnCode"]] = code["ReturnResponse"];
    EXPECT_EQ(codes, (std::map<int, std::string>{{112, "diskFull"},
                                                 {1602, "cancelledByUser"},
                                                 {1613, "systemNotSupported"},
                                                 {1618, "installInProgress"},
                                                 {1639, "invalidParameter"},
                                                 {1641, "rebootInitiated"},
                                                 {3010, "rebootRequiredToFinish"}}));
    EXPECT_EQ(m["ProductCode"], product["productCode"]);
    EXPECT_EQ(m["AppsAndFeaturesEntries"],
              nlohmann::json::array({{{"DisplayName", "Café Tool"},
                                      {"Publisher", "Ñandú Software"},
                                      {"DisplayVersion", "2.5.1"},
                                      {"ProductCode", product["productCode"]},
                                      {"UpgradeCode", product["upgradeCode"]},
                                      {"InstallerType", "msi"}}}));
    EXPECT_EQ(m["Installers"],
              nlohmann::json::array(
                  {{{"Architecture", "x86"}, {"InstallerUrl", url}, {"InstallerSha256", digest}}}));
    EXPECT_EQ(m["ManifestType"], "installer");
    EXPECT_EQ(m["ManifestVersion"], "1.10.0");
    ASSERT_EQ(Boxlift("manifest --json --id Acme.Cafe.Tool setup.exe --url " + url), 0) << err_;
    EXPECT_EQ(nlohmann::json::parse(out_)["PackageIdentifier"], "Acme.Cafe.Tool");
}

// A build long enough for the progress bar draws nothing where stderr is
// not a terminal; --quiet drops the summary line too.
TEST_F(Cli, BuildShowsProgressOnlyOnATerminalAndNoSummaryWhenQuiet) {
    WriteLargePackage();
    EXPECT_EQ(Boxlift("build large.msi --level 12 --jobs 1"), 0) << err_;
    EXPECT_EQ(err_, "");
    EXPECT_THAT(out_, ::testing::StartsWith("boxlift: wrote large.exe ("));
    EXPECT_EQ(Boxlift("build --quiet product.msi -o quiet.exe"), 0) << err_;
    EXPECT_EQ(out_, "");
    EXPECT_TRUE(fs::exists(dir_ / "quiet.exe"));
}

// Copies of product.msi, each with one fault in its compound-file layout,
// are refused with one line naming the file and the fault: none reaches
// libmsi (which crashed on the first), and nothing of libmsi's shows.
TEST_F(Cli, DamagedPackagesAreRefusedWithoutACrash) {
    const Bytes package = ReadFileBytes(dir_ / "product.msi");
    const ByteReader header(package);
    const std::size_t directory = (header.U32(48) + 1) * 512, fat = (header.U32(76) + 1) * 512;
    const std::uint32_t rootChild = header.U32(directory + 76);
    const struct {
        const char* name;
        std::size_t offset;
        std::optional<std::uint32_t> value;  // written at offset; none: the file ends there
        std::string fault;
    } cases[] = {
        {"minifat-start.msi", 60, 0x7FFFFFFF,
         "the MiniFAT chain runs past the end of the file (sector 2147483647)"},
        {"minifat-count.msi", 64, 0x7FFFFFFF, "the MiniFAT chain runs past the end of the file"},
        {"cut.msi", package.size() - 512, std::nullopt,
         "FAT sector 0 is sector " + std::to_string(header.U32(76)) + ", past the end of the file"},
        {"fat-past-end.msi", 76, 1000, "FAT sector 0 is sector 1000, past the end of the file"},
        {"tree-cycle.msi", directory + 128 * rootChild + 68, rootChild,
         "the directory tree has a cycle"},
        {"chain-cycle.msi", fat + 4 * header.U32(48), header.U32(48),
         "the directory chain runs into sector " + std::to_string(header.U32(48)) +
             " a second time"},
    };
    for (const auto& c : cases) {
        Bytes copy = package;
        if (c.value)
            ByteWriter(copy).PutU32(c.offset, *c.value);
        else
            copy.resize(c.offset);
        WriteFileBytes(dir_ / c.name, copy);
        EXPECT_EQ(Boxlift(std::string("build ") + c.name + " -o x.exe"), 1) << c.name;
        EXPECT_THAT(err_, ::testing::StartsWith(std::string("boxlift: ") + c.name +
                                                ": not a Windows Installer package: "));
        EXPECT_THAT(err_, ::testing::HasSubstr(c.fault)) << c.name;
        EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << c.name << ": " << err_;
        EXPECT_FALSE(fs::exists(dir_ / "x.exe")) << c.name;
    }
}

TEST_F(Cli, RefusalsExitWithTheirCodeAndWriteNothing) {
    const std::string record = "record 1 at offset " + std::to_string(recordOffset_) + ": ";
    const struct {
        std::string args;
        int code;
        std::string message;
    } cases[] = {
        {"", 2, "A subcommand is required"},
        {"frobnicate setup.exe", 2, "frobnicate"},
        {"build", 2, "PACKAGE is required"},
        {"build product.msi --colour red", 2, "--colour"},
        {"inspect", 2, "SETUP is required"},
        {"build missing.msi -o x.exe", 1, "missing.msi: cannot open: No such file"},
        {"build -q missing.msi -o x.exe", 1, "missing.msi: cannot open: No such file"},
        {"build notmsi.msi -o x.exe", 1, "notmsi.msi: not a Windows Installer package"},
        {"build noprops.msi -o x.exe", 1, "noprops.msi: has no Property table"},
        {"build product.msi -o product.msi", 1, "product.msi: is the same file as the input"},
        {"build product.msi --config bad.ini -o x.exe", 1, "bad.ini:2: colour: unknown key"},
        {"build product.msi --config none.ini -o x.exe", 1, "none.ini: cannot open"},
        {"build product.msi --launcher notpe.exe -o x.exe", 1, "notpe.exe: not a PE image"},
        {"build product.msi --config marker.ini -o x.exe", 1,
         "marker.ico: the launcher with this icon: holds the marker 2 times, expected once"},
        {"build product.msi --config large-logo.ini -o x.exe", 1,
         "large.png: the logo is 162 x 313 pixels; at most 161 x 313 fit the panel"},
        {"build product.msi --config cut-logo.ini -o x.exe", 1,
         "cut.png: damaged PNG file: the file ends early"},
        {"build product.msi --config msi-logo.ini -o x.exe", 1,
         "product.msi: not a PNG or BMP file"},
        {"inspect missing.exe", 1, "missing.exe: cannot open"},
        {"inspect product.msi", 1, "product.msi: not a PE image"},
        {"inspect --codepage 99999 setup.exe", 1, "99999 is not a code page"},
        {"manifest setup.exe", 2, "--url is required"},
        {"manifest setup.exe --url ftp://example.com/s.exe", 1, "--url: \"ftp://example.com"},
        {"manifest setup.exe --url https://example.com/s.exe --id Acme", 1,
         "--id: \"Acme\" is no winget PackageIdentifier"},
        {"manifest nodb.exe --url https://example.com/s.exe", 1,
         "nodb.exe: cannot read the package's identity: not a Windows Installer package"},
        {"extract damaged.exe -o out", 1, "damaged.exe: " + record + "the zlib stream is corrupt"},
        {"verify damaged.exe", 1, record + "the zlib stream is corrupt"},
        {"verify trailing.exe", 1, "1 bytes follow the end record"},
        {"verify count.exe", 1, "chunkCount is 5 but the stream holds 1 records"},
        {"verify twice.exe", 1, "the launcher image holds the marker 2 times, expected once"},
        {"verify fixed.exe", 1, record + "the zlib stream holds a fixed-Huffman block"},
        {"verify damaged.exe", 1, "the PE checksum in the header does not match the file"},
        // Neither a device replaced by a regular file, nor a FIFO waited on.
        {"build product.msi -o /dev/null", 1, "/dev/null: is not a regular file"},
        {"build fifo.msi -o x.exe", 1, "fifo.msi: is not a regular file"},
        {"build product.msi -o ''", 2, "the file name is empty"},
    };
    ASSERT_EQ(mkfifo((dir_ / "fifo.msi").c_str(), 0600), 0);
    WriteFileBytes(dir_ / "large.png", Png(Stripes(162, 313, 2)));
    const Bytes png = Png(Stripes(40, 40, 300));
    WriteFileBytes(dir_ / "cut.png", ByteView(png).first(png.size() / 2));
    for (auto [ini, logo] : {std::pair{"large-logo.ini", "large.png"},
                             {"cut-logo.ini", "cut.png"},
                             {"msi-logo.ini", "product.msi"}})
        WriteText(dir_ / ini, std::string("[settings]\nlogo = ") + logo + "\n");
    const std::set<fs::path> before = Files();
    for (const auto& c : cases) {
        EXPECT_EQ(Boxlift(c.args), c.code) << c.args;
        EXPECT_THAT(err_, ::testing::HasSubstr(c.message)) << c.args;
        EXPECT_EQ(out_, "") << c.args;
        EXPECT_TRUE(Files() == before) << c.args << ": wrote a file";
    }
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

// Without --codepage, texts the default code page cannot decode show their
// bytes above 127 (and the backslash) as \xNN; --codepage decodes them, and
// the report names the code pages every text is valid in.
TEST_F(Cli, InspectEscapesTextsAndNamesTheirCodePages) {
    // Every text that names the product replaced: the code pages lack its é.
    for (auto [codepage, title] : {std::pair{"1251", "\xd1\x92\\"},  // ђ\, 0x90 0x5C
                                   std::pair{"932", "\xe6\x97\xa5\xe3\x80\x82"}}) {  // 日。
        std::string config = std::string("[settings]\ncodepage = ") + codepage + "\n";
        for (const char* key : {"title", "errorText", "welcomeText", "engineMissingText",
                                "diskSpaceText", "dialogHeading", "progressText", "cancelQuestion"})
            config += std::string(key) + " = " + title + "\n";
        WriteText(dir_ / (std::string("cp") + codepage + ".ini"), config);
        ASSERT_EQ(Boxlift(std::string("build product.msi --config cp") + codepage + ".ini -o cp" +
                          codepage + ".exe"),
                  0)
            << err_;
    }
    const struct {
        std::string args;
        std::string title;  // as the JSON holds it
        std::string line;   // as the text shows it
        nlohmann::json shown;
        unsigned validIn;
    } cases[] = {
        {"cp1251.exe", R"(\x90\x5C)", R"(title = "\x90\x5C")", nullptr, 1251},
        {"--codepage 1251 cp1251.exe", "\xd1\x92\\", "title = \"\xd1\x92\\\\\"", 1251, 1251},
        {"cp932.exe", R"(\x93\xFA\x81B)", R"(title = "\x93\xFA\x81B")", nullptr, 932},
        {"--codepage 932 cp932.exe", "\xe6\x97\xa5\xe3\x80\x82",
         "title = \"\xe6\x97\xa5\xe3\x80\x82\"", 932, 932},
        // What a Western setup showed before: decoded in the default code page.
        {"setup.exe", "Caf\xc3\xa9 Tool Setup", "title = \"Caf\xc3\xa9 Tool Setup\"", 1252, 1252},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Boxlift("inspect --json " + c.args), 0) << c.args << ": " << err_;
        const auto report = nlohmann::json::parse(out_);
        EXPECT_EQ(report["settings"]["title"], c.title) << c.args;
        EXPECT_EQ(report["codepage"]["shown"], c.shown) << c.args;
        EXPECT_THAT(report["codepage"]["validIn"], ::testing::Contains(c.validIn)) << c.args;
        ASSERT_EQ(Boxlift("inspect " + c.args), 0) << c.args << ": " << err_;
        EXPECT_THAT(out_, ::testing::HasSubstr("settings   " + c.line)) << c.args;
    }
}

// SIGINT, SIGTERM or SIGHUP while build writes: the temporary file goes,
// no output is left, and the tool ends with the signal.
TEST_F(Cli, InterruptedBuildRemovesItsTemporaryFile) {
    WriteLargePackage();
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const pid_t pid =
            StartBoxlift({"build", "large.msi", "--level", "12", "--jobs", "1", "-o", "large.exe"});
        ASSERT_GT(pid, 0);
        int status = 0;
        bool ended = false;
        // Written to: the file is held for removal by then.
        while (TemporaryFiles(true).empty() && !(ended = waitpid(pid, &status, WNOHANG) == pid))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_FALSE(ended) << strsignal(signal) << ": the build ended before it was interrupted";
        ASSERT_EQ(kill(pid, signal), 0);
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal)
            << strsignal(signal) << ": status " << status;
        EXPECT_THAT(TemporaryFiles(), ::testing::IsEmpty()) << strsignal(signal);
        EXPECT_FALSE(fs::exists(dir_ / "large.exe")) << strsignal(signal);
        for (const fs::path& left : TemporaryFiles()) fs::remove(left);  // for the next signal
    }
}

// logo = FILE: a PNG or a BMP becomes LOGO 110 at the fewest bits per pixel
// that hold its colours, every pixel the file's own, a transparent one
// blended over the panel's white.
TEST_F(Cli, LogoReplacesTheBannerWithTheVendorsPixels) {
    Pixels blended = Stripes(30, 20, 300);
    blended.argb[0] = 0x80FF0000;  // half-transparent red: 255, 127, 127 over white
    blended.argb[1] = 0x00123456;  // transparent: white
    const struct {
        const char* file;
        Bytes bytes;
        Pixels pixels;
        unsigned bits;
    } cases[] = {
        {"blended.png", Png(blended), blended, 24},
        {"three.bmp", Bmp24(Stripes(7, 5, 3)), Stripes(7, 5, 3), 4},
        {"two.png", Png(Stripes(161, 313, 2)), Stripes(161, 313, 2), 1},
        {"many.bmp", Bmp24(Stripes(16, 16, 256)), Stripes(16, 16, 256), 8},
    };
    for (const auto& c : cases) {
        WriteFileBytes(dir_ / c.file, c.bytes);
        WriteText(dir_ / "logo.ini", std::string("[settings]\nlogo = ") + c.file + "\n");
        ASSERT_EQ(Boxlift("build product.msi --config logo.ini -o logo.exe"), 0) << err_;
        const Bytes bmp = LogoBitmap(ReadFileBytes(dir_ / "logo.exe"));
        ASSERT_GE(bmp.size(), 54u) << c.file;
        const ByteReader in(bmp);
        EXPECT_EQ(in.U32(18), c.pixels.width) << c.file;
        EXPECT_EQ(in.U32(22), c.pixels.height) << c.file << ": bottom-up";
        EXPECT_EQ(in.U16(28), c.bits) << c.file;
        int wrong = 0;
        for (std::uint32_t y = 0; y < c.pixels.height; ++y)
            for (std::uint32_t x = 0; x < c.pixels.width; ++x) {
                const std::uint32_t argb = c.pixels.argb[y * c.pixels.width + x];
                std::uint32_t expected = argb & 0xFFFFFF;
                if (argb == 0x80FF0000) expected = 0xFF7F7F;
                if (argb >> 24 == 0) expected = 0xFFFFFF;
                wrong += BitmapPixel(bmp, x, y) != expected;
            }
        EXPECT_EQ(wrong, 0) << c.file << ": pixels differ from the file's";
    }
}

// The line at its start, halfway, done, for an empty package, for hours
// left, and cut down to narrower widths: bar first, then fields from the right.
TEST(ProgressLine, ShowsWhatIsKnownInTheWidthGiven) {
    const struct {
        std::uint64_t done, total;
        double seconds;
        std::size_t width;
        std::string line;
    } cases[] = {
        {0, 100'000'000, 0.6, 60, "[-------------------------------------]   0%    0.0/100.0 MB"},
        {50'000'000, 100'000'000, 2, 60,
         "[#######-------]  50%   50.0/100.0 MB   25.0 MB/s  0:02 left"},
        {100'000'000, 100'000'000, 4, 60,
         "[##############] 100%  100.0/100.0 MB   25.0 MB/s  0:00 left"},
        {0, 0, 1, 40, "[#####################] 100%  0.0/0.0 MB"},
        {1'000'000, 10'000'000'000, 1, 70,
         "[-----------------]   0%      1.0/10000.0 MB    1.0 MB/s  2:46:39 left"},
        {50'000'000, 100'000'000, 2, 30, " 50%   50.0/100.0 MB"},
        {50'000'000, 100'000'000, 2, 3, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatProgress(c.done, c.total, c.seconds, c.width), c.line)
            << c.done << " of " << c.total << " in " << c.width << " columns";
}

}  // namespace
}  // namespace boxlift
