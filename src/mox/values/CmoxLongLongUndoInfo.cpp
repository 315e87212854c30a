#include <mox/values/CmoxLongLongUndoInfo.h>

CmoxLongLongUndoInfo::CmoxLongLongUndoInfo(__int64 oldValue, __int64 oldDefault, __int64 oldMin,
                                           __int64 oldMax, __int64 oldSize,
                                           MoxIncrementPolicy oldPolicy, __int64 newValue,
                                           __int64 newDefault, __int64 newMin, __int64 newMax,
                                           __int64 newSize, MoxIncrementPolicy newPolicy)
    : ValueRecord({oldValue, oldDefault, oldMin, oldMax, oldSize, oldPolicy},
                  {newValue, newDefault, newMin, newMax, newSize, newPolicy}) {}

CmoxLongLongUndoInfo::~CmoxLongLongUndoInfo() = default;
