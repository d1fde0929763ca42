// The Authenticode signatures a vendor put in a package before it was
// wrapped, each checked against the package's own digest, read from a copy
// of the package on disk.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "signature/authenticode.h"

namespace boxlift {

// The content name of a package's signatures.
inline constexpr char kPackageContent[] = "package";

struct PackageSignatures {
    std::vector<SignatureReport> reports;  // none when the package is unsigned
    std::size_t size = 0;                  // of the DigitalSignature stream
    bool metadataDigest = false;           // it signs the MsiDigitalSignatureEx digest too
    std::string problem;                   // what kept the signature streams from being read
};

// The signatures of the package in the file package: digested with the
// metadata digest first when it holds an MsiDigitalSignatureEx stream. A
// package that is no compound file, or a damaged signature stream, is the
// problem; throws Error (naming the file) only when package or
// options.caFile cannot be read.
PackageSignatures VerifyPackageSignatures(const std::filesystem::path& package,
                                          const VerifyOptions& options);

}  // namespace boxlift
