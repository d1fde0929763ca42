// The roots a user trusts (verify's and inspect's --ca), and the chains
// from a signer's certificate to them: OpenSSL's X509_verify_cert, with
// the intermediates taken from the signature's own certificates.
#pragma once

#include <openssl/x509.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "signature/openssl_handles.h"

namespace boxlift {

struct ChainResult {
    bool verified = false;
    // "verified to ROOT", or the certificate that failed and OpenSSL's
    // reason: "CN=Example CA: unable to get local issuer certificate".
    std::string text;
};

class TrustStore {
public:
    // The PEM certificates in file. Throws Error naming the file when it
    // cannot be read or holds none.
    explicit TrustStore(const std::filesystem::path& file);

    // The chain from leaf through intermediates to one of the roots, each
    // valid at the time given (seconds since 1970 UTC), else now; purpose
    // is an X509_PURPOSE_* the chain must serve, or 0 for none.
    ChainResult Check(X509* leaf, STACK_OF(X509) * intermediates, std::optional<std::int64_t> at,
                      int purpose) const;

private:
    StorePtr store_;
};

}  // namespace boxlift
