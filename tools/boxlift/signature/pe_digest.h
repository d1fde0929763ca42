// The Authenticode digest of a PE file, as Microsoft's PE signature format
// defines it: the headers without the checksum field and without the
// certificate table's data-directory entry, then each section's raw data in
// file order, then everything after the sections up to the certificate
// table (a setup.exe's payload lies there, in no section). The file is
// read a piece at a time, never whole.
#pragma once

#include <openssl/evp.h>

#include "base/bytes.h"
#include "base/random_access.h"
#include "image/pe_image.h"

namespace boxlift {

// head: the file's first bytes, holding the headers image was parsed from.
// Throws Error when the parts to digest do not lie in order inside the file.
Bytes PeImageDigest(const RandomAccess& file, ByteView head, const PeImage& image,
                    const EVP_MD* digest);

}  // namespace boxlift
