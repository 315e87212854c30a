#pragma once
/// @file
/// Fixed-width names that the cell interfaces use, and the export macro.

#include <mox/platform/export.h>

#ifndef _MSC_VER
/// Signed 64-bit integer of the cell interfaces. Deliberately `long long`, never `int64_t`
/// (which is `long` on Linux and would collide with the `Value(long)` overloads).
typedef long long __int64;
#endif
