// The digest of a signed package against the one its signature holds:
// wixl's packages, one with a nested storage, signed by osslsigncode with
// SHA-256 and SHA-1, with and without the metadata digest
// (MsiDigitalSignatureEx), and osslsigncode's verdict on each change made
// after signing. The files are changed here through a reading of their
// layout of this test's own, not through the reader under test.
#include <sys/wait.h>

#include <libmsi.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <regex>
#include <string>

#include "base/byte_reader.h"
#include "base/byte_writer.h"
#include "base/error.h"
#include "package/package_signature.h"
#include "platform/file_io.h"

namespace boxlift {
namespace {

namespace fs = std::filesystem;

struct Output {
    int code;
    std::string text;  // stdout and stderr
};

Output RunCommand(const std::string& command) {
    Output out{-1, ""};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    while (const std::size_t count = fread(buffer, 1, sizeof buffer, pipe))
        out.text.append(buffer, count);
    const int status = pclose(pipe);
    out.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

std::string Hex(ByteView bytes) {
    std::string hex;
    for (std::uint8_t byte : bytes)
        hex += "0123456789ABCDEF"[byte >> 4], hex += "0123456789ABCDEF"[byte & 15];
    return hex;
}

Bytes RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

// A version 3 compound file without DIFAT sectors, as wixl and osslsigncode
// write them: its FAT and where its directory entries lie.
struct TestLayout {
    explicit TestLayout(const Bytes& file) : in(file), sectorSize(1u << in.U16(30)) {
        sectors = static_cast<std::uint32_t>(file.size() / sectorSize - 1);
        for (std::uint32_t i = 0; i < in.U32(44); ++i)
            for (std::size_t k = 0; k < sectorSize; k += 4)
                fat.push_back(in.U32(Offset(in.U32(76 + 4 * i)) + k));
        for (std::uint32_t sector : Chain(in.U32(48)))
            for (std::size_t k = 0; k < sectorSize; k += 128) entries.push_back(Offset(sector) + k);
    }
    std::size_t Offset(std::uint32_t sector) const {
        return (sector + std::size_t{1}) * sectorSize;
    }
    std::vector<std::uint32_t> Chain(std::uint32_t sector) const {
        std::vector<std::uint32_t> chain;
        for (; sector < 0xFFFFFFFA; sector = fat.at(sector)) chain.push_back(sector);
        return chain;
    }
    // The offset of the first entry named name.
    std::size_t Named(std::u16string_view name) const {
        for (std::size_t entry : entries) {
            bool same = in.U16(entry + 64) == 2 * name.size() + 2;
            for (std::size_t i = 0; same && i < name.size(); ++i)
                same = in.U16(entry + 2 * i) == name[i];
            if (same) return entry;
        }
        ADD_FAILURE() << "no entry of that name";
        return 0;
    }
    // The offset of the first entry of size bytes.
    std::size_t Sized(std::uint32_t size) const {
        for (std::size_t entry : entries)
            if (in.U16(entry + 64) != 0 && in.U32(entry + 120) == size) return entry;
        ADD_FAILURE() << "no entry of " << size << " bytes";
        return 0;
    }

    ByteReader in;
    std::uint32_t sectorSize;
    std::uint32_t sectors;
    std::vector<std::uint32_t> fat;
    std::vector<std::size_t> entries;  // offsets in the file
};

// The same file with its mini sectors in reverse order in the mini stream,
// then its sectors in reverse order in the file: every chain runs backwards,
// and no two neighbours in a stream are neighbours in the file. The first
// sector and mini sector stay where they are: osslsigncode takes a chain
// that leads to sector 0 for a damaged one.
Bytes Reversed(const Bytes& original) {
    Bytes file = original;
    ByteWriter out(file);
    const TestLayout layout(original);
    const ByteReader& in = layout.in;
    const std::uint32_t ss = layout.sectorSize;
    const std::size_t root = layout.entries[0];
    const auto miniStream = layout.Chain(in.U32(root + 116));
    const auto miniFat = layout.Chain(in.U32(60));
    const std::uint32_t minis = (in.U32(root + 120) + 63) / 64;
    const auto flipMini = [&](std::uint32_t i) { return i > 0 && i < minis ? minis - i : i; };
    const auto mini = [&](std::uint32_t i) {
        return layout.Offset(miniStream[i * 64 / ss]) + i * 64 % ss;
    };
    const auto miniNext = [&](std::uint32_t i) {
        return layout.Offset(miniFat[i * 4 / ss]) + i * 4 % ss;
    };
    for (std::uint32_t i = 0; i < minis; ++i) {
        std::copy_n(original.begin() + mini(i), 64, file.begin() + mini(flipMini(i)));
        out.PutU32(miniNext(flipMini(i)), flipMini(in.U32(miniNext(i))));
    }
    for (std::size_t entry : layout.entries)
        if (original[entry + 66] == 2 && in.U32(entry + 120) < 4096)
            out.PutU32(entry + 116, flipMini(in.U32(entry + 116)));

    const Bytes middle = file;
    const ByteReader now(middle);
    const std::uint32_t n = layout.sectors;
    const auto flip = [&](std::uint32_t s) { return s > 0 && s < n ? n - s : s; };
    const auto moved = [&](std::size_t offset) {
        return layout.Offset(flip(static_cast<std::uint32_t>(offset / ss - 1))) + offset % ss;
    };
    for (std::uint32_t s = 0; s < n; ++s)
        std::copy_n(middle.begin() + layout.Offset(s), ss, file.begin() + layout.Offset(flip(s)));
    for (std::size_t field : {48, 60}) out.PutU32(field, flip(now.U32(field)));
    for (std::size_t i = 0; i < 109; ++i) out.PutU32(76 + 4 * i, flip(now.U32(76 + 4 * i)));
    for (std::uint32_t s = 0; s < layout.fat.size(); ++s) {
        const std::uint32_t at = flip(s);
        out.PutU32(layout.Offset(flip(now.U32(76 + 4 * (at * 4 / ss)))) + at * 4 % ss,
                   flip(layout.fat[s]));
    }
    for (std::size_t entry : layout.entries)
        if (middle[entry + 66] == 5 || (middle[entry + 66] == 2 && now.U32(entry + 120) >= 4096))
            out.PutU32(moved(entry) + 116, flip(now.U32(entry + 116)));
    return file;
}

// Adds a copy of the compound file inner to the package as a storage.
void InsertStorage(const fs::path& package, const char* name, const fs::path& inner) {
    GError* error = nullptr;
    LibmsiDatabase* db =
        libmsi_database_new(package.c_str(), LIBMSI_DB_FLAGS_TRANSACT, nullptr, &error);
    ASSERT_NE(db, nullptr) << error->message;
    LibmsiQuery* query =
        libmsi_query_new(db, "INSERT INTO `_Storages` (`Name`, `Data`) VALUES (?, ?)", &error);
    ASSERT_NE(query, nullptr) << error->message;
    LibmsiRecord* record = libmsi_record_new(2);
    libmsi_record_set_string(record, 1, name);
    ASSERT_TRUE(libmsi_record_load_stream(record, 2, inner.c_str()));
    ASSERT_TRUE(libmsi_query_execute(query, record, &error)) << error->message;
    libmsi_query_close(query, nullptr);
    ASSERT_TRUE(libmsi_database_commit(db, &error)) << error->message;
    g_object_unref(record);
    g_object_unref(query);
    g_object_unref(db);
}

// Metadata the writers leave zero, for the metadata digest to cover: a
// CLSID, state bits and times on the nested storage, state bits and times
// on a stream.
void SetMetadata(const fs::path& package) {
    Bytes file = ReadFileBytes(package);
    const TestLayout layout(file);
    const std::size_t nested = layout.Named(u"Nested"),
                      summary = layout.Named(u"\005SummaryInformation");
    ByteWriter out(file);
    for (std::size_t i = 0; i < 16; ++i)
        file[nested + 80 + i] = static_cast<std::uint8_t>(0xA0 + i);
    for (auto [entry, base] : {std::pair{nested, 0x11u}, {summary, 0x51u}})
        for (std::size_t i = 0; i < 5; ++i)
            out.PutU32(entry + 96 + 4 * i, base * (i + 1) + 0x01000000);
    WriteFileBytes(package, file);
}

const char* const kWxs = R"(<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Signed" Language="1033" Version="1.0.0" Manufacturer="Test"
           UpgradeCode="0e4c3a52-7d1b-4f36-b8a9-51c2d7e6f4a0">
    <Package InstallerVersion="200" Compressed="yes"/>
    <Binary Id="Large" SourceFile="large.bin"/>
    <Binary Id="Small" SourceFile="small.bin"/>
    <Directory Id="TARGETDIR" Name="SourceDir"/>
    <Feature Id="Main" Level="1"/>
  </Product>
</Wix>
)";

// large.bin fills sectors of the file, small.bin mini sectors of the mini stream.
const Bytes kLarge = RandomBytes(10000, 1), kSmall = RandomBytes(200, 2);
// The DER of the OID pkcs7-signedData.
const Bytes kSignedDataType = {0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02};

struct Signed {
    const char* file;
    const EVP_MD* (*md)();
    bool withEx;
};
const Signed kSha256{"sha256.msi", EVP_sha256, false}, kSha1{"sha1.msi", EVP_sha1, false},
    kSha256Ex{"sha256-ex.msi", EVP_sha256, true}, kSha1Ex{"sha1-ex.msi", EVP_sha1, true};

class PackageSignatureTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string pattern = (fs::temp_directory_path() / "boxlift-signature-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        WriteFileBytes(dir_ / "large.bin", kLarge);
        WriteFileBytes(dir_ / "small.bin", kSmall);
        const std::string text = kWxs;
        WriteFileBytes(dir_ / "package.wxs",
                       ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
        Expect0("'" BOXLIFT_WIXL "' -o package.msi package.wxs");
        Expect0("'" BOXLIFT_WIXL "' -o nested.msi '" BOXLIFT_TEST_WXS "'");
        InsertStorage(dir_ / "package.msi", "Nested", dir_ / "nested.msi");
        SetMetadata(dir_ / "package.msi");
        Expect0("'" BOXLIFT_OPENSSL
                "' req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem "
                "-days 2 -subj /CN=Boxlift-Test -addext extendedKeyUsage=codeSigning");
        for (const Signed& s : {kSha256, kSha1, kSha256Ex, kSha1Ex})
            Expect0(
                std::string("'" BOXLIFT_OSSLSIGNCODE "' sign -certs cert.pem -key key.pem -h ") +
                (s.md == EVP_sha1 ? "sha1" : "sha256") + (s.withEx ? " -add-msi-dse" : "") +
                " -in package.msi -out " + s.file);
    }
    static void TearDownTestSuite() { fs::remove_all(dir_); }

    static void Expect0(const std::string& command) {
        const Output out = RunCommand("cd '" + dir_.string() + "' && " + command);
        ASSERT_EQ(out.code, 0) << command << "\n" << out.text;
    }
    // osslsigncode's verdict on package: the digests its signature holds,
    // as "Current DigitalSignature" and "... MsiDigitalSignatureEx".
    static Output Verify(const Bytes& package) {
        WriteFileBytes(dir_ / "check.msi", package);
        return RunCommand("cd '" + dir_.string() +
                          "' && '" BOXLIFT_OSSLSIGNCODE "' verify -CAfile cert.pem -in check.msi");
    }
    static std::string Stored(const std::string& verdict, const std::string& stream) {
        std::smatch match;
        const std::regex line("Current " + stream + " *: ([0-9A-F]+)");
        return std::regex_search(verdict, match, line) ? match[1].str() : "none";
    }

    static fs::path dir_;
};
fs::path PackageSignatureTest::dir_;

// The digest equals the one signed, however the file lays the streams out;
// the signature streams read back as osslsigncode wrote them.
TEST_F(PackageSignatureTest, DigestIsTheOneSigned) {
    const struct {
        const char* name;
        Signed signed_;
        bool reversed;
    } cases[] = {
        {"SHA-256", kSha256, false},
        {"SHA-1", kSha1, false},
        {"SHA-256 with the metadata", kSha256Ex, false},
        {"SHA-1 with the metadata", kSha1Ex, false},
        {"every chain backwards through the file", kSha256Ex, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes original = ReadFileBytes(dir_ / c.signed_.file);
        const Bytes package = c.reversed ? Reversed(original) : original;
        ASSERT_EQ(c.reversed, package != original);
        const Output verdict = Verify(package);
        ASSERT_EQ(verdict.code, 0) << verdict.text;
        const RandomAccess access = InMemory(package);
        const EVP_MD* md = c.signed_.md();
        EXPECT_EQ(Hex(PackageDigest(access, md, c.signed_.withEx)),
                  Stored(verdict.text, "DigitalSignature"));

        const auto signature = ReadPackageSignature(access);
        ASSERT_TRUE(signature);
        fs::remove(dir_ / "pkcs7.der");  // osslsigncode writes no file that exists
        ASSERT_EQ(RunCommand("cd '" + dir_.string() +
                             "' && '" BOXLIFT_OSSLSIGNCODE
                             "' extract-signature -in check.msi -out pkcs7.der")
                      .code,
                  0);
        EXPECT_EQ(signature->pkcs7, ReadFileBytes(dir_ / "pkcs7.der"));
        ASSERT_EQ(signature->signatureEx.has_value(), c.signed_.withEx);
        if (c.signed_.withEx) {
            EXPECT_EQ(Hex(*signature->signatureEx), Stored(verdict.text, "MsiDigitalSignatureEx"));
            EXPECT_EQ(PackageMetadataDigest(access, md), *signature->signatureEx);
        }
    }
    EXPECT_FALSE(ReadPackageSignature(InMemory(ReadFileBytes(dir_ / "package.msi"))));
}

// Each change to a signed package makes osslsigncode refuse it, and the
// digest differ from the signed one, or an Error name the problem.
TEST_F(PackageSignatureTest, ChangesAfterSigningAreCaught) {
    using Change = std::function<void(Bytes&)>;
    // A byte at in the file from where its bytes are pattern.
    const auto flipAt = [](const Bytes& pattern, std::ptrdiff_t at) -> Change {
        return [&pattern, at](Bytes& file) {
            const auto found =
                std::search(file.begin(), file.end(), pattern.begin(), pattern.end());
            ASSERT_NE(found, file.end());
            found[at] ^= 1;
        };
    };
    const auto inEntry = [](std::function<std::size_t(const TestLayout&)> entry,
                            std::size_t field) -> Change {
        return [entry, field](Bytes& file) { file[entry(TestLayout(file)) + field] ^= 1; };
    };
    const auto named = [](std::u16string_view name) {
        return [name](const TestLayout& layout) { return layout.Named(name); };
    };
    const struct {
        const char* name;
        Signed signed_;
        Change change;
        std::string error;  // empty: the digest differs
    } cases[] = {
        {"a byte of a stream in sectors", kSha256, flipAt(kLarge, 5000), ""},
        {"a byte of a stream in mini sectors", kSha256, flipAt(kSmall, 100), ""},
        {"the root's CLSID", kSha256, inEntry(named(u"Root Entry"), 80), ""},
        {"the nested storage's CLSID", kSha256, inEntry(named(u"Nested"), 95), ""},
        {"the order: two streams' names swapped", kSha256,
         [](Bytes& file) {
             const TestLayout layout(file);
             std::swap_ranges(file.begin() + layout.Sized(10000),
                              file.begin() + layout.Sized(10000) + 66,
                              file.begin() + layout.Sized(200));
         },
         ""},
        {"a stream's modification time", kSha256Ex, inEntry(named(u"\005SummaryInformation"), 110),
         "the MsiDigitalSignatureEx stream does not hold the SHA256 digest of the package's "
         "metadata"},
        {"the nested storage's state bits", kSha1Ex, inEntry(named(u"Nested"), 97),
         "the MsiDigitalSignatureEx stream does not hold the SHA1 digest"},
        // The SignedData's first byte, its SEQUENCE tag: 4 bytes before its type.
        {"a damaged DigitalSignature stream", kSha256, flipAt(kSignedDataType, -4),
         "the DigitalSignature stream holds no PKCS#7 structure"},
        {"no compound file", kSha256, [](Bytes& file) { file[0] ^= 1; },
         "not a Windows Installer package: no compound-file signature"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes original = ReadFileBytes(dir_ / c.signed_.file);
        const std::string signedDigest = Stored(Verify(original).text, "DigitalSignature");
        Bytes package = original;
        c.change(package);
        ASSERT_NE(package, original);
        EXPECT_NE(Verify(package).code, 0) << "osslsigncode finds the package intact";
        const RandomAccess access = InMemory(package);
        const auto digest = [&] {
            ReadPackageSignature(access);
            return Hex(PackageDigest(access, c.signed_.md(), c.signed_.withEx));
        };
        if (c.error.empty()) {
            EXPECT_NE(digest(), signedDigest);
        } else {
            try {
                digest();
                ADD_FAILURE() << "no Error";
            } catch (const Error& e) {
                EXPECT_THAT(e.problem(), ::testing::HasSubstr(c.error));
            }
        }
    }
}

}  // namespace
}  // namespace boxlift
