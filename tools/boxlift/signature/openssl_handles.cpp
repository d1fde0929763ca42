#include "signature/openssl_handles.h"

#include <openssl/err.h>

namespace boxlift {

std::string OpenSslReason() {
    const unsigned long error = ERR_peek_last_error();
    ERR_clear_error();
    const char* reason = error ? ERR_reason_error_string(error) : nullptr;
    return reason ? reason : "no reason given";
}

}  // namespace boxlift
