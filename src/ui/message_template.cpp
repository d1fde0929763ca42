#include "ui/message_template.h"

#include <string.h>

#include "common/decimal.h"
#include "memory_hook.h"

namespace {

const char kDrivePlaceholder[] = "%ofd_drive%";
const char kMegabytesPlaceholder[] = "%fd_mbytes%";
const uint32_t kPlaceholderLength = 11;

// Compares over the placeholder's whole length; the template's NUL ends
// the comparison, unequal.
bool StartsWith(const char* text, const char* placeholder) {
    return strncmp(text, placeholder, kPlaceholderLength) == 0;
}

}  // namespace

char* ExpandTemplate(const char* messageTemplate, char drive,
                     uint64_t spaceRequired) {
    uint32_t length = 0, percents = 0;
    for (const char* p = messageTemplate; *p; ++p, ++length)
        percents += *p == '%';
    // Neither expansion is longer than its placeholder; the headroom per
    // pair of '%' keeps the buffer safe all the same.
    char* out = (char*)AllocBytes(length + 10 * (percents / 2) + 1);
    if (!out) return 0;

    // Whole mebibytes plus one, taken as 32 bits before the one is added.
    int32_t megabytes = (int32_t)((uint32_t)(spaceRequired >> 20) + 1u);
    char* o = out;
    for (const char* i = messageTemplate; *i;) {
        if (*i == '%' && StartsWith(i, kDrivePlaceholder)) {
            *o++ = drive;
            i += kPlaceholderLength;
        } else if (*i == '%' && StartsWith(i, kMegabytesPlaceholder)) {
            o = AppendDecimal(o, megabytes, 1);
            i += kPlaceholderLength;
        } else {
            *o++ = *i++;
        }
    }
    *o = 0;
    return out;
}
