// The boxlift program as a user runs it: every command on a real package,
// and each refusal with its exit code, its message and nothing written.
#include <stdlib.h>
#include <sys/wait.h>

#include <libmsi.h>
#include <nlohmann/json.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "payload_reader.h"
#include "payload_writer.h"

namespace boxlift {
namespace {

namespace fs = std::filesystem;

void WriteText(const fs::path& path, std::string_view text) {
    WriteFileBytes(path, ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "boxlift-cli-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        ASSERT_EQ(Run("cd '" + dir_.string() + "' && '" BOXLIFT_WIXL "' -o product.msi '" BOXLIFT_TEST_WXS "'"), 0);
        WriteText(dir_ / "notmsi.msi", "just text\n");
        WriteText(dir_ / "bad.ini", "[settings]\ncolour = red\n");
        WriteText(dir_ / "notpe.exe", std::string(4096, 'x') + kMarker);
        WriteEmptyDatabase(dir_ / "noprops.msi");
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
        LibmsiDatabase* db = libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_CREATE, nullptr, nullptr);
        ASSERT_NE(db, nullptr);
        ASSERT_TRUE(libmsi_database_commit(db, nullptr));
        g_object_unref(db);
    }
    // damaged.exe: the one record's Adler-32 flipped; trailing.exe: a byte
    // behind the end record.
    void WriteBroken() {
        Bytes setup = ReadFileBytes(dir_ / "setup.exe");
        recordOffset_ = LocatePayload(setup).streamOffset + 4;
        Bytes trailing = setup;
        trailing.push_back(0);
        WriteFileBytes(dir_ / "trailing.exe", trailing);
        setup[setup.size() - 2] ^= 1;  // the last byte of the Adler-32, before the end record
        WriteFileBytes(dir_ / "damaged.exe", setup);
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
    EXPECT_THAT(report["settings"]["diskSpaceText"].get<std::string>(),
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
        {"build notmsi.msi -o x.exe", 1, "notmsi.msi: not a Windows Installer package"},
        {"build noprops.msi -o x.exe", 1, "noprops.msi: has no Property table"},
        {"build product.msi -o product.msi", 1, "product.msi: is the same file as the input"},
        {"build product.msi --config bad.ini -o x.exe", 1, "bad.ini:2: colour: unknown key"},
        {"build product.msi --config none.ini -o x.exe", 1, "none.ini: cannot open"},
        {"build product.msi --launcher notpe.exe -o x.exe", 1, "notpe.exe: not a PE image"},
        {"inspect missing.exe", 1, "missing.exe: cannot open"},
        {"inspect product.msi", 1, "product.msi: not a PE image"},
        {"inspect --codepage 99999 setup.exe", 1, "99999 is not a code page"},
        {"extract damaged.exe -o out", 1, "damaged.exe: " + record + "the zlib stream is corrupt"},
        {"verify damaged.exe", 1, record + "the zlib stream is corrupt"},
        {"verify trailing.exe", 1, "1 bytes follow the end record"},
    };
    const std::set<fs::path> before = Files();
    for (const auto& c : cases) {
        EXPECT_EQ(Boxlift(c.args), c.code) << c.args;
        EXPECT_THAT(err_, ::testing::HasSubstr(c.message)) << c.args;
        EXPECT_EQ(out_, "") << c.args;
        EXPECT_TRUE(Files() == before) << c.args << ": wrote a file";
    }
}

}  // namespace
}  // namespace boxlift
