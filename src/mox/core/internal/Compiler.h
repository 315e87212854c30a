#pragma once
// The few compiler attributes the hot paths use, written once; empty where the compiler does not
// know them, so the code stays correct, only slower.

#if defined(__GNUC__)
// Inlines every call made by the function it marks: for loops that run once per dependent or per
// token, whose steps the compiler keeps as calls because rarer paths share them.
#define MOX_FLATTEN __attribute__((flatten))
#define MOX_ALWAYS_INLINE __attribute__((always_inline)) inline
// A thread-local read with one instruction instead of a call into the dynamic linker. Costs its
// size in the static TLS space the C library keeps even for libraries loaded with dlopen: only
// for a few small variables.
#define MOX_INITIAL_EXEC_TLS __attribute__((tls_model("initial-exec")))
#else
#define MOX_FLATTEN
#define MOX_ALWAYS_INLINE inline
#define MOX_INITIAL_EXEC_TLS
#endif
