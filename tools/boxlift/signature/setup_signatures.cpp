#include "signature/setup_signatures.h"

#include "image/certificate_table.h"
#include "signature/pe_digest.h"

namespace boxlift {

std::vector<SignatureReport> VerifySetupSignatures(const SetupFile& setup,
                                                   const VerifyOptions& options) {
    std::vector<SignatureReport> all;
    if (setup.signature.size == 0) return all;
    const ContentDigest imageDigest = [&](const EVP_MD* digest) {
        return PeImageDigest(setup.file, setup.head, setup.image, digest);
    };
    for (const CertificateEntry& entry : ReadCertificateTable(setup.file, setup.signature)) {
        Bytes der(entry.signatureLength);
        der.resize(setup.file.readAt(entry.offset + 8, der));
        const int before = static_cast<int>(all.size());
        for (SignatureReport& report :
             VerifyAuthenticode(der, kFileContent, imageDigest, options)) {
            report.number += before;
            if (report.nestedIn != 0) report.nestedIn += before;
            all.push_back(std::move(report));
        }
    }
    return all;
}

}  // namespace boxlift
