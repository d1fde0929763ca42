// What one SignerInfo proves, checked as Authenticode signatures and
// RFC 3161 timestamps both sign: the messageDigest among its authenticated
// attributes is the digest of the content it signs, and its signature over
// those attributes (their DER as a SET OF) verifies with the key of the
// certificate its issuer and serial name.
#pragma once

#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <string>
#include <vector>

#include "base/bytes.h"

namespace boxlift {

struct SignerCheck {
    X509* certificate = nullptr;        // one of those searched; null when none matched
    const EVP_MD* digest = nullptr;     // the signer's digest algorithm; null when not ours
    std::vector<std::string> problems;  // one line each; empty when the signer holds
};

// content: the octets signed (a PKCS#7 content's value without its tag and
// length). contentType: what the contentType attribute must name, or null
// where none is required (a countersignature). certificates: where the
// signer's certificate is looked for.
SignerCheck CheckSigner(PKCS7_SIGNER_INFO* signer, ByteView content, const ASN1_OBJECT* contentType,
                        STACK_OF(X509) * certificates);

// The values of the signer's unauthenticated attributes of type oid (dotted),
// in the order they come.
std::vector<const ASN1_TYPE*> UnauthenticatedValues(PKCS7_SIGNER_INFO* signer, const char* oid);

// The DER an ASN1_TYPE holds when it is a SEQUENCE (tag and length
// included); empty for any other type.
ByteView SequenceDer(const ASN1_TYPE* value);

}  // namespace boxlift
