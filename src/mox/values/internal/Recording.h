#pragma once
/// @file
/// The one question every value-cell setter asks before building an undo record.

#include <mox/propagation/Cmox.h>

namespace mox::detail {

/// True while the calling thread's engine has an undo context attached, that is while a change
/// should carry an undo record. Throws CInvalidArgException when the thread has no engine.
inline bool UndoContextOpen() {
    return Cmox::Current().UndoContext() != nullptr;
}

} // namespace mox::detail
