// The signature a vendor puts in a package, and the digest it covers. A
// signed package holds, at the root of its compound file, the stream
// \005DigitalSignature (a PKCS#7 SignedData, DER, whose
// SpcIndirectDataContent holds the digest) and, when signed with the
// package's metadata too, \005MsiDigitalSignatureEx (the digest of that
// metadata).
//
// The digest is the one Windows Installer signs: the contents of the
// streams, storage by storage from the root, each storage's children in
// the order of their names' UTF-16LE bytes compared as unsigned bytes (a
// name before every longer one it begins), each storage's CLSID after its
// children; the root's two signature streams are left out. The metadata
// digest walks the same order and takes, for the root its CLSID and state
// bits, for a storage its name, CLSID, state bits and creation and
// modification times, for a stream its name, the low 32 bits of its size,
// its state bits and times (names without their terminating zero, numbers
// little-endian as stored). A package signed with its metadata is digested
// with the metadata digest first.
#pragma once

#include <openssl/evp.h>

#include <optional>

#include "base/bytes.h"
#include "base/random_access.h"

namespace boxlift {

struct PackageSignature {
    Bytes pkcs7;                       // \005DigitalSignature: the SignedData's DER
    std::optional<Bytes> signatureEx;  // \005MsiDigitalSignatureEx: the metadata digest
};

// The package's signature streams; none when it has no DigitalSignature
// stream. Throws Error when the package is no compound file ("not a
// Windows Installer package: ..."), or a signature stream is damaged,
// naming it ("the DigitalSignature stream ..."); the caller adds the file
// (AboutFile), as for the digests' Errors.
std::optional<PackageSignature> ReadPackageSignature(const RandomAccess& package);

// The metadata digest with md, as an MsiDigitalSignatureEx stream holds it.
Bytes PackageMetadataDigest(const RandomAccess& package, const EVP_MD* md);

// The digest the package's signature covers, with md; withSignatureEx: the
// metadata digest first, once the package's MsiDigitalSignatureEx stream
// is found to hold it (an Error says it does not). The streams are read
// piece by piece, so a package of any size is digested in little memory.
Bytes PackageDigest(const RandomAccess& package, const EVP_MD* md, bool withSignatureEx);

}  // namespace boxlift
