#include <mox/values/CmoxByteUndoInfo.h>

CmoxByteUndoInfo::CmoxByteUndoInfo(unsigned char oldValue, unsigned char oldDefault,
                                   unsigned char oldMin, unsigned char oldMax,
                                   unsigned char newValue, unsigned char newDefault,
                                   unsigned char newMin, unsigned char newMax)
    : ValueRecord({oldValue, oldDefault, oldMin, oldMax}, {newValue, newDefault, newMin, newMax}) {}

CmoxByteUndoInfo::~CmoxByteUndoInfo() = default;
