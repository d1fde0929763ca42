// OpenSSL's objects owned the C++ way, each freed by its own free function;
// what OpenSSL last said went wrong; a string's bytes and an OID's text.
#pragma once

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pkcs7.h>
#include <openssl/ts.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <memory>
#include <string>

#include "base/bytes.h"

namespace boxlift {

template <auto Free>
struct OpenSslFree {
    template <typename T>
    void operator()(T* object) const {
        Free(object);
    }
};

template <typename T, auto Free>
using OpenSslPtr = std::unique_ptr<T, OpenSslFree<Free>>;

using BioPtr = OpenSslPtr<BIO, BIO_free_all>;
using DigestContextPtr = OpenSslPtr<EVP_MD_CTX, EVP_MD_CTX_free>;
using ObjectPtr = OpenSslPtr<ASN1_OBJECT, ASN1_OBJECT_free>;
using Pkcs7Ptr = OpenSslPtr<PKCS7, PKCS7_free>;
using SignerInfoPtr = OpenSslPtr<PKCS7_SIGNER_INFO, PKCS7_SIGNER_INFO_free>;
using TstInfoPtr = OpenSslPtr<TS_TST_INFO, TS_TST_INFO_free>;
using X509Ptr = OpenSslPtr<X509, X509_free>;
using StorePtr = OpenSslPtr<X509_STORE, X509_STORE_free>;
using StoreContextPtr = OpenSslPtr<X509_STORE_CTX, X509_STORE_CTX_free>;
using BignumPtr = OpenSslPtr<BIGNUM, BN_free>;
using AsnTimePtr = OpenSslPtr<ASN1_TIME, ASN1_TIME_free>;

// A stack that holds certificates owned elsewhere.
struct CertificateListFree {
    void operator()(STACK_OF(X509) * list) const { sk_X509_free(list); }
};
using CertificateListPtr = std::unique_ptr<STACK_OF(X509), CertificateListFree>;

// The reason of the error OpenSSL queued last, e.g. "wrong tag", or
// "no reason given"; the queue is emptied.
std::string OpenSslReason();

// The bytes an ASN.1 string holds.
ByteView Octets(const ASN1_STRING* string);

// The object's OID in dotted form, "1.3.6.1.4.1.311.2.1.4".
std::string OidText(const ASN1_OBJECT* object);

}  // namespace boxlift
