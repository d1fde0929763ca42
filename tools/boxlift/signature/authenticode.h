// Authenticode signatures over any content: a PKCS#7 SignedData whose
// content, an SpcIndirectDataContent, holds the digest of what is signed (a
// PE image, a Windows Installer package), with its signer, its timestamp
// and the signatures nested in it. The caller computes the content's digest
// with the algorithm the signature names; everything else is checked here.
#pragma once

#include <openssl/evp.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "signature/certificate_report.h"
#include "signature/timestamp.h"

namespace boxlift {

struct VerifyOptions {
    std::filesystem::path caFile;  // PEM roots to check the chains against; empty: none
};

// What a report says of a chain not checked for want of roots.
inline constexpr char kChainNotChecked[] = "not checked (no --ca)";

// The content name of a file's own signatures (those of a setup.exe).
inline constexpr char kFileContent[] = "file";

struct SignatureReport {
    std::string content;          // what is signed, as the texts name it: kFileContent, "package"
    int number = 0;               // 1, 2, ...: the outer signature, then the nested ones in order
    int nestedIn = 0;             // the number of the signature holding this one; 0 for the outer
    std::string digestAlgorithm;  // of the signed digest, "sha256"; empty when unknown
    std::string signedDigest;     // hex, as the SpcIndirectDataContent holds it
    std::string contentDigest;    // hex, as computed from the content; empty when not
    std::string pageHashes;       // "sha1" or "sha256" when it holds page hashes, not checked
    std::optional<CertificateFacts> signer;
    std::optional<TimestampReport> timestamp;
    // kChainNotChecked, "verified to ROOT at ..." or "failed at ...: WHY".
    std::string chain;
    std::vector<std::string> problems;  // one line each; none when the signature holds

    bool DigestMatches() const { return !contentDigest.empty() && contentDigest == signedDigest; }
};

// The digest of the signed content, computed with the algorithm given.
// An Error it throws becomes a problem of the signature asking.
using ContentDigest = std::function<Bytes(const EVP_MD*)>;

// Every signature in pkcs7Der, one DER SignedData over the content named
// content: the outer one first, then each nested one. What is wrong with a
// signature is among its problems; throws Error only when options.caFile
// cannot be read.
std::vector<SignatureReport> VerifyAuthenticode(ByteView pkcs7Der, const std::string& content,
                                                const ContentDigest& contentDigest,
                                                const VerifyOptions& options);

}  // namespace boxlift
