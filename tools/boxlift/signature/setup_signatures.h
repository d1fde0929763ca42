// The Authenticode signatures of a signed setup.exe, each checked against
// the file's own image digest.
#pragma once

#include <vector>

#include "image/setup_file.h"
#include "signature/authenticode.h"

namespace boxlift {

// Every signature in the certificate table, numbered on through its
// entries; none when the file is unsigned. Throws Error when the table
// does not hold exactly its entries, or options.caFile cannot be read.
std::vector<SignatureReport> VerifySetupSignatures(const SetupFile& setup,
                                                   const VerifyOptions& options);

}  // namespace boxlift
