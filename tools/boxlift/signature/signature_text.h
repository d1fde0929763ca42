// A signature's report as lines of text, one fact a line, the same for
// verify and inspect. The digest line names what is signed, "the file"
// for a setup.exe's own signatures, "the package" for its package's:
//   digest      sha256 3C9F... matches the file
//   signer      CN=Example Ltd, O=Example Ltd, C=GB
//   issuer      CN=Example Code Signing CA, O=Example Ltd, C=GB
//   serial      1A2B3C
//   valid       2026-01-01 00:00:00 UTC to 2028-01-01 00:00:00 UTC
//   fingerprint SHA-256 9F86...
//   page hashes sha256, not checked        (only when it holds them)
//   timestamp   2026-12-09 13:45:10 UTC (RFC 3161) by CN=Example TSA, verified
//   tsa chain   not checked (no --ca)      (only with a timestamp)
//   chain       not checked (no --ca)
#pragma once

#include <string>
#include <vector>

#include "signature/authenticode.h"

namespace boxlift {

struct ReportLine {
    std::string label;
    std::string text;
};

// "signature" for a file's own signatures; else named after what is
// signed, "package signature".
std::string SignatureKind(const SignatureReport& report);
// "signature 2", "package signature 1": the kind of report, with number.
std::string SignatureName(const SignatureReport& report, int number);
// "signature 2 (nested in signature 1)", "package signature 1".
std::string SignatureHeading(const SignatureReport& report);

std::vector<ReportLine> SignatureLines(const SignatureReport& report);

}  // namespace boxlift
