#pragma once
// Text helpers shared by the control backends' message handling (compiled into each backend).

#include <mox/platform/MoxWindow.h>

#include <string>
#include <vector>

namespace mox::detail {

/// Copies `source` into a WM_GETTEXT-style buffer of `size` characters (the terminator
/// included), cut to fit; returns the characters copied.
LRESULT CopyTextCut(const std::string& source, WPARAM size, LPARAM buffer);

/// Copies `source` whole into `buffer` (which the caller sized), returns its length.
LRESULT CopyTextWhole(const std::string& source, LPARAM buffer);

/// The text at `text` (an LPARAM), the empty string for 0.
std::string TextParam(LPARAM text);

/// A message's index parameter as a signed number (-1 travels as all bits set).
long long IndexParam(WPARAM index);

/// Index of the first item after `start` (from the beginning for -1 or an index out of
/// range, wrapping around) whose text begins with `prefix`, ignoring ASCII case as list
/// controls do; -1 when none does.
int FindItemPrefix(const std::vector<std::string>& items, long long start,
                   const std::string& prefix);

} // namespace mox::detail
