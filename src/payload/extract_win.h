#ifndef BOXLIFT_EXTRACT_WIN_H
#define BOXLIFT_EXTRACT_WIN_H

#include "chunk_stream.h"

// What extraction reports to its caller and asks of it: the bar position
// after every record, and whether the user has confirmed a cancel (also
// asked between the temporary names it tries). The context is unused.
struct ExtractionHooks {
    void (*progress)(void* context, uint32_t position);
    int (*cancelled)(void* context);
};

// Writes the package from the chunk stream into a new file in targetDir.
// True when the whole package is written and closed; an installing run
// then also holds the package guard over exactly the bytes written. A
// failed extraction that created its file marks it for deletion by the
// driver's clean-up, and extractionFailure says why it failed.
bool ExtractPackage(bool installing, const ExtractionHooks* hooks);

#endif
