#include "signature/trust_store.h"

#include <openssl/err.h>
#include <openssl/pem.h>

#include <ctime>

#include "base/error.h"
#include "platform/file_io.h"
#include "signature/certificate_report.h"

namespace boxlift {

TrustStore::TrustStore(const std::filesystem::path& file) : store_(X509_STORE_new()) {
    const Bytes pem = ReadFileBytes(file);
    BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    int count = 0;
    while (X509Ptr certificate{PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr)}) {
        if (X509_STORE_add_cert(store_.get(), certificate.get()) != 1)
            throw Error("OpenSSL refused certificate " + std::to_string(count + 1) + ": " +
                        OpenSslReason())
                .InFile(file.string());
        ++count;
    }
    ERR_clear_error();  // the end of the PEM text
    if (count == 0) throw Error("holds no PEM certificate").InFile(file.string());
}

ChainResult TrustStore::Check(X509* leaf, STACK_OF(X509) * intermediates,
                              std::optional<std::int64_t> at, int purpose) const {
    StoreContextPtr context(X509_STORE_CTX_new());
    if (!context || X509_STORE_CTX_init(context.get(), store_.get(), leaf, intermediates) != 1)
        return {false, "OpenSSL could not start the check: " + OpenSslReason()};
    if (at)
        X509_VERIFY_PARAM_set_time(X509_STORE_CTX_get0_param(context.get()),
                                   static_cast<std::time_t>(*at));
    if (purpose != 0) X509_STORE_CTX_set_purpose(context.get(), purpose);
    const bool verified = X509_verify_cert(context.get()) == 1;
    ERR_clear_error();
    if (verified) {
        STACK_OF(X509)* chain = X509_STORE_CTX_get0_chain(context.get());
        X509* root = sk_X509_value(chain, sk_X509_num(chain) - 1);
        return {true, "verified to " + NameText(X509_get_subject_name(root))};
    }
    X509* failed = X509_STORE_CTX_get_current_cert(context.get());
    return {false, NameText(X509_get_subject_name(failed ? failed : leaf)) + ": " +
                       X509_verify_cert_error_string(X509_STORE_CTX_get_error(context.get()))};
}

}  // namespace boxlift
