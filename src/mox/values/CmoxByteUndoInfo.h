#pragma once
/// @file
/// CmoxByteUndoInfo: the undo record of a byte cell.

#include <mox/undo/CmoxUndoInfo.h>

/// Value, default and range of a byte cell before and after one transaction. One record type
/// serves value, default and range changes; owned by the undo list that files it.
class MOX_API CmoxByteUndoInfo : public CmoxUndoInfo {
  public:
    /// A record of the two states, each as value, default, min and max.
    CmoxByteUndoInfo(unsigned char oldValue, unsigned char oldDefault, unsigned char oldMin,
                     unsigned char oldMax, unsigned char newValue, unsigned char newDefault,
                     unsigned char newMin, unsigned char newMax);
    ~CmoxByteUndoInfo() override;
    /// Base merge, then the after state of `later` (a CmoxByteUndoInfo).
    void Merge(CmoxUndoInfo* later) override;

    unsigned char m_oldValue;   ///< Value before the transaction.
    unsigned char m_oldDefault; ///< Default before the transaction.
    unsigned char m_oldMin;     ///< Lower bound before the transaction.
    unsigned char m_oldMax;     ///< Upper bound before the transaction.
    unsigned char m_newValue;   ///< Value after the transaction.
    unsigned char m_newDefault; ///< Default after the transaction.
    unsigned char m_newMin;     ///< Lower bound after the transaction.
    unsigned char m_newMax;     ///< Upper bound after the transaction.
};
