// Real Authenticode signatures to check verify and inspect against:
// certificates made with the openssl command, a setup.exe built by the tool
// and signed by osslsigncode (its own test timestamp authority makes the
// RFC 3161 tokens), copies of it spoiled one fault at a time, and setups
// built from packages their vendor signed first. The signature tests judge
// them with the native tool, the identity tests with both tools.
#pragma once

#include <filesystem>
#include <string>

namespace boxlift {

// The signing certificates' subjects, as the tool prints them.
inline const std::string kSigner = "CN=Boxlift Test Signer, O=Boxlift Tests, C=GB";
inline const std::string kVendor = "CN=Boxlift Test Vendor, O=Boxlift Tests, C=GB";

// The programs that make the files.
struct SigningTools {
    std::string wixl, boxlift, osslsigncode, openssl;
};

// Makes in dir, which exists, each step's output going to dir/setup.log:
// - root.pem, the root of the signer's and the timestamp authority's
//   chains, and unrelated.pem, a root that issued none of the certificates;
// - setup.exe, built from product.msi, and its copies signed by the
//   signer: sha256.exe, sha1.exe, other.exe (another program name),
//   nested.exe (sha1.exe with a sha256 signature nested in it), rfc3161.exe
//   (timestamped), pagehashes.exe, countersigned.exe (an Authenticode
//   countersignature by the timestamp authority);
// - sha256.exe spoiled: stored.exe, compressed.exe, code.exe, settings.exe
//   (one bit flipped in a stored record, a compressed record, the
//   launcher's code, the settings block), impostor.exe (the signer's
//   certificate replaced by one with its subject, issuer and serial and a
//   key of its own), attributes.exe (a signed attribute added after
//   signing), and grafted.exe (other.exe with rfc3161.exe's timestamp);
// - the packages signed.msi, flipped.msi (signed.msi with a bit flipped
//   after signing) and vendor.msi (signed by the vendor), and NAME.exe
//   wrapping NAME.msi for each, signed by the signer.
// A command that fails is a fatal test failure, and makes the files that
// follow from it no more.
void MakeSignedFiles(const std::filesystem::path& dir, const SigningTools& tools);

// A shell command run in dir; its output goes to dir/setup.log unless the
// command sends it elsewhere. Its exit code, -1 when it did not exit.
int RunIn(const std::filesystem::path& dir, const std::string& command);

}  // namespace boxlift
