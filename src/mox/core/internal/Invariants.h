#pragma once
// Self-checks of internal structures. Each structure with rules worth checking has a
// CheckInvariants() that walks it and stops the process at the first broken rule; the calls
// cost a walk each, so they exist only in builds without NDEBUG or with MOX_INVARIANTS on (the
// sanitizer builds) and compile to nothing in release builds.

#if !defined(MOX_CHECK_INVARIANTS) && !defined(NDEBUG)
#define MOX_CHECK_INVARIANTS 1
#endif

namespace mox::detail {

// Reports the broken rule `what` of `structure` on stderr and aborts.
[[noreturn]] void InvariantBroken(const char* structure, const char* what, const char* file,
                                  int line);

} // namespace mox::detail

#if MOX_CHECK_INVARIANTS
#define MOX_INVARIANT(structure, condition)                                                        \
  ((condition) ? (void)0                                                                           \
               : ::mox::detail::InvariantBroken(structure, #condition, __FILE__, __LINE__))
#else
#define MOX_INVARIANT(structure, condition) ((void)0)
#endif
