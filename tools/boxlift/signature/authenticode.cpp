#include "signature/authenticode.h"

#include <openssl/asn1.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <map>
#include <string_view>

#include "base/error.h"
#include "signature/digests.h"
#include "signature/openssl_handles.h"
#include "signature/signer_check.h"
#include "signature/spc_asn1.h"
#include "signature/trust_store.h"

namespace boxlift {
namespace {

using IndirectDataPtr = OpenSslPtr<SpcIndirectDataContent, SpcIndirectDataContent_free>;
using PeImageDataPtr = OpenSslPtr<SpcPeImageData, SpcPeImageData_free>;

constexpr int kMaxNesting = 4;  // signatures inside signatures, below the outer one

bool IsOid(const ASN1_OBJECT* object, std::string_view oid) {
    return object && OidText(object) == oid;
}

// What PKCS#7 signs of a content: its value, without its tag and length.
ByteView ValueOctets(ByteView der) {
    const unsigned char* value = der.data();
    long length = 0;
    int tag = 0, tagClass = 0;
    if (ASN1_get_object(&value, &length, &tag, &tagClass, static_cast<long>(der.size())) & 0x80)
        return {};
    return {value, static_cast<std::size_t>(length)};
}

// The signature's one SignerInfo, when der is a well-formed Authenticode
// SignedData; else a problem says why not.
PKCS7_SIGNER_INFO* OnlySigner(PKCS7* p7, std::vector<std::string>& problems) {
    if (!p7) {
        problems.push_back("not a well-formed PKCS#7 SignedData: " + OpenSslReason());
        return nullptr;
    }
    const PKCS7* content = PKCS7_type_is_signed(p7) ? p7->d.sign->contents : nullptr;
    if (!content) {
        problems.push_back("not a PKCS#7 SignedData with a content");
        return nullptr;
    }
    if (!IsOid(content->type, kSpcIndirectDataOid) || SequenceDer(content->d.other).empty()) {
        problems.push_back("its content is " + OidText(content->type) +
                           ", not an SpcIndirectDataContent (" + kSpcIndirectDataOid + ")");
        return nullptr;
    }
    const int signers = sk_PKCS7_SIGNER_INFO_num(p7->d.sign->signer_info);
    if (signers != 1) {
        problems.push_back("it has " + std::to_string(std::max(signers, 0)) +
                           " SignerInfos, not one");
        return nullptr;
    }
    return sk_PKCS7_SIGNER_INFO_value(p7->d.sign->signer_info, 0);
}

// "sha1" or "sha256" when a PE image's indirect data holds page hashes.
std::string PageHashes(const SpcIndirectDataContent& content) {
    if (!IsOid(content.data->type, kSpcPeImageDataOid)) return {};
    const ByteView der = SequenceDer(content.data->value);
    const unsigned char* at = der.data();
    const PeImageDataPtr image(d2i_SpcPeImageData(nullptr, &at, static_cast<long>(der.size())));
    if (!image || !image->file || image->file->type != kSpcLinkMoniker) return {};
    const ASN1_OCTET_STRING* serialized = image->file->value.moniker->serializedData;
    at = serialized->data;
    auto* attributes = reinterpret_cast<STACK_OF(SpcAttributeTypeAndOptionalValue)*>(
        ASN1_item_d2i(nullptr, &at, serialized->length, ASN1_ITEM_rptr(SpcAttributeSet)));
    std::string found;
    for (int i = 0; i < sk_SpcAttributeTypeAndOptionalValue_num(attributes); ++i) {
        const ASN1_OBJECT* type = sk_SpcAttributeTypeAndOptionalValue_value(attributes, i)->type;
        if (IsOid(type, kPageHashesSha1Oid)) found = "sha1";
        if (IsOid(type, kPageHashesSha256Oid)) found = "sha256";
    }
    ASN1_item_free(reinterpret_cast<ASN1_VALUE*>(attributes), ASN1_ITEM_rptr(SpcAttributeSet));
    return found;
}

class Verifier {
public:
    Verifier(const std::string& content, const ContentDigest& contentDigest,
             const VerifyOptions& options)
        : content_(content), contentDigest_(contentDigest) {
        if (!options.caFile.empty()) store_.emplace(options.caFile);
    }

    // Checks the signature in der and those nested in it.
    void Verify(ByteView der, int nestedIn, int depth);

    std::vector<SignatureReport> reports;

private:
    void CheckDigest(ByteView contentDer, SignatureReport& report);
    void CheckSignature(PKCS7* p7, PKCS7_SIGNER_INFO* signer, SignatureReport& report);
    std::string Chain(X509* leaf, STACK_OF(X509) * intermediates, std::optional<std::int64_t> at,
                      int purpose, const std::string& whose, std::vector<std::string>& problems);
    const Bytes& DigestOf(const EVP_MD* digest);

