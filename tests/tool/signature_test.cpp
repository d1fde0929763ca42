// Authenticode signatures as verify and inspect check them, on the real
// ones signed_files.h makes: a setup.exe built by the tool and signed by
// osslsigncode, then spoiled one fault at a time, and setups built from
// packages their vendor signed first. osslsigncode's verify judges every
// row too, and the package wrapped in it, so that no row rests on this
// tool's word alone.
#include <stdlib.h>
#include <sys/wait.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "platform/file_io.h"
#include "signed_files.h"

namespace boxlift {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

struct Row {
    const char* setup;
    const char* ca;  // --ca's roots; "" for none, and then osslsigncode takes root.pem
    int exitCode;
    std::vector<std::string> says;  // parts of the output, each in it
    // What osslsigncode says of a file it passes all the same: it takes a
    // timestamp it finds bad as no timestamp. Null: it fails what verify
    // fails.
    const char* osslsigncodeSays = nullptr;
    // The signed package wrapped in the setup, which osslsigncode must pass
    // too for verify to pass; null for none.
    const char* package = nullptr;
};

class Signatures : public ::testing::Test {
protected:
    // verify's output and exit code for each row, and osslsigncode's
    // verdict on the same file with the same roots.
    static void ExpectRows(const std::vector<Row>& rows) {
        for (const Row& row : rows) {
            std::string output;
            const std::string ca = *row.ca ? std::string("--ca ") + row.ca + " " : "";
            EXPECT_EQ(Boxlift("verify " + ca + row.setup, output), row.exitCode)
                << row.setup << ":\n"
                << output;
            for (const std::string& part : row.says)
                EXPECT_THAT(output, HasSubstr(part)) << row.setup << " " << row.ca;
            const std::string roots = *row.ca ? row.ca : "root.pem";
            const auto osslsigncode = [&](const std::string& file) {
                return RunIn(dir_, "'" BOXLIFT_OSSLSIGNCODE "' verify -CAfile " + roots +
                                       " -TSA-CAfile " + roots + " -in " + file +
                                       " >osslsigncode.log 2>&1");
            };
            int code = osslsigncode(row.setup);
            if (row.package && code == 0) code = osslsigncode(row.package);
            const Bytes said = Read("osslsigncode.log");
            if (row.osslsigncodeSays)
                EXPECT_THAT(std::string(said.begin(), said.end()), HasSubstr(row.osslsigncodeSays))
                    << row.setup;
            else
                EXPECT_EQ(code == 0, row.exitCode == 0) << row.setup << ": osslsigncode disagrees";
        }
    }

