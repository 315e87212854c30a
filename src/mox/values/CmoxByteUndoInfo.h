#pragma once
/// @file
/// CmoxByteUndoInfo: the undo record of a byte cell.

#include <mox/values/CmoxValueUndoInfo.h>

/// Value, default and range of a byte cell before and after one transaction. One record type
/// serves value, default and range changes; owned by the undo list that files it.
class MOX_API CmoxByteUndoInfo
    : public mox::detail::ValueRecord<CmoxByteUndoInfo, unsigned char, unsigned char, unsigned char,
                                      unsigned char> {
  public:
    /// A record of the two states, each as value, default, min and max.
    CmoxByteUndoInfo(unsigned char oldValue, unsigned char oldDefault, unsigned char oldMin,
                     unsigned char oldMax, unsigned char newValue, unsigned char newDefault,
                     unsigned char newMin, unsigned char newMax);
    ~CmoxByteUndoInfo() override;
};
