#pragma once
// Which processor instructions the quick paths of the text passes, the line counter and the
// report writer may use. Every such path has a plain form that gives the same result; building
// with TAVELIN_SCALAR defined (the CMake option of that name) takes the plain forms everywhere,
// so that they can be tested on a machine that has the instructions.
//
// TAVELIN_SIMD_SSE2    SSE2 (every x86-64 target)
// TAVELIN_SIMD_POPCNT  the population count instruction

#if !defined(TAVELIN_SCALAR)

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define TAVELIN_SIMD_SSE2 1
#endif

#if defined(__POPCNT__) || (defined(_MSC_VER) && defined(__AVX__))
#define TAVELIN_SIMD_POPCNT 1
#endif

#endif
