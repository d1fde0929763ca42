#include "signature/signer_check.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/obj_mac.h>

#include <algorithm>
#include <string_view>

#include "signature/certificate_report.h"
#include "signature/digests.h"
#include "signature/openssl_handles.h"

namespace boxlift {
namespace {

void CheckContentType(PKCS7_SIGNER_INFO* signer, const ASN1_OBJECT* expected,
                      std::vector<std::string>& problems) {
    const ASN1_TYPE* type = PKCS7_get_signed_attribute(signer, NID_pkcs9_contentType);
    if (!type || type->type != V_ASN1_OBJECT)
        problems.push_back("no contentType among the authenticated attributes");
    else if (OBJ_cmp(type->value.object, expected) != 0)
        problems.push_back("the contentType attribute names " + OidText(type->value.object) +
                           ", not the signed content's type " + OidText(expected));
}

void CheckMessageDigest(PKCS7_SIGNER_INFO* signer, const EVP_MD* digest, ByteView content,
                        std::vector<std::string>& problems) {
    const ASN1_OCTET_STRING* attribute = PKCS7_digest_from_attributes(signer->auth_attr);
    if (!attribute) {
        problems.push_back("no messageDigest among the authenticated attributes");
        return;
    }
    const ByteView claimed(attribute->data, static_cast<std::size_t>(attribute->length));
    const Bytes actual = Digest(digest, content);
    if (!std::ranges::equal(claimed, actual))
        problems.push_back("the messageDigest attribute " + HexText(claimed) + " is not the " +
                           DigestName(digest) + " of the signed content, " + HexText(actual));
}

// RSA, and EC on a prime curve: the keys both builds of the tool check
// alike (boxlift.exe's libcrypto is built without DSA and binary curves).
bool IsCheckedKey(const EVP_PKEY* key) {
    if (!key) return false;
    if (EVP_PKEY_is_a(key, "RSA") || EVP_PKEY_is_a(key, "RSA-PSS")) return true;
    char field[32] = "";
    return EVP_PKEY_is_a(key, "EC") &&
           EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_EC_FIELD_TYPE, field, sizeof field,
                                          nullptr) == 1 &&
           std::string_view(field) == SN_X9_62_prime_field;
}

// The signature value over the DER of the authenticated attributes.
bool SignatureVerifies(PKCS7_SIGNER_INFO* signer, const EVP_MD* digest, X509* certificate) {
    unsigned char* der = nullptr;
    const int length = ASN1_item_i2d(reinterpret_cast<ASN1_VALUE*>(signer->auth_attr), &der,
                                     ASN1_ITEM_rptr(PKCS7_ATTR_VERIFY));
    DigestContextPtr context(EVP_MD_CTX_new());
    const bool verified = length > 0 && context &&
                          EVP_DigestVerifyInit(context.get(), nullptr, digest, nullptr,
                                               X509_get0_pubkey(certificate)) == 1 &&
                          EVP_DigestVerify(context.get(), signer->enc_digest->data,
                                           static_cast<std::size_t>(signer->enc_digest->length),
                                           der, static_cast<std::size_t>(length)) == 1;
    OPENSSL_free(der);
    ERR_clear_error();
    return verified;
}

}  // namespace

SignerCheck CheckSigner(PKCS7_SIGNER_INFO* signer, ByteView content, const ASN1_OBJECT* contentType,
                        STACK_OF(X509) * certificates) {
    SignerCheck check;
    std::vector<std::string>& problems = check.problems;
    check.digest = DigestByObject(signer->digest_alg->algorithm);
    if (!check.digest)
        problems.push_back("the digest algorithm " + AlgorithmName(signer->digest_alg->algorithm) +
                           " is not sha1, sha256, sha384 or sha512");
    const PKCS7_ISSUER_AND_SERIAL* id = signer->issuer_and_serial;
    check.certificate = X509_find_by_issuer_and_serial(certificates, id->issuer, id->serial);
    if (!check.certificate)
        problems.push_back("no certificate it carries has the signer's issuer (" +
                           NameText(id->issuer) + ") and serial (" + SerialText(id->serial) + ")");
    if (sk_X509_ATTRIBUTE_num(signer->auth_attr) <= 0) {
        problems.push_back("the signer has no authenticated attributes");
        return check;
    }
    if (contentType) CheckContentType(signer, contentType, problems);
    if (check.digest) CheckMessageDigest(signer, check.digest, content, problems);
    if (check.certificate && !IsCheckedKey(X509_get0_pubkey(check.certificate))) {
        problems.push_back(
            "the signer's key is neither RSA nor EC on a prime curve, which are "
            "the keys checked here");
        return check;
    }
    if (check.digest && check.certificate &&
        !SignatureVerifies(signer, check.digest, check.certificate))
        problems.push_back(
            "the signature over the authenticated attributes does not verify with the key of " +
            NameText(X509_get_subject_name(check.certificate)));
    return check;
}

std::vector<const ASN1_TYPE*> UnauthenticatedValues(PKCS7_SIGNER_INFO* signer, const char* oid) {
    std::vector<const ASN1_TYPE*> values;
    const ObjectPtr type(OBJ_txt2obj(oid, 1));
    STACK_OF(X509_ATTRIBUTE)* attributes = signer->unauth_attr;
    for (int at = X509at_get_attr_by_OBJ(attributes, type.get(), -1); at >= 0;
         at = X509at_get_attr_by_OBJ(attributes, type.get(), at)) {
        X509_ATTRIBUTE* attribute = X509at_get_attr(attributes, at);
        for (int i = 0; i < X509_ATTRIBUTE_count(attribute); ++i)
            values.push_back(X509_ATTRIBUTE_get0_type(attribute, i));
    }
    return values;
}

ByteView SequenceDer(const ASN1_TYPE* value) {
    if (!value || value->type != V_ASN1_SEQUENCE || !value->value.sequence) return {};
    const ASN1_STRING* der = value->value.sequence;
    return {der->data, static_cast<std::size_t>(der->length)};
}

}  // namespace boxlift
