// A certificate as the reports show it, and the one formatting of names,
// times, serials and digests they all use: the same bytes from the native
// tool and from boxlift.exe, whatever the locale.
//   name    "CN=Example Ltd, O=Example Ltd, C=GB": the RDNs in the order
//           the certificate holds them, RFC 2253 escapes, UTF-8
//   time    "2026-01-01 00:00:00 UTC"
//   serial  upper-case hex, "1A2B3C"
//   digest  upper-case hex, no separators
#pragma once

#include <openssl/asn1.h>
#include <openssl/x509.h>

#include <cstdint>
#include <optional>
#include <string>

#include "base/bytes.h"

namespace boxlift {

struct CertificateFacts {
    std::string subject;
    std::string issuer;
    std::string serial;
    std::string notBefore;
    std::string notAfter;
    std::string sha256;  // the fingerprint: the SHA-256 of the certificate's DER
};

CertificateFacts DescribeCertificate(X509* certificate);

std::string NameText(const X509_NAME* name);
// "(not a valid time)" when the value is none.
std::string TimeText(const ASN1_TIME* time);
std::string SerialText(const ASN1_INTEGER* serial);
std::string HexText(ByteView bytes);

// Seconds since 1970-01-01 00:00:00 UTC; none for a value that is not a time.
std::optional<std::int64_t> UnixTime(const ASN1_TIME* time);

}  // namespace boxlift
