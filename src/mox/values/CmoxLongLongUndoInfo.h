#pragma once
/// @file
/// CmoxLongLongUndoInfo: the undo record of a 64-bit cell.

#include <mox/values/CmoxValueUndoInfo.h>

/// Value, default, range, increment size and policy of a 64-bit cell before and after one
/// transaction. One record type serves every recorded change of the cell; owned by the undo list
/// that files it.
class MOX_API CmoxLongLongUndoInfo
    : public mox::detail::ValueRecord<CmoxLongLongUndoInfo, __int64, __int64, __int64, __int64,
                                      __int64, MoxIncrementPolicy> {
  public:
    /// A record of the two states, each as value, default, min, max, size and policy.
    CmoxLongLongUndoInfo(__int64 oldValue, __int64 oldDefault, __int64 oldMin, __int64 oldMax,
                         __int64 oldSize, MoxIncrementPolicy oldPolicy, __int64 newValue,
                         __int64 newDefault, __int64 newMin, __int64 newMax, __int64 newSize,
                         MoxIncrementPolicy newPolicy);
    ~CmoxLongLongUndoInfo() override;
};
