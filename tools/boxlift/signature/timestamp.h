// The timestamp of an Authenticode signature, among its signer's
// unauthenticated attributes: an RFC 3161 token (1.3.6.1.4.1.311.3.3.1),
// or the older countersignature (pkcs9 countersignature, a SignerInfo of
// the timestamp authority's). Either is checked as a signature and must be
// over this signer's signature value: the token's message imprint, or the
// countersignature's messageDigest, is the digest of that value.
#pragma once

#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "signature/certificate_report.h"
#include "signature/openssl_handles.h"

namespace boxlift {

struct TimestampReport {
    std::string kind;  // "RFC 3161" or "Authenticode countersignature"
    std::string time;  // as TimeText writes it; empty when the timestamp holds none
    std::optional<CertificateFacts> authority;
    bool verified = false;  // its signature holds, over this signature's value
    std::string chain;      // the authority's, as SignatureReport::chain says
};

struct TimestampCheck {
    TimestampReport report;
    std::vector<std::string> problems;       // each starts "timestamp (KIND): "
    X509* authority = nullptr;               // in certificates; null when not found
    std::optional<std::int64_t> signedTime;  // seconds since 1970 UTC, when verified
    CertificateListPtr certificates;         // the token's and the signature's
    Pkcs7Ptr token;                          // what authority and certificates point into
    SignerInfoPtr countersignature;
};

// The first timestamp of signer, an RFC 3161 token before a
// countersignature; none when it has neither. certificates: the ones the
// signature carries.
std::optional<TimestampCheck> CheckTimestamp(PKCS7_SIGNER_INFO* signer,
                                             STACK_OF(X509) * certificates);

}  // namespace boxlift
