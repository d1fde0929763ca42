#include "signature/certificate_report.h"

#include <openssl/bn.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <cstdio>
#include <ctime>

#include "signature/openssl_handles.h"

namespace boxlift {

std::string NameText(const X509_NAME* name) {
    // RFC 2253's escapes with ", " between the RDNs, in the certificate's
    // order; characters past ASCII as UTF-8 rather than escaped.
    constexpr unsigned long kFlags = XN_FLAG_SEP_CPLUS_SPC | XN_FLAG_FN_SN |
                                     (ASN1_STRFLGS_RFC2253 & ~ASN1_STRFLGS_ESC_MSB) |
                                     ASN1_STRFLGS_UTF8_CONVERT;
    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio || X509_NAME_print_ex(bio.get(), name, 0, kFlags) < 0) return "(unprintable name)";
    char* text = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &text);
    return std::string(text, static_cast<std::size_t>(length));
}

std::string TimeText(const ASN1_TIME* time) {
    std::tm parts{};
    if (!time || ASN1_TIME_to_tm(time, &parts) != 1) return "(not a valid time)";
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d UTC", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

std::optional<std::int64_t> UnixTime(const ASN1_TIME* time) {
    if (!time || ASN1_TIME_check(time) != 1) return std::nullopt;
    AsnTimePtr epoch(ASN1_TIME_set(nullptr, 0));
    int days = 0, seconds = 0;
    if (!epoch || ASN1_TIME_diff(&days, &seconds, epoch.get(), time) != 1) return std::nullopt;
    return std::int64_t{days} * 86400 + seconds;
}

std::string SerialText(const ASN1_INTEGER* serial) {
    BignumPtr number(ASN1_INTEGER_to_BN(serial, nullptr));
    char* hex = number ? BN_bn2hex(number.get()) : nullptr;
    if (!hex) return "(not a valid serial)";
    std::string text = hex;
    OPENSSL_free(hex);
    return text;
}

std::string HexText(ByteView bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

CertificateFacts DescribeCertificate(X509* certificate) {
    unsigned char fingerprint[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (X509_digest(certificate, EVP_sha256(), fingerprint, &length) != 1) length = 0;
    return {.subject = NameText(X509_get_subject_name(certificate)),
            .issuer = NameText(X509_get_issuer_name(certificate)),
            .serial = SerialText(X509_get0_serialNumber(certificate)),
            .notBefore = TimeText(X509_get0_notBefore(certificate)),
            .notAfter = TimeText(X509_get0_notAfter(certificate)),
            .sha256 = HexText(ByteView(fingerprint, length))};
}

}  // namespace boxlift
