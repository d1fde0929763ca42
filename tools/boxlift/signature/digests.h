// The digest algorithms a signature may name: SHA-1 and SHA-256, -384 and
// -512, by the names the reports use.
#pragma once

#include <openssl/evp.h>
#include <openssl/objects.h>

#include <string>

#include "base/bytes.h"

namespace boxlift {

// The digest algorithm identifies, or null when it is none of the four.
const EVP_MD* DigestByObject(const ASN1_OBJECT* algorithm);

// "sha256"; for an algorithm outside the four, its short name or OID.
std::string DigestName(const EVP_MD* digest);
std::string AlgorithmName(const ASN1_OBJECT* algorithm);

Bytes Digest(const EVP_MD* digest, ByteView data);

}  // namespace boxlift
