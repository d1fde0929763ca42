#include "signed_files.h"

#include <openssl/pem.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>
#include <vector>

#include "base/byte_reader.h"
#include "base/byte_writer.h"
#include "image/certificate_table.h"
#include "image/pe_image.h"
#include "payload/payload_reader.h"
#include "platform/file_io.h"

namespace boxlift {

namespace fs = std::filesystem;

int RunIn(const fs::path& dir, const std::string& command) {
    const int raw =
        std::system(("cd '" + dir.string() + "' && { " + command + "; } >>setup.log 2>&1").c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

namespace {

const std::string kSignerSubject = "/CN=Boxlift Test Signer/O=Boxlift Tests/C=GB";
const std::string kVendorSubject = "/CN=Boxlift Test Vendor/O=Boxlift Tests/C=GB";

using Pkcs7 = std::unique_ptr<PKCS7, decltype(&PKCS7_free)>;
using Certificate = std::unique_ptr<X509, decltype(&X509_free)>;

void WriteText(const fs::path& path, std::string_view text) {
    WriteFileBytes(path, ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::string Quoted(const std::string& path) { return "'" + path + "' "; }

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

class SignedFiles {
public:
    SignedFiles(const fs::path& dir, const SigningTools& tools)
        : dir_(dir),
          wixl_(Quoted(tools.wixl)),
          boxlift_(Quoted(tools.boxlift)),
          osslsigncode_(Quoted(tools.osslsigncode)),
          openssl_(Quoted(tools.openssl)) {}

    void Make() {
        ASSERT_NO_FATAL_FAILURE(MakeCertificates());
        ASSERT_NO_FATAL_FAILURE(MakeSetup());
        ASSERT_NO_FATAL_FAILURE(SignSetups());
        ASSERT_NO_FATAL_FAILURE(SignPackages());
    }

private:
    void Must(const std::string& command) {
        ASSERT_EQ(RunIn(dir_, command), 0) << command << "\n" << ReadLog();
    }
    std::string ReadLog() {
        const Bytes log = Read("setup.log");
        return {log.begin(), log.end()};
    }
    Bytes Read(const char* name) { return ReadFileBytes(dir_ / name); }

    // A root, an intermediate and a code-signing leaf under it; a
    // timestamping authority under the root; an impostor leaf with the
    // leaf's subject, issuer and serial and a key of its own; a second root
    // that issued none of them.
    void MakeCertificates() {
        WriteText(dir_ / "ca.ext",
                  "basicConstraints=critical,CA:TRUE\n"
                  "keyUsage=critical,keyCertSign,cRLSign\n");
        WriteText(dir_ / "signer.ext", "extendedKeyUsage=codeSigning\n");
        WriteText(dir_ / "tsa.ext", "extendedKeyUsage=critical,timeStamping\n");
        for (const char* root : {"root:Boxlift Test Root", "unrelated:Boxlift Unrelated Root"}) {
            const std::string name(root, std::strchr(root, ':'));
            Must(openssl_ + "req -x509 -newkey rsa:2048 -nodes -days 30 -keyout " + name +
                 ".key -out " + name + ".pem -subj '/CN=" + (std::strchr(root, ':') + 1) +
                 "' -addext basicConstraints=critical,CA:TRUE"
                 " -addext keyUsage=critical,keyCertSign,cRLSign");
        }
        auto issue = [&](const std::string& name, const std::string& subject, const std::string& ca,
                         const char* serial, const char* extensions) {
            Must(openssl_ + "req -newkey rsa:2048 -nodes -keyout " + name + ".key -out " + name +
                 ".csr -subj '" + subject + "'");
            Must(openssl_ + "x509 -req -in " + name + ".csr -CA " + ca + ".pem -CAkey " + ca +
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
    void MakeSetup() {
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
        Must(wixl_ + "-o product.msi product.wxs");
        Must(boxlift_ + "build -q product.msi -o setup.exe");
    }

    void Sign(const std::string& options, const std::string& in, const std::string& out,
              const std::string& leaf = "signer") {
        Must(osslsigncode_ + "sign -certs " + leaf + "-chain.pem -key " + leaf + ".key " + options +
             " -in " + in + " -out " + out);
    }

    // NAME.exe: a setup built from the signed package NAME.msi, then signed
    // by the signer.
    void Wrap(const std::string& name) {
        Must(boxlift_ + "build -q " + name + ".msi -o " + name + "-unsigned.exe");
        Sign("-h sha256", name + "-unsigned.exe", name + ".exe");
    }

    // The packages their vendors signed, and the setups wrapping them: one
    // signed by the signer, the same with a byte of its noise stream
    // flipped after signing, and one signed by the vendor's leaf.
    void SignPackages() {
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

    // The signed files, and each spoiled copy made from them.
    void SignSetups() {
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

    Certificate ReadCertificate(const char* name) {
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
    Bytes Countersigned(const Bytes& setup) {
        const Bytes der = SignatureDer(setup);
        Pkcs7 p7 = ParsePkcs7(der);
        PKCS7_SIGNER_INFO* signer = Signer(p7.get());
        WriteFileBytes(dir_ / "value.bin",
                       ByteView(signer->enc_digest->data,
                                static_cast<std::size_t>(signer->enc_digest->length)));
        Must(openssl_ +
             "cms -sign -binary -in value.bin -signer tsa.pem "
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
    Bytes Impostor(const Bytes& setup) {
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
    Bytes AttributeAdded(const Bytes& setup) {
        Pkcs7 p7 = ParsePkcs7(SignatureDer(setup));
        PKCS7_add_signed_attribute(Signer(p7.get()), NID_pkcs9_signingTime, V_ASN1_UTCTIME,
                                   ASN1_UTCTIME_set(nullptr, 86400));
        return WithSignature(setup, p7.get());
    }

    // to's signature with from's RFC 3161 timestamp.
    Bytes Grafted(const Bytes& from, const Bytes& to) {
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

    const fs::path dir_;
    const std::string wixl_, boxlift_, osslsigncode_, openssl_;  // quoted, a space behind
};

}  // namespace

void MakeSignedFiles(const fs::path& dir, const SigningTools& tools) {
    SignedFiles(dir, tools).Make();
}

}  // namespace boxlift
