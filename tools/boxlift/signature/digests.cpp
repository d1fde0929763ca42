#include "signature/digests.h"

#include "base/error.h"

namespace boxlift {
namespace {

struct KnownDigest {
    int nid;
    const char* name;
    const EVP_MD* (*md)();
};

constexpr KnownDigest kKnown[] = {
    {NID_sha1, "sha1", EVP_sha1},
    {NID_sha256, "sha256", EVP_sha256},
    {NID_sha384, "sha384", EVP_sha384},
    {NID_sha512, "sha512", EVP_sha512},
};

const KnownDigest* Known(int nid) {
    for (const KnownDigest& known : kKnown)
        if (known.nid == nid) return &known;
    return nullptr;
}

}  // namespace

const EVP_MD* DigestByObject(const ASN1_OBJECT* algorithm) {
    const KnownDigest* known = algorithm ? Known(OBJ_obj2nid(algorithm)) : nullptr;
    return known ? known->md() : nullptr;
}

std::string DigestName(const EVP_MD* digest) {
    const KnownDigest* known = Known(EVP_MD_get_type(digest));
    return known ? known->name : OBJ_nid2sn(EVP_MD_get_type(digest));
}

std::string AlgorithmName(const ASN1_OBJECT* algorithm) {
    if (!algorithm) return "(none)";
    if (const KnownDigest* known = Known(OBJ_obj2nid(algorithm))) return known->name;
    char text[128];
    OBJ_obj2txt(text, sizeof text, algorithm, 0);
    return text;
}

Bytes Digest(const EVP_MD* digest, ByteView data) {
    Bytes out(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    if (EVP_Digest(data.data(), data.size(), out.data(), &length, digest, nullptr) != 1)
        throw Error("OpenSSL could not compute a " + DigestName(digest) + " digest");
    out.resize(length);
    return out;
}

}  // namespace boxlift
