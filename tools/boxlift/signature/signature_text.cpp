#include "signature/signature_text.h"

namespace boxlift {
namespace {

std::string DigestText(const SignatureReport& report) {
    const std::string name = report.digestAlgorithm.empty() ? "" : report.digestAlgorithm + " ";
    if (report.DigestMatches())
        return name + report.signedDigest + " matches the " + report.content;
    if (report.contentDigest.empty()) return name + report.signedDigest + " signed, not checked";
    return name + report.signedDigest + " signed, the " + report.content + "'s is " +
           report.contentDigest;
}

std::string TimestampText(const TimestampReport& timestamp) {
    const std::string by =
        timestamp.authority ? timestamp.authority->subject : std::string("an unknown authority");
    return (timestamp.time.empty() ? "(no time)" : timestamp.time) + " (" + timestamp.kind +
           ") by " + by + (timestamp.verified ? ", verified" : ", not verified");
}

}  // namespace

std::string SignatureKind(const SignatureReport& report) {
    return report.content == kFileContent ? "signature" : report.content + " signature";
}

std::string SignatureName(const SignatureReport& report, int number) {
    return SignatureKind(report) + " " + std::to_string(number);
}

std::string SignatureHeading(const SignatureReport& report) {
    std::string heading = SignatureName(report, report.number);
    if (report.nestedIn != 0)
        heading += " (nested in " + SignatureName(report, report.nestedIn) + ")";
    return heading;
}

std::vector<ReportLine> SignatureLines(const SignatureReport& report) {
    std::vector<ReportLine> lines;
    if (!report.signedDigest.empty()) lines.push_back({"digest", DigestText(report)});
    if (const auto& signer = report.signer) {
        lines.push_back({"signer", signer->subject});
        lines.push_back({"issuer", signer->issuer});
        lines.push_back({"serial", signer->serial});
        lines.push_back({"valid", signer->notBefore + " to " + signer->notAfter});
        lines.push_back({"fingerprint", "SHA-256 " + signer->sha256});
    } else {
        lines.push_back({"signer", "(no certificate found)"});
    }
    if (!report.pageHashes.empty())
        lines.push_back({"page hashes", report.pageHashes + ", not checked"});
    if (const auto& timestamp = report.timestamp) {
        lines.push_back({"timestamp", TimestampText(*timestamp)});
        lines.push_back({"tsa chain", timestamp->chain});
    } else {
        lines.push_back({"timestamp", "none"});
    }
    lines.push_back({"chain", report.chain.empty() ? "not checked" : report.chain});
    return lines;
}

}  // namespace boxlift
