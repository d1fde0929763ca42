// The Authenticode certificate table at the end of a signed setup.exe, as
// Windows reads it when it checks certificate padding: WIN_CERTIFICATE
// entries, each starting on an 8-byte boundary and holding one PKCS#7
// signature in DER and nothing but zero bytes after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/bytes.h"
#include "base/random_access.h"
#include "image/pe_image.h"

namespace boxlift {

inline constexpr std::uint16_t kCertificateRevision = 0x0200;  // WIN_CERT_REVISION_2_0
inline constexpr std::uint16_t kPkcsSignedData = 0x0002;       // WIN_CERT_TYPE_PKCS_SIGNED_DATA

struct CertificateEntry {
    std::uint64_t offset = 0;         // of its 8-byte header in the file
    std::uint32_t length = 0;         // dwLength: the header, the signature, maybe its padding
    std::size_t signatureLength = 0;  // the DER encoding of bCertificate
};

// Walks the table where the security directory says (a file offset and a
// size). Throws Error naming the table's or the entry's file offset
// when the table does not hold exactly its entries: an entry whose dwLength
// is neither 8 + its signature's length nor that rounded up to 8, padding
// that is not zero, bytes past the last entry.
// Reads only the entries' headers and padding, never the signatures.
std::vector<CertificateEntry> ReadCertificateTable(const RandomAccess& file, PeDirectory table);

}  // namespace boxlift
