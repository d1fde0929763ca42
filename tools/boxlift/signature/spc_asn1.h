// Microsoft's ASN.1 structures inside an Authenticode signature, decoded
// with OpenSSL's templates:
//   SpcIndirectDataContent ::= SEQUENCE {
//       data           SpcAttributeTypeAndOptionalValue,
//       messageDigest  DigestInfo }         -- X509_SIG: algorithm, digest
//   SpcAttributeTypeAndOptionalValue ::= SEQUENCE {
//       type  OBJECT IDENTIFIER,
//       value ANY DEFINED BY type OPTIONAL }
//   SpcPeImageData ::= SEQUENCE {           -- the value for a PE image
//       flags BIT STRING OPTIONAL,
//       file  [0] EXPLICIT SpcLink OPTIONAL }
//   SpcLink ::= CHOICE {
//       url     [0] IMPLICIT IA5String,
//       moniker [1] IMPLICIT SpcSerializedObject,
//       file    [2] EXPLICIT SpcString }
//   SpcString ::= CHOICE {
//       unicode [0] IMPLICIT BMPString,
//       ascii   [1] IMPLICIT IA5String }
//   SpcSerializedObject ::= SEQUENCE {
//       classId        OCTET STRING,
//       serializedData OCTET STRING }       -- page hashes: a SpcAttributeSet
//   SpcAttributeSet ::= SET OF SpcAttributeTypeAndOptionalValue
#pragma once

#include <openssl/asn1t.h>
#include <openssl/x509.h>

namespace boxlift {

// The OIDs an Authenticode signature names.
inline constexpr char kSpcIndirectDataOid[] = "1.3.6.1.4.1.311.2.1.4";
inline constexpr char kSpcPeImageDataOid[] = "1.3.6.1.4.1.311.2.1.15";
inline constexpr char kPageHashesSha1Oid[] = "1.3.6.1.4.1.311.2.3.1";
inline constexpr char kPageHashesSha256Oid[] = "1.3.6.1.4.1.311.2.3.2";
inline constexpr char kNestedSignatureOid[] = "1.3.6.1.4.1.311.2.4.1";
inline constexpr char kRfc3161TimestampOid[] = "1.3.6.1.4.1.311.3.3.1";
inline constexpr char kCountersignatureOid[] = "1.2.840.113549.1.9.6";  // pkcs9

struct SpcAttributeTypeAndOptionalValue {
    ASN1_OBJECT* type;
    ASN1_TYPE* value;
};
DECLARE_ASN1_FUNCTIONS(SpcAttributeTypeAndOptionalValue)
DEFINE_STACK_OF(SpcAttributeTypeAndOptionalValue)

struct SpcIndirectDataContent {
    SpcAttributeTypeAndOptionalValue* data;
    X509_SIG* messageDigest;
};
DECLARE_ASN1_FUNCTIONS(SpcIndirectDataContent)

struct SpcSerializedObject {
    ASN1_OCTET_STRING* classId;
    ASN1_OCTET_STRING* serializedData;
};
DECLARE_ASN1_FUNCTIONS(SpcSerializedObject)

struct SpcString {
    int type;
    union {
        ASN1_BMPSTRING* unicode;
        ASN1_IA5STRING* ascii;
    } value;
};
DECLARE_ASN1_FUNCTIONS(SpcString)

inline constexpr int kSpcLinkMoniker = 1;  // SpcLink::type of a moniker

struct SpcLink {
    int type;
    union {
        ASN1_IA5STRING* url;
        SpcSerializedObject* moniker;
        SpcString* file;
    } value;
};
DECLARE_ASN1_FUNCTIONS(SpcLink)

struct SpcPeImageData {
    ASN1_BIT_STRING* flags;
    SpcLink* file;
};
DECLARE_ASN1_FUNCTIONS(SpcPeImageData)

DECLARE_ASN1_ITEM(SpcAttributeSet)

}  // namespace boxlift
