#include "signature/timestamp.h"

#include <openssl/ts.h>

#include <algorithm>

#include "signature/digests.h"
#include "signature/signer_check.h"
#include "signature/spc_asn1.h"

namespace boxlift {
namespace {

// a's certificates, then b's; neither owned.
CertificateListPtr Joined(STACK_OF(X509) * a, STACK_OF(X509) * b) {
    CertificateListPtr joined(sk_X509_new_null());
    for (STACK_OF(X509) * list : {a, b})
        for (int i = 0; i < sk_X509_num(list); ++i)
            sk_X509_push(joined.get(), sk_X509_value(list, i));
    return joined;
}

void Take(TimestampCheck& check, const SignerCheck& signer) {
    for (const std::string& problem : signer.problems)
        check.problems.push_back("timestamp (" + check.report.kind + "): " + problem);
    check.authority = signer.certificate;
    if (signer.certificate) check.report.authority = DescribeCertificate(signer.certificate);
}

// The token's TSTInfo, when the token is a SignedData of one.
const ASN1_OCTET_STRING* TstInfoDer(PKCS7* token) {
    if (!token || !PKCS7_type_is_signed(token) || !token->d.sign->contents) return nullptr;
    const PKCS7* content = token->d.sign->contents;
    if (OBJ_obj2nid(content->type) != NID_id_smime_ct_TSTInfo || !content->d.other ||
        content->d.other->type != V_ASN1_OCTET_STRING)
        return nullptr;
    return content->d.other->value.octet_string;
}

void CheckImprint(TS_TST_INFO* info, ByteView signatureValue, TimestampCheck& check) {
    TS_MSG_IMPRINT* imprint = TS_TST_INFO_get_msg_imprint(info);
    const ASN1_OBJECT* algorithm = TS_MSG_IMPRINT_get_algo(imprint)->algorithm;
    const EVP_MD* digest = DigestByObject(algorithm);
    const std::string kind = "timestamp (RFC 3161): ";
    if (!digest) {
        check.problems.push_back(kind + "its message imprint's algorithm " +
                                 AlgorithmName(algorithm) +
                                 " is not sha1, sha256, sha384 or sha512");
        return;
    }
    const ByteView hashed = Octets(TS_MSG_IMPRINT_get_msg(imprint));
    const Bytes expected = Digest(digest, signatureValue);
    if (!std::ranges::equal(hashed, expected))
        check.problems.push_back(kind + "it is over another signature: its message imprint " +
                                 HexText(hashed) + " is not the " + DigestName(digest) +
                                 " of this signature's value, " + HexText(expected));
}

TimestampCheck CheckToken(ByteView der, PKCS7_SIGNER_INFO* signer, STACK_OF(X509) * certificates) {
    TimestampCheck check;
    check.report.kind = "RFC 3161";
    const unsigned char* at = der.data();
    check.token.reset(d2i_PKCS7(nullptr, &at, static_cast<long>(der.size())));
    const ASN1_OCTET_STRING* tstInfo = TstInfoDer(check.token.get());
    PKCS7_SIGNED* token = tstInfo ? check.token->d.sign : nullptr;
    TstInfoPtr info(tstInfo ? PKCS7_to_TS_TST_INFO(check.token.get()) : nullptr);
    if (!info || sk_PKCS7_SIGNER_INFO_num(token->signer_info) != 1) {
        check.problems.push_back(
            "timestamp (RFC 3161): not a well-formed token (a SignedData of one TSTInfo, "
            "one signer): " +
            OpenSslReason());
        return check;
    }
    const ASN1_GENERALIZEDTIME* time = TS_TST_INFO_get_time(info.get());
    check.report.time = TimeText(time);
    check.certificates = Joined(token->cert, certificates);
    Take(check, CheckSigner(sk_PKCS7_SIGNER_INFO_value(token->signer_info, 0), Octets(tstInfo),
                            token->contents->type, check.certificates.get()));
    CheckImprint(info.get(), Octets(signer->enc_digest), check);
    check.report.verified = check.problems.empty();
    if (check.report.verified) check.signedTime = UnixTime(time);
    return check;
}

const ASN1_TIME* SigningTime(PKCS7_SIGNER_INFO* countersignature) {
    const ASN1_TYPE* time = PKCS7_get_signed_attribute(countersignature, NID_pkcs9_signingTime);
    if (time && time->type == V_ASN1_UTCTIME) return time->value.utctime;
    if (time && time->type == V_ASN1_GENERALIZEDTIME) return time->value.generalizedtime;
    return nullptr;
}

TimestampCheck CheckCountersignature(ByteView der, PKCS7_SIGNER_INFO* signer,
                                     STACK_OF(X509) * certificates) {
    TimestampCheck check;
    check.report.kind = "Authenticode countersignature";
    const unsigned char* at = der.data();
    check.countersignature.reset(
        d2i_PKCS7_SIGNER_INFO(nullptr, &at, static_cast<long>(der.size())));
    if (!check.countersignature) {
        check.problems.push_back("timestamp (" + check.report.kind +
                                 "): not a well-formed SignerInfo: " + OpenSslReason());
        return check;
    }
    check.certificates = Joined(certificates, nullptr);
    Take(check, CheckSigner(check.countersignature.get(), Octets(signer->enc_digest), nullptr,
                            check.certificates.get()));
    const ASN1_TIME* time = SigningTime(check.countersignature.get());
    if (!time)
        check.problems.push_back("timestamp (" + check.report.kind +
                                 "): no signingTime among its authenticated attributes");
    else
        check.report.time = TimeText(time);
    check.report.verified = check.problems.empty();
    if (check.report.verified) check.signedTime = UnixTime(time);
    return check;
}

}  // namespace

std::optional<TimestampCheck> CheckTimestamp(PKCS7_SIGNER_INFO* signer,
                                             STACK_OF(X509) * certificates) {
    if (auto tokens = UnauthenticatedValues(signer, kRfc3161TimestampOid); !tokens.empty())
        return CheckToken(SequenceDer(tokens.front()), signer, certificates);
    if (auto countersignatures = UnauthenticatedValues(signer, kCountersignatureOid);
        !countersignatures.empty())
        return CheckCountersignature(SequenceDer(countersignatures.front()), signer, certificates);
    return std::nullopt;
}

}  // namespace boxlift
