#include <mox/core/internal/Invariants.h>

#include <cstdio>
#include <cstdlib>

namespace mox::detail {

void InvariantBroken(const char* structure, const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: %s invariant broken: %s\n", file, line, structure, what);
  std::abort();
}

} // namespace mox::detail
