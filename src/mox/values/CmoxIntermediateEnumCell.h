#pragma once
/// @file
/// CmoxIntermediateEnumCell: a long cell that holds an enumeration.

#include <mox/values/CmoxLongCell.h>

/// A CmoxLongCell used for enumerations. It behaves exactly like a long cell; only its run-time
/// class differs, so a long cell and an enum cell never compare equal and archive records name
/// the class they were written from.
class MOX_API CmoxIntermediateEnumCell : public CmoxLongCell {
    DECLARE_DYNAMIC(CmoxIntermediateEnumCell)

  public:
    using CmoxLongCell::CmoxLongCell;
    using CmoxLongCell::operator=;

    /// A cell named "NoName" holding 0 with default 0 and the state priority.
    CmoxIntermediateEnumCell();
    ~CmoxIntermediateEnumCell() override;
};
