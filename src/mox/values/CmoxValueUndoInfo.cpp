#include <mox/values/CmoxValueUndoInfo.h>

#include <mox/values/internal/Arithmetic.h>
#include <mox/values/internal/Recording.h>

using mox::detail::OrEmpty;
using mox::detail::WrapToInt32;

CmoxLongUndoInfo::CmoxLongUndoInfo(long oldValue, long oldDefault, long newValue, long newDefault)
    : ValueRecord({WrapToInt32(oldValue), WrapToInt32(oldDefault)},
                  {WrapToInt32(newValue), WrapToInt32(newDefault)}) {}
CmoxLongUndoInfo::~CmoxLongUndoInfo() = default;

CmoxDoubleUndoInfo::CmoxDoubleUndoInfo(double oldValue, double oldDefault, double newValue,
                                       double newDefault)
    : ValueRecord({oldValue, oldDefault}, {newValue, newDefault}) {}
CmoxDoubleUndoInfo::~CmoxDoubleUndoInfo() = default;

CmoxBooleanUndoInfo::CmoxBooleanUndoInfo(unsigned char oldValue, unsigned char oldDefault,
                                         unsigned char newValue, unsigned char newDefault)
    : ValueRecord({oldValue, oldDefault}, {newValue, newDefault}) {}
CmoxBooleanUndoInfo::~CmoxBooleanUndoInfo() = default;

CmoxStringUndoInfo::CmoxStringUndoInfo(const char* oldValue, const char* oldDefault,
                                       const char* newValue, const char* newDefault)
    : ValueRecord({OrEmpty(oldValue), OrEmpty(oldDefault)},
                  {OrEmpty(newValue), OrEmpty(newDefault)}) {}
CmoxStringUndoInfo::~CmoxStringUndoInfo() = default;

CmoxPtrUndoInfo::CmoxPtrUndoInfo(void* oldValue, void* oldDefault, void* newValue, void* newDefault)
    : ValueRecord({oldValue, oldDefault}, {newValue, newDefault}) {}
CmoxPtrUndoInfo::~CmoxPtrUndoInfo() = default;
