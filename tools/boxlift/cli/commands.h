// The tool's commands. Each returns the exit code and throws Error (exit
// code 1) for bad input or a failure, with a message naming the file.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "image/setup_file.h"
#include "package/package_identity.h"
#include "signature/authenticode.h"
#include "signature/package_signatures.h"

namespace boxlift {

int RunBuild(const BuildRequest& request, std::ostream& out);
int RunInspect(const InspectRequest& request, std::ostream& out);
int RunExtract(const ExtractRequest& request, std::ostream& out);
int RunVerify(const VerifyRequest& request, std::ostream& out);
int RunManifest(const ManifestRequest& request, std::ostream& out);

// The wrapped package's identity, or the problem that kept it from being
// read; and its own signatures, when checked.
struct ProductReport {
    std::optional<PackageIdentity> identity;
    std::string problem;
    std::optional<PackageSignatures> signatures;  // none when not checked
};
// Reads both from one copy of the package; the signatures only when
// signatureOptions is given (throws Error when its --ca file cannot be
// read).
ProductReport ReadProductReport(const SetupFile& setup,
                                const VerifyOptions* signatureOptions = nullptr);

struct VerifyFindings {
    std::vector<std::string> problems;        // empty when the file keeps the contract
    std::vector<std::string> warnings;        // what the launcher accepts but no writer writes,
                                              // and signers of setup.exe and package that differ
    std::vector<SignatureReport> signatures;  // each one's problems are among problems too
    std::vector<SignatureReport> packageSignatures;  // the package's own, the same way
};

// What inspect and verify make of a setup.exe already read: the report
// (with the product's part when one is given, and the package's
// signatures when it holds them checked), and verify's findings. The
// texts are decoded from codepage; without one, from the default code
// page when every text is valid in it, else shown escaped. The signatures
// are checked with signatureOptions (throws Error when its --ca file
// cannot be read).
void WriteInspectReport(const SetupFile& setup, std::optional<unsigned> codepage, bool json,
                        std::ostream& out, const ProductReport* product = nullptr,
                        const VerifyOptions& signatureOptions = {});
VerifyFindings VerifySetup(const SetupFile& setup, const VerifyOptions& signatureOptions = {});

}  // namespace boxlift
