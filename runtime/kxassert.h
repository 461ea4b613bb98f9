// KX_ASSERT(condition): an invariant the code relies on. Checked in the
// test builds (no NDEBUG) and the fuzz builds (KX_ASSERTS, set by CMake);
// compiled out in Release, where the condition is not even evaluated. A
// failed check prints the condition, file and line to stderr and aborts, so
// a broken invariant stops the test at the place that broke it. Keep the
// conditions cheap (or bounded, see kKxAssertScanLimit): they run on every
// call in the test builds.
#pragma once
#include <cstdint>

#if defined(KX_ASSERTS) || !defined(NDEBUG)
#define KX_ASSERT_ON 1
[[noreturn]] void KxAssertFailed(const char* condition, const char* file, int line);
#define KX_ASSERT(cond) ((cond) ? static_cast<void>(0) : KxAssertFailed(#cond, __FILE__, __LINE__))
#else
#define KX_ASSERT_ON 0
#define KX_ASSERT(cond) static_cast<void>(sizeof((cond) ? 1 : 0))  // not evaluated
#endif

// Checks that walk a whole structure run only up to this many elements.
inline constexpr uint32_t kKxAssertScanLimit = 100000;
