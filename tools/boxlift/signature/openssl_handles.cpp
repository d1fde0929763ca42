#include "signature/openssl_handles.h"

#include <openssl/err.h>

namespace boxlift {

std::string OpenSslReason() {
    const unsigned long error = ERR_peek_last_error();
    ERR_clear_error();
    const char* reason = error ? ERR_reason_error_string(error) : nullptr;
    return reason ? reason : "no reason given";
}

ByteView Octets(const ASN1_STRING* string) {
    return {string->data, static_cast<std::size_t>(string->length)};
}

std::string OidText(const ASN1_OBJECT* object) {
    char text[128] = "";
    OBJ_obj2txt(text, sizeof text, object, 1);
    return text;
}

}  // namespace boxlift
