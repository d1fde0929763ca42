#include "payload/inflate_chunk.h"

#include <windows.h>

#include <atomic>

#include "zlib_inflate.h"

// GCC has no __try. A vectored handler stands in: a processor fault on the
// thread that is inflating sends that thread to a landing that jumps back
// into InflateChunk, which then releases zlib's memory and fails.
namespace {

void* guardFrame[5];                  // __builtin_setjmp's buffer
std::atomic<DWORD> guardedThread{0};  // 0 while nothing is inflating

bool IsProcessorFault(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
        return true;
    default:
        return false;
    }
}

__attribute__((noinline, noreturn)) void LeaveFaultedInflation() {
    __builtin_longjmp(guardFrame, 1);
}

LONG CALLBACK CatchInflateFault(EXCEPTION_POINTERS* info) {
    if (guardedThread.load() != GetCurrentThreadId() ||
        !IsProcessorFault(info->ExceptionRecord->ExceptionCode))
        return EXCEPTION_CONTINUE_SEARCH;
    // Resume in ordinary code rather than unwinding from inside the
    // exception dispatcher.
    info->ContextRecord->Eip = (DWORD)(UINT_PTR)&LeaveFaultedInflation;
    return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

int InflateChunk(uint8_t* out, uint32_t* outLength, const uint8_t* in,
                 uint32_t inLength) {
    PVOID handler = AddVectoredExceptionHandler(1, CatchInflateFault);
    if (!handler) return 0;
    InflateWork work = {};
    volatile int result = 0;
    guardedThread.store(GetCurrentThreadId());
    if (__builtin_setjmp(guardFrame) == 0)
        result = InflateZlibStream(out, outLength, in, inLength, &work);
    guardedThread.store(0);
    RemoveVectoredExceptionHandler(handler);
    ReleaseInflateWork(&work);
    return result;
}
