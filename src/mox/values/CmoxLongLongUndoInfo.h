#pragma once
/// @file
/// CmoxLongLongUndoInfo: the undo record of a 64-bit cell.

#include <mox/undo/CmoxUndoInfo.h>

/// Value, default, range, increment size and policy of a 64-bit cell before and after one
/// transaction. One record type serves every recorded change of the cell; owned by the undo list
/// that files it.
class MOX_API CmoxLongLongUndoInfo : public CmoxUndoInfo {
  public:
    /// A record of the two states, each as value, default, min, max, size and policy.
    CmoxLongLongUndoInfo(__int64 oldValue, __int64 oldDefault, __int64 oldMin, __int64 oldMax,
                         __int64 oldSize, MoxIncrementPolicy oldPolicy, __int64 newValue,
                         __int64 newDefault, __int64 newMin, __int64 newMax, __int64 newSize,
                         MoxIncrementPolicy newPolicy);
    ~CmoxLongLongUndoInfo() override;
    /// Base merge, then the after state of `later` (a CmoxLongLongUndoInfo).
    void Merge(CmoxUndoInfo* later) override;

    __int64 m_oldValue;             ///< Value before the transaction.
    __int64 m_oldDefault;           ///< Default before the transaction.
    __int64 m_oldMin;               ///< Lower bound before the transaction.
    __int64 m_oldMax;               ///< Upper bound before the transaction.
    __int64 m_oldSize;              ///< Increment size before the transaction.
    MoxIncrementPolicy m_oldPolicy; ///< Increment policy before the transaction.
    __int64 m_newValue;             ///< Value after the transaction.
    __int64 m_newDefault;           ///< Default after the transaction.
    __int64 m_newMin;               ///< Lower bound after the transaction.
    __int64 m_newMax;               ///< Upper bound after the transaction.
    __int64 m_newSize;              ///< Increment size after the transaction.
    MoxIncrementPolicy m_newPolicy; ///< Increment policy after the transaction.
};
