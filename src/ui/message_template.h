// The disk-space message: its two placeholders filled in; no platform calls.
#ifndef BOXLIFT_MESSAGE_TEMPLATE_H
#define BOXLIFT_MESSAGE_TEMPLATE_H

#include <stdint.h>

// Copies messageTemplate into a new heap text, replacing each
// "%ofd_drive%" with drive and each "%fd_mbytes%" with the mebibytes of
// spaceRequired plus one. Everything else, other placeholders and a lone
// '%' included, is copied unchanged. None when no memory can be had.
char* ExpandTemplate(const char* messageTemplate, char drive,
                     uint64_t spaceRequired);

#endif
