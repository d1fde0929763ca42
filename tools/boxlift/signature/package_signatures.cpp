#include "signature/package_signatures.h"

#include <optional>

#include "base/error.h"
#include "package/package_signature.h"
#include "platform/file_io.h"

namespace boxlift {

PackageSignatures VerifyPackageSignatures(const std::filesystem::path& package,
                                          const VerifyOptions& options) {
    InputFile input(package);
    const RandomAccess access = input.Access();
    PackageSignatures found;
    std::optional<PackageSignature> signature;
    try {
        signature = ReadPackageSignature(access);
    } catch (const Error& e) {
        if (!e.file().empty()) throw;  // the system's reason for a failed read
        found.problem = "the package's signature streams cannot be read: " + e.problem();
        return found;
    }
    if (!signature) return found;
    found.size = signature->pkcs7.size();
    found.metadataDigest = signature->signatureEx.has_value();
    const ContentDigest packageDigest = [&](const EVP_MD* digest) {
        return PackageDigest(access, digest, found.metadataDigest);
    };
    found.reports = VerifyAuthenticode(signature->pkcs7, kPackageContent, packageDigest, options);
    return found;
}

}  // namespace boxlift
