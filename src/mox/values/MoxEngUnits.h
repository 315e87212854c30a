#pragma once
/// @file
/// Engineering-unit helpers for 64-bit quantities kept in pico-units.

#include <mox/platform/types.h>

/// TRUE when `c` is one of the unit letters G, M, K, m, u, n, p (case-sensitive; the space,
/// which stands for the base unit, is not one). Same as Cmox::IsEngUnit.
MOX_API int MoxIsEngUnit(char c);

/// `v` counts of the unit `c` in pico-units: M 10^18, K 10^15, space 10^12, m 10^9, u 10^6,
/// n 10^3, p 1; G and any other character give 0. Products beyond the 64-bit range saturate.
/// Same as Cmox::EngValue.
MOX_API __int64 MoxEngValue(__int64 v, char c);
