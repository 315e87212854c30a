#!/usr/bin/env bash
# Consumer tests: installs the build in BUILD into a scratch prefix, compiles every installed
# header alone, then builds and runs tests/consumer three ways: find_package, pkg-config and
# add_subdirectory, with the core and the headless backend. Usage: tests/consumer/run.sh BUILD
set -euo pipefail
repo="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "$1" && pwd)"
work="${CONSUMER_WORK:-$build/consumer}"  # a fixed path keeps compiler caches warm
prefix="$work/prefix"
cxx="${CXX:-c++}"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
rm -rf "$work"
mkdir -p "$work"

echo "== install into $prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
test ! -e "$(find "$prefix/include" -type d -name internal -print -quit)" \
  || { echo "internal headers were installed"; exit 1; }

echo "== the installed moxarchive runs from the prefix"
"$prefix/bin/moxarchive" check "$repo/fuzz/corpus/example.qvx"

echo "== every installed header compiles alone"
qt_flags="-fPIC $(pkg-config --cflags Qt6Widgets 2>/dev/null || true)"
find "$prefix/include" -name '*.h' | sort | while read -r header; do
  rel="${header#"$prefix/include/"}"
  flags=""; case "$rel" in mox/platform/qt/* | mox/qt.h) flags="$qt_flags";; esac
  # shellcheck disable=SC2086
  echo "#include <$rel>" | "$cxx" -std=c++17 -fsyntax-only -Wall -Wextra -Werror \
    -I"$prefix/include" $flags -x c++ - || { echo "does not compile alone: $rel"; exit 1; }
done

echo "== find_package(mox)"
cmake -S "$repo/tests/consumer" -B "$work/package" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$prefix" -DMOX_CONSUME=package -DMOX_EXPECTED_VERSION="$version" >/dev/null
cmake --build "$work/package" >/dev/null
"$work/package/consumer"

echo "== pkg-config mox"
libdir="$(dirname "$(find "$prefix" -name mox.pc -print -quit)")"
# shellcheck disable=SC2046
"$cxx" -std=c++17 -DEXPECTED_VERSION="\"$version\"" "$repo/tests/consumer/main.cpp" \
  -o "$work/pkgconfig-consumer" $(PKG_CONFIG_PATH="$libdir" pkg-config --cflags --libs mox mox-headless)
LD_LIBRARY_PATH="$(dirname "$libdir")" "$work/pkgconfig-consumer"

echo "== add_subdirectory(mox)"
cmake -S "$repo/tests/consumer" -B "$work/subdir" -DCMAKE_BUILD_TYPE=Release \
  -DMOX_CONSUME=subdir -DMOX_SOURCE_DIR="$repo" -DMOX_EXPECTED_VERSION="$version" >/dev/null
cmake --build "$work/subdir" -j "${JOBS:-2}" >/dev/null
"$work/subdir/consumer"
echo "consumer tests passed"
