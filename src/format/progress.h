// Progress of the extraction: an accumulator in thousandths of a percent
// that starts at 10 % and grows by one step per record.
#ifndef BOXLIFT_PROGRESS_H
#define BOXLIFT_PROGRESS_H

#include <stdint.h>

const int32_t kProgressStart = 10000;

// The accumulator's step per record. A count of 0 gives step 0 (the bar
// stays at 10), as does any count above 90,000.
uint32_t ProgressStep(uint32_t chunkCount);

// The accumulator after one more record. It holds at its largest value
// rather than overflow when a stream has far more records than it declared.
int32_t AdvanceProgress(int32_t value, uint32_t step);

// The bar position, 0 to 100 in the usual case, for an accumulator value.
uint32_t ProgressPosition(int32_t value);

#endif
