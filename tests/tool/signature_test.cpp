// Authenticode signatures as verify and inspect check them, on real ones:
// certificates made here with the openssl command, a setup.exe built by the
// tool and signed by osslsigncode (its own test timestamp authority makes
// the RFC 3161 tokens), then spoiled one fault at a time; and setups built
// from packages their vendor signed first. osslsigncode's verify judges
// every row too, and the package wrapped in it, so that no row rests on
// this tool's word alone.
#include <openssl/pem.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>

#include "base/byte_reader.h"
#include "base/byte_writer.h"
#include "image/certificate_table.h"
#include "image/pe_image.h"
#include "payload/payload_reader.h"
#include "platform/file_io.h"

namespace boxlift {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const std::string kSigner = "CN=Boxlift Test Signer, O=Boxlift Tests, C=GB";
const std::string kSignerSubject = "/CN=Boxlift Test Signer/O=Boxlift Tests/C=GB";
const std::string kVendor = "CN=Boxlift Test Vendor, O=Boxlift Tests, C=GB";
const std::string kVendorSubject = "/CN=Boxlift Test Vendor/O=Boxlift Tests/C=GB";

using Pkcs7 = std::unique_ptr<PKCS7, decltype(&PKCS7_free)>;
using Certificate = std::unique_ptr<X509, decltype(&X509_free)>;

void WriteText(const fs::path& path, std::string_view text) {
    WriteFileBytes(path, ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

PKCS7_SIGNER_INFO* Signer(PKCS7* p7) {
    return sk_PKCS7_SIGNER_INFO_value(p7->d.sign->signer_info, 0);
}

Pkcs7 ParsePkcs7(ByteView der) {
    const unsigned char* at = der.data();
    return {d2i_PKCS7(nullptr, &at, static_cast<long>(der.size())), PKCS7_free};
}

// The DER in the one entry of a signed file's certificate table.
Bytes SignatureDer(const Bytes& setup) {
    const PeDirectory table = ParsePe(setup).directories[kSecurityDirectory];
    const std::vector<CertificateEntry> entries = ReadCertificateTable(InMemory(setup), table);
    EXPECT_EQ(entries.size(), 1u);
    const auto begin = setup.begin() + static_cast<std::ptrdiff_t>(entries[0].offset + 8);
    return {begin, begin + static_cast<std::ptrdiff_t>(entries[0].signatureLength)};
}

void FixChecksum(Bytes& setup) {
    const PeImage image = ParsePe(setup);
    ByteWriter(setup).PutU32(image.checksumOffset, PeChecksum(setup, image.checksumOffset));
}

// The signed file with p7 in place of its signature: one WIN_CERTIFICATE,
// the security directory and the checksum made to match.
Bytes WithSignature(Bytes setup, PKCS7* p7) {
    unsigned char* der = nullptr;
    const int length = i2d_PKCS7(p7, &der);
    EXPECT_GT(length, 0);
    const PeImage image = ParsePe(setup);
    const std::uint32_t at = image.directories[kSecurityDirectory].address;
    const auto entry = static_cast<std::uint32_t>((8 + length + 7) / 8 * 8);
    setup.resize(at);
    ByteWriter(setup).U32(entry).U16(kCertificateRevision).U16(kPkcsSignedData);
    ByteWriter(setup).Append(ByteView(der, static_cast<std::size_t>(length))).Align(8);
    OPENSSL_free(der);
    ByteWriter(setup).PutU32(image.directoryOffset + 8 * kSecurityDirectory + 4, entry);
    FixChecksum(setup);
    return setup;
}

// The file offset of the middle of the first record of type's data.
std::size_t FirstRecordData(const Bytes& setup, std::uint8_t type) {
    const ByteReader in(setup);
    for (std::size_t at = LocatePayload(setup).streamOffset + 4; setup.at(at) != kEndRecord;) {
        const bool stored = setup[at] == kStoredRecord;
        const std::size_t data = at + (stored ? 5 : 9), size = in.U32(at + (stored ? 1 : 5));
        if (setup[at] == type) return data + size / 2;
        at = data + size;
    }
    ADD_FAILURE() << "no record of type " << int{type};
    return 0;
}

std::size_t CodeOffset(const Bytes& setup) {
    for (const PeSection& s : ParsePe(setup).sections)
        if (s.name == ".text") return s.rawOffset + s.rawSize / 2;
    ADD_FAILURE() << "no .text section";
    return 0;
}

// A copy with one bit of the byte at offset flipped, its checksum right.
Bytes Flipped(Bytes setup, std::size_t offset) {
    setup.at(offset) ^= 1;
    FixChecksum(setup);
    return setup;
}

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
                return Run("'" BOXLIFT_OSSLSIGNCODE "' verify -CAfile " + roots + " -TSA-CAfile " +
                           roots + " -in " + file + " >osslsigncode.log 2>&1");
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
        MakeCertificates();
        MakeSetup();
        SignSetups();
        SignPackages();
    }
    static void TearDownTestSuite() { fs::remove_all(dir_); }

    // A shell command in the directory; its output goes to setup.log.
    static int Run(const std::string& command) {
        const int raw = std::system(
            ("cd '" + dir_.string() + "' && { " + command + "; } >>setup.log 2>&1").c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    static void Must(const std::string& command) {
        ASSERT_EQ(Run(command), 0) << command << "\n" << ReadLog();
    }
    static std::string ReadLog() {
        const Bytes log = ReadFileBytes(dir_ / "setup.log");
        return {log.begin(), log.end()};
    }
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

    // A root, an intermediate and a code-signing leaf under it; a
    // timestamping authority under the root; an impostor leaf with the
    // leaf's subject, issuer and serial and a key of its own; a second root
    // that issued none of them.
    static void MakeCertificates() {
        const std::string openssl = "'" BOXLIFT_OPENSSL "' ";
        WriteText(dir_ / "ca.ext",
                  "basicConstraints=critical,CA:TRUE\n"
                  "keyUsage=critical,keyCertSign,cRLSign\n");
        WriteText(dir_ / "signer.ext", "extendedKeyUsage=codeSigning\n");
        WriteText(dir_ / "tsa.ext", "extendedKeyUsage=critical,timeStamping\n");
        for (const char* root : {"root:Boxlift Test Root", "unrelated:Boxlift Unrelated Root"}) {
            const std::string name(root, std::strchr(root, ':'));
            Must(openssl + "req -x509 -newkey rsa:2048 -nodes -days 30 -keyout " + name +
                 ".key -out " + name + ".pem -subj '/CN=" + (std::strchr(root, ':') + 1) +
                 "' -addext basicConstraints=critical,CA:TRUE"
                 " -addext keyUsage=critical,keyCertSign,cRLSign");
        }
        auto issue = [&](const std::string& name, const std::string& subject, const std::string& ca,
                         const char* serial, const char* extensions) {
            Must(openssl + "req -newkey rsa:2048 -nodes -keyout " + name + ".key -out " + name +
                 ".csr -subj '" + subject + "'");
            Must(openssl + "x509 -req -in " + name + ".csr -CA " + ca + ".pem -CAkey " + ca +
                 ".key -set_serial " + serial + " -days 30 -extfile " + extensions + " -out " +
                 name + ".pem");
        };
        issue("intermediate", "/CN=Boxlift Test Code Signing CA", "root", "2", "ca.ext");
        issue("signer", kSignerSubject, "intermediate", "0x1A2B3C", "signer.ext");
        issue("impostor", kSignerSubject, "intermediate", "0x1A2B3C", "signer.ext");
        issue("tsa", "/CN=Boxlift Test TSA", "root", "4", "tsa.ext");
        issue("vendor", kVendorSubject, "intermediate", "5", "signer.ext");
        for (const char* leaf : {"signer", "vendor"})
            Must(std::string("cat ") + leaf + ".pem intermediate.pem >" + leaf + "-chain.pem");
    }

    // The test package with 150,000 random bytes beside it, which the
    // tool stores, its tables compressed.
    static void MakeSetup() {
        std::minstd_rand random(7);
        Bytes noise(150'000);
        for (std::uint8_t& byte : noise) byte = static_cast<std::uint8_t>(random());
        WriteFileBytes(dir_ / "noise.bin", noise);
        WriteText(dir_ / "product.wxs", R"(<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="*" Name="Signed" Language="1033" Version="1.0.0" Manufacturer="Test"
           UpgradeCode="0c7e3f52-6a0b-4f4e-8a63-5d2b9e1f7a40">
    <Package InstallerVersion="200" Compressed="yes"/>
    <Binary Id="Noise" SourceFile="noise.bin"/>
    <Directory Id="TARGETDIR" Name="SourceDir"/>
    <Feature Id="Main" Level="1"/>
  </Product>
</Wix>
)");
        Must("'" BOXLIFT_WIXL "' -o product.msi product.wxs");
        Must("'" BOXLIFT_TOOL "' build -q product.msi -o setup.exe");
    }

    static void Sign(const std::string& options, const std::string& in, const std::string& out,
                     const std::string& leaf = "signer") {
        Must("'" BOXLIFT_OSSLSIGNCODE "' sign -certs " + leaf + "-chain.pem -key " + leaf +
             ".key " + options + " -in " + in + " -out " + out);
    }

    // NAME.exe: a setup built from the signed package NAME.msi, then signed
    // by the signer.
    static void Wrap(const std::string& name) {
        Must("'" BOXLIFT_TOOL "' build -q " + name + ".msi -o " + name + "-unsigned.exe");
        Sign("-h sha256", name + "-unsigned.exe", name + ".exe");
    }

    // The packages their vendors signed, and the setups wrapping them: one
    // signed by the signer, the same with a byte of its noise stream
    // flipped after signing, and one signed by the vendor's leaf.
    static void SignPackages() {
        Sign("-h sha256", "product.msi", "signed.msi");
        Wrap("signed");
        Bytes package = Read("signed.msi");
        const Bytes noise = Read("noise.bin");
        const auto slice = noise.begin() + 75'000;
        const auto found = std::search(package.begin(), package.end(), slice, slice + 64);
        ASSERT_NE(found, package.end()) << "the noise stream is not in the package";
        *found ^= 1;
        WriteFileBytes(dir_ / "flipped.msi", package);
        Wrap("flipped");
        Sign("-h sha256", "product.msi", "vendor.msi", "vendor");
        Wrap("vendor");
    }

    // The signed files the tests read, each spoiled copy made from them.
    static void SignSetups() {
        const std::string tsa =
            "-TSA-certs tsa.pem -TSA-key tsa.key -TSA-time " + std::to_string(std::time(nullptr));
        Sign("-h sha256 -n Boxlift", "setup.exe", "sha256.exe");
        Sign("-h sha256 -n Other", "setup.exe", "other.exe");
        Sign("-h sha1", "setup.exe", "sha1.exe");
        Sign("-nest -h sha256", "sha1.exe", "nested.exe");
        Sign("-h sha256 " + tsa, "setup.exe", "rfc3161.exe");
        Sign("-h sha256 -ph", "setup.exe", "pagehashes.exe");
        WriteFileBytes(dir_ / "countersigned.exe", Countersigned(Read("sha256.exe")));
        const Bytes good = Read("sha256.exe");
        WriteFileBytes(dir_ / "stored.exe", Flipped(good, FirstRecordData(good, kStoredRecord)));
        WriteFileBytes(dir_ / "compressed.exe",
                       Flipped(good, FirstRecordData(good, kCompressedRecord)));
        WriteFileBytes(dir_ / "code.exe", Flipped(good, CodeOffset(good)));
        WriteFileBytes(dir_ / "settings.exe", Flipped(good, LocatePayload(good).blockOffset));
        WriteFileBytes(dir_ / "impostor.exe", Impostor(good));
        WriteFileBytes(dir_ / "attributes.exe", AttributeAdded(good));
        WriteFileBytes(dir_ / "grafted.exe", Grafted(Read("rfc3161.exe"), Read("other.exe")));
    }

    static Bytes Read(const char* name) { return ReadFileBytes(dir_ / name); }

    static Certificate ReadCertificate(const char* name) {
        const Bytes pem = Read(name);
        BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
        Certificate certificate(PEM_read_bio_X509(bio, nullptr, nullptr, nullptr), X509_free);
        BIO_free(bio);
        EXPECT_TRUE(certificate) << name;
        return certificate;
    }

    // The signature with an older Authenticode countersignature: openssl
    // cms signs the signer's signature value as the authority, and its
    // SignerInfo goes among the signer's unauthenticated attributes, the
    // authority's certificate among the signature's.
    static Bytes Countersigned(const Bytes& setup) {
        const Bytes der = SignatureDer(setup);
        Pkcs7 p7 = ParsePkcs7(der);
        PKCS7_SIGNER_INFO* signer = Signer(p7.get());
        WriteFileBytes(dir_ / "value.bin",
                       ByteView(signer->enc_digest->data,
                                static_cast<std::size_t>(signer->enc_digest->length)));
        Must("'" BOXLIFT_OPENSSL
             "' cms -sign -binary -in value.bin -signer tsa.pem "
             "-inkey tsa.key -md sha256 -nosmimecap -outform DER -out countersignature.der");
        const Pkcs7 cms = ParsePkcs7(Read("countersignature.der"));
        unsigned char* info = nullptr;
        const int length = i2d_PKCS7_SIGNER_INFO(Signer(cms.get()), &info);
        ASN1_STRING* sequence = ASN1_STRING_new();
        ASN1_STRING_set(sequence, info, length);
        OPENSSL_free(info);
        PKCS7_add_attribute(signer, NID_pkcs9_countersignature, V_ASN1_SEQUENCE, sequence);
        PKCS7_add_certificate(p7.get(), ReadCertificate("tsa.pem").get());
        return WithSignature(setup, p7.get());
    }

    // The signer's certificate replaced by the impostor's.
    static Bytes Impostor(const Bytes& setup) {
        Pkcs7 p7 = ParsePkcs7(SignatureDer(setup));
        const Certificate signer = ReadCertificate("signer.pem");
        Certificate impostor = ReadCertificate("impostor.pem");
        STACK_OF(X509)* certificates = p7->d.sign->cert;
        for (int i = 0; i < sk_X509_num(certificates); ++i) {
            X509* certificate = sk_X509_value(certificates, i);
            if (X509_cmp(certificate, signer.get()) != 0) continue;
            sk_X509_set(certificates, i, impostor.release());
            X509_free(certificate);
            return WithSignature(setup, p7.get());
        }
        ADD_FAILURE() << "the signer's certificate is not in the signature";
        return setup;
    }

    // The signingTime among the signed attributes changed to another.
    static Bytes AttributeAdded(const Bytes& setup) {
        Pkcs7 p7 = ParsePkcs7(SignatureDer(setup));
        PKCS7_add_signed_attribute(Signer(p7.get()), NID_pkcs9_signingTime, V_ASN1_UTCTIME,
                                   ASN1_UTCTIME_set(nullptr, 86400));
        return WithSignature(setup, p7.get());
    }

    // to's signature with from's RFC 3161 timestamp.
    static Bytes Grafted(const Bytes& from, const Bytes& to) {
        const Pkcs7 source = ParsePkcs7(SignatureDer(from));
        Pkcs7 target = ParsePkcs7(SignatureDer(to));
        ASN1_OBJECT* type = OBJ_txt2obj("1.3.6.1.4.1.311.3.3.1", 1);
        STACK_OF(X509_ATTRIBUTE)* attributes = Signer(source.get())->unauth_attr;
        X509_ATTRIBUTE* token =
            X509at_get_attr(attributes, X509at_get_attr_by_OBJ(attributes, type, -1));
        ASN1_OBJECT_free(type);
        EXPECT_NE(token, nullptr) << "no timestamp to graft";
        X509at_add1_attr(&Signer(target.get())->unauth_attr, token);
        return WithSignature(to, target.get());
    }

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
