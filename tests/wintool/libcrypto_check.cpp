// Checks the libcrypto boxlift.exe is built with, under Wine: prints the
// SHA-256 digest of "abc" computed through EVP, then reads the DER
// certificate named by the argument with d2i_X509, checks its
// self-signature and verifies it with itself as the only trust anchor.
// Exits with 1, after OpenSSL's error queue, when a step fails.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

namespace {

int Fail(const char* step) {
    std::printf("%s: failed\n", step);
    ERR_print_errors_fp(stdout);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: libcrypto_check CERTIFICATE.der\n");
        return 2;
    }

    static const unsigned char message[] = {'a', 'b', 'c'};
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digest_size = 0;
    if (EVP_Digest(message, sizeof message, digest, &digest_size, EVP_sha256(), nullptr) != 1)
        return Fail("sha256");
    std::printf("sha256(\"abc\") = ");
    for (unsigned int i = 0; i < digest_size; ++i) std::printf("%02x", digest[i]);
    std::printf("\n");

    std::ifstream file(argv[1], std::ios::binary);
    const std::vector<unsigned char> der{std::istreambuf_iterator<char>(file),
                                         std::istreambuf_iterator<char>()};
    if (!file && !file.eof()) {
        std::printf("%s: cannot read\n", argv[1]);
        return 1;
    }
    const unsigned char* cursor = der.data();
    X509* certificate = d2i_X509(nullptr, &cursor, static_cast<long>(der.size()));
    if (certificate == nullptr) return Fail("d2i_X509");
    char subject[256];
    X509_NAME_oneline(X509_get_subject_name(certificate), subject, sizeof subject);
    std::printf("subject: %s\n", subject);
    std::printf("signature: %s\n",
                OBJ_nid2ln(X509_get_signature_nid(certificate)));
    if (X509_verify(certificate, X509_get0_pubkey(certificate)) != 1)
        return Fail("self-signature");
    std::printf("self-signature: good\n");

    X509_STORE* store = X509_STORE_new();
    X509_STORE_CTX* context = X509_STORE_CTX_new();
    if (store == nullptr || context == nullptr || X509_STORE_add_cert(store, certificate) != 1 ||
        X509_STORE_CTX_init(context, store, certificate, nullptr) != 1)
        return Fail("store");
    if (X509_verify_cert(context) != 1) {
        std::printf("chain: %s\n",
                    X509_verify_cert_error_string(X509_STORE_CTX_get_error(context)));
        return 1;
    }
    std::printf("chain: ok\n");
    X509_STORE_CTX_free(context);
    X509_STORE_free(store);
    X509_free(certificate);
    return 0;
}