    static void SetUpTestSuite() {
        std::string pattern = (fs::temp_directory_path() / "boxlift-signature-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        MakeSignedFiles(dir_, {BOXLIFT_WIXL, BOXLIFT_TOOL, BOXLIFT_OSSLSIGNCODE, BOXLIFT_OPENSSL});
    }
    static void TearDownTestSuite() { fs::remove_all(dir_); }

    // The tool's output, standard error after standard output.
    static int Boxlift(const std::string& args, std::string& output) {
        const fs::path log = dir_ / "boxlift.log";
        const int raw = std::system(
            ("cd '" + dir_.string() + "' && '" BOXLIFT_TOOL "' " + args +
             " >boxlift.log 2>boxlift.err; code=$?; cat boxlift.err >>boxlift.log; exit $code")
                .c_str());
        const Bytes text = ReadFileBytes(log);
        output.assign(text.begin(), text.end());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    static Bytes Read(const char* name) { return ReadFileBytes(dir_ / name); }

    static inline fs::path dir_;
};

TEST_F(Signatures, EachSignatureIsReportedAndProvesTheFile) {
    const std::string noCa = "  chain       not checked (no --ca)\n";
    const std::string toRoot = "verified to CN=Boxlift Test Root at the ";
    const std::vector<Row> rows = {
        {"sha256.exe",
         "",
         0,
         {"boxlift: sha256.exe: signature 1\n  digest      sha256 ",
          " matches the file\n  signer      " + kSigner +
              "\n  issuer      CN=Boxlift Test Code Signing CA\n  serial      1A2B3C\n  valid ",
          "  timestamp   none\n" + noCa, "boxlift: sha256.exe: OK (signed)\n"}},
        {"nested.exe",
         "",
         0,
         {"signature 1\n  digest      sha1 ", "matches the file",
          "signature 2 (nested in signature 1)\n  digest      sha256 ", "OK (signed)"}},
        {"rfc3161.exe",
         "",
         0,
         {" UTC (RFC 3161) by CN=Boxlift Test TSA, verified\n  tsa chain   not checked (no "
          "--ca)\n" +
          noCa}},
        {"countersigned.exe",
         "",
         0,
         {" UTC (Authenticode countersignature) by CN=Boxlift Test TSA, verified\n"}},
        {"pagehashes.exe", "", 0, {"  page hashes sha256, not checked\n"}},
        {"rfc3161.exe",
         "root.pem",
         0,
         {"  tsa chain   " + toRoot + "timestamp's time\n  chain       " + toRoot +
          "timestamp's time\n"}},
        {"countersigned.exe", "root.pem", 0, {"  tsa chain   " + toRoot + "timestamp's time\n"}},
        {"nested.exe", "root.pem", 0, {"  chain       " + toRoot + "current time\n"}},
        {"signed.exe",
         "root.pem",
         0,
         {"boxlift: signed.exe: package signature 1\n  digest      sha256 ",
          " matches the package\n  signer      " + kSigner + "\n",
          "  chain       " + toRoot + "current time\nboxlift: signed.exe: OK (signed)\n"},
         nullptr,
         "signed.msi"},
        {"vendor.exe",
         "",
         0,
         {"package signature 1\n  digest      sha256 ", "  signer      " + kVendor + "\n",
          "boxlift: vendor.exe: warning: the package is signed by " + kVendor +
              ", the setup.exe by " + kSigner + "\nboxlift: vendor.exe: OK (signed)\n"},
         nullptr,
         "vendor.msi"},
    };
    ExpectRows(rows);
}

TEST_F(Signatures, EveryFaultIsAProblemOfItsOwn) {
    const std::string digest = "signature 1: the file's sha256 digest ";
    const std::string packageDigest = "package signature 1: the package's sha256 digest ";
    const std::string mismatch = " does not match the signed digest ";
    const std::string badSignature =
        "signature 1: the signature over the authenticated attributes does not verify with the "
        "key of " +
        kSigner + "\n";
    const std::string fails = " fails at the timestamp's time: ";
    const std::vector<Row> rows = {
        {"stored.exe", "", 1, {"1 problem(s):\n  " + digest, mismatch}},
        {"compressed.exe", "", 1, {digest, mismatch, "the zlib stream is corrupt"}},
        {"code.exe", "", 1, {"1 problem(s):\n  " + digest, mismatch}},
        {"settings.exe", "", 1, {"1 problem(s):\n  " + digest, mismatch}},
        {"impostor.exe", "", 1, {"1 problem(s):\n  " + badSignature}},
        {"attributes.exe", "", 1, {"1 problem(s):\n  " + badSignature}},
        {"grafted.exe",
         "",
         1,
         {"1 problem(s):\n  signature 1: timestamp (RFC 3161): it is over another signature: "
          "its message imprint ",
          "(RFC 3161) by CN=Boxlift Test TSA, not verified\n"},
         "Timestamp Server Signature verification: failed"},
        {"rfc3161.exe",
         "unrelated.pem",
         1,
         {"2 problem(s):\n  signature 1: timestamp (RFC 3161): the chain of CN=Boxlift Test "
          "TSA" +
              fails + "CN=Boxlift Test TSA: unable to get local issuer certificate\n",
          "signature 1: the chain of " + kSigner + fails +
              "CN=Boxlift Test Code Signing CA: unable to get local issuer certificate\n"}},
        {"flipped.exe",
         "",
         1,
         {"1 problem(s):\n  " + packageDigest, mismatch},
         nullptr,
         "flipped.msi"},
    };
    ExpectRows(rows);
    // Each flipped file names both digests: the one signed is the good file's.
    const struct {
        const char *good, *flipped;
        std::string heading, problem;
    } flips[] = {
        {"sha256.exe", "stored.exe", "signature 1\n  digest      sha256 ", digest},
        {"signed.exe", "flipped.exe", "package signature 1\n  digest      sha256 ", packageDigest},
    };
    for (const auto& flip : flips) {
        std::string good, flipped;
        Boxlift(std::string("verify ") + flip.good, good);
        Boxlift(std::string("verify ") + flip.flipped, flipped);
        const std::size_t at = good.find(flip.heading);
        ASSERT_NE(at, std::string::npos) << good;
        const std::string signedDigest = good.substr(at + flip.heading.size(), 64);
        EXPECT_THAT(flipped, ::testing::ContainsRegex(flip.problem + "[0-9A-F]{64}" + mismatch));
        EXPECT_THAT(flipped, HasSubstr(mismatch + signedDigest + "\n"));
    }
}

// inspect reports the same facts, as text lines and in its JSON, the
// package's signatures after the setup's.
TEST_F(Signatures, InspectReportsEverySignature) {
    std::string text, json;
    ASSERT_EQ(Boxlift("inspect nested.exe", text), 0) << text;
    EXPECT_THAT(text, HasSubstr("signature  2 nested in   signature 1\n"
                                "signature  2 digest      sha256 "));
    EXPECT_THAT(text, HasSubstr("signature  1 signer      " + kSigner + "\n"));
    EXPECT_THAT(text, ::testing::EndsWith("\npackage signature  none\n"));
    ASSERT_EQ(Boxlift("inspect vendor.exe", text), 0) << text;
    EXPECT_THAT(text, ::testing::ContainsRegex(
                          "\nsignature  1 chain       [^\n]*\npackage signature  Authenticode, "
                          "[0-9]+ bytes in the DigitalSignature stream\npackage signature  1 "
                          "digest      sha256 [0-9A-F]{64} matches the package\n"));
    ASSERT_EQ(Boxlift("inspect --json vendor.exe", json), 0) << json;
    const auto package = nlohmann::json::parse(json)["packageSignature"];
    ASSERT_EQ(package["signatures"].size(), 1u) << json;
    EXPECT_EQ(package["signatures"][0]["signer"]["subject"], kVendor);
    EXPECT_EQ(package["signatures"][0]["digest"]["matches"], true);
    ASSERT_EQ(Boxlift("inspect --json --ca root.pem rfc3161.exe", json), 0) << json;
    const auto report = nlohmann::json::parse(json);
    const auto& signature = report["signature"];
    EXPECT_TRUE(signature["offset"].is_number() && signature["size"].is_number());
    ASSERT_EQ(signature["signatures"].size(), 1u);
    const auto& first = signature["signatures"][0];
    EXPECT_EQ(first["digest"]["matches"], true);
    EXPECT_EQ(first["signer"]["subject"], kSigner);
    EXPECT_EQ(first["signer"]["serial"], "1A2B3C");
    EXPECT_EQ(first["timestamp"]["kind"], "RFC 3161");
    EXPECT_EQ(first["timestamp"]["authority"]["subject"], "CN=Boxlift Test TSA");
    EXPECT_EQ(first["chain"], "verified to CN=Boxlift Test Root at the timestamp's time");
    EXPECT_TRUE(first["problems"].empty());
    EXPECT_TRUE(report.contains("packageSignature") && report["packageSignature"].is_null());
}

}  // namespace
}  // namespace boxlift
