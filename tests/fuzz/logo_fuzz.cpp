// The logo reader on any bytes, as build uses it: a LOGO resource comes
// out, or an Error naming the problem, and nothing else escapes. A
// resource that comes out is one the launcher's loader takes: its size
// field is in range and the stream inflates to exactly that many bytes of
// a bitmap whose colour table and rows lie inside them.
#include <zlib.h>

#include <cassert>
#include <cstdint>

#include "base/error.h"
#include "image/logo_resource.h"
#include "ui/logo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    boxlift::Bytes resource;
    try {
        resource = boxlift::MakeLogoResource(boxlift::ByteView(data, size));
    } catch (const boxlift::Error&) {
        return 0;
    }
    const uint32_t inflated = LogoInflatedSize(resource.data(), uint32_t(resource.size()));
    assert(inflated != 0);
    boxlift::Bytes bitmap(inflated);
    uLongf length = inflated;
    assert(uncompress(bitmap.data(), &length, resource.data() + kLogoSizeField,
                      uLong(resource.size() - kLogoSizeField)) == Z_OK);
    assert(length == inflated);
    assert(LogoPixelOffset(bitmap.data(), inflated) != 0);
    return 0;
}