    const std::string& content_;
    const ContentDigest& contentDigest_;
    std::optional<TrustStore> store_;
    std::map<int, Bytes> digests_;  // by the digest's NID: each computed once
};

const Bytes& Verifier::DigestOf(const EVP_MD* digest) {
    const int type = EVP_MD_get_type(digest);
    auto found = digests_.find(type);
    if (found == digests_.end()) found = digests_.emplace(type, contentDigest_(digest)).first;
    return found->second;
}

// The SpcIndirectDataContent's digest against the content's.
void Verifier::CheckDigest(ByteView contentDer, SignatureReport& report) {
    const unsigned char* at = contentDer.data();
    const IndirectDataPtr content(
        d2i_SpcIndirectDataContent(nullptr, &at, static_cast<long>(contentDer.size())));
    if (!content) {
        report.problems.push_back("its SpcIndirectDataContent is not well formed: " +
                                  OpenSslReason());
        return;
    }
    const X509_ALGOR* algorithm = nullptr;
    const ASN1_OCTET_STRING* signedDigest = nullptr;
    X509_SIG_get0(content->messageDigest, &algorithm, &signedDigest);
    report.signedDigest = HexText(Octets(signedDigest));
    report.pageHashes = PageHashes(*content);
    const EVP_MD* digest = DigestByObject(algorithm->algorithm);
    if (!digest) {
        report.problems.push_back("the signed digest's algorithm " +
                                  AlgorithmName(algorithm->algorithm) +
                                  " is not sha1, sha256, sha384 or sha512");
        return;
    }
    report.digestAlgorithm = DigestName(digest);
    try {
        report.contentDigest = HexText(DigestOf(digest));
    } catch (const Error& e) {
        report.problems.push_back("the " + content_ + "'s " + report.digestAlgorithm +
                                  " digest could not be computed: " + e.Message());
        return;
    }
    if (!report.DigestMatches())
        report.problems.push_back("the " + content_ + "'s " + report.digestAlgorithm + " digest " +
                                  report.contentDigest + " does not match the signed digest " +
                                  report.signedDigest);
}

std::string Verifier::Chain(X509* leaf, STACK_OF(X509) * intermediates,
                            std::optional<std::int64_t> at, int purpose, const std::string& whose,
                            std::vector<std::string>& problems) {
    if (!store_) return kChainNotChecked;
    if (!leaf) return "not checked (no certificate)";
    const ChainResult result = store_->Check(leaf, intermediates, at, purpose);
    const std::string when = at ? " at the timestamp's time" : " at the current time";
    if (result.verified) return result.text + when;
    problems.push_back(whose + "the chain of " + NameText(X509_get_subject_name(leaf)) + " fails" +
                       when + ": " + result.text);
    return "failed" + when + ": " + result.text;
}

void Verifier::CheckSignature(PKCS7* p7, PKCS7_SIGNER_INFO* signer, SignatureReport& report) {
    const PKCS7* content = p7->d.sign->contents;
    const ByteView contentDer = SequenceDer(content->d.other);
    CheckDigest(contentDer, report);
    STACK_OF(X509)* certificates = p7->d.sign->cert;
    const SignerCheck check =
        CheckSigner(signer, ValueOctets(contentDer), content->type, certificates);
    report.problems.insert(report.problems.end(), check.problems.begin(), check.problems.end());
    if (check.certificate) report.signer = DescribeCertificate(check.certificate);
    std::optional<std::int64_t> signedTime;
    if (std::optional<TimestampCheck> timestamp = CheckTimestamp(signer, certificates)) {
        report.problems.insert(report.problems.end(), timestamp->problems.begin(),
                               timestamp->problems.end());
        signedTime = timestamp->signedTime;
        timestamp->report.chain =
            Chain(timestamp->authority, timestamp->certificates.get(), signedTime,
                  X509_PURPOSE_TIMESTAMP_SIGN,
                  "timestamp (" + timestamp->report.kind + "): ", report.problems);
        report.timestamp = std::move(timestamp->report);
    }
    report.chain = Chain(check.certificate, certificates, signedTime, 0, "", report.problems);
}

void Verifier::Verify(ByteView der, int nestedIn, int depth) {
    SignatureReport report;
    report.content = content_;
    report.number = static_cast<int>(reports.size()) + 1;
    report.nestedIn = nestedIn;
    const unsigned char* at = der.data();
    const Pkcs7Ptr p7(d2i_PKCS7(nullptr, &at, static_cast<long>(der.size())));
    PKCS7_SIGNER_INFO* signer = OnlySigner(p7.get(), report.problems);
    if (signer) CheckSignature(p7.get(), signer, report);
    const std::vector<const ASN1_TYPE*> nested =
        signer ? UnauthenticatedValues(signer, kNestedSignatureOid)
               : std::vector<const ASN1_TYPE*>{};
    if (!nested.empty() && depth >= kMaxNesting)
        report.problems.push_back("signatures are nested more than " + std::to_string(kMaxNesting) +
                                  " deep");
    const int number = report.number;
    reports.push_back(std::move(report));
    if (depth >= kMaxNesting) return;
    for (const ASN1_TYPE* value : nested) Verify(SequenceDer(value), number, depth + 1);
}

}  // namespace

std::vector<SignatureReport> VerifyAuthenticode(ByteView pkcs7Der, const std::string& content,
                                                const ContentDigest& contentDigest,
                                                const VerifyOptions& options) {
    Verifier verifier(content, contentDigest, options);
    verifier.Verify(pkcs7Der, 0, 0);
    return std::move(verifier.reports);
}

}  // namespace boxlift
