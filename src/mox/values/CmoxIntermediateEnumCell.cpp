#include <mox/values/CmoxIntermediateEnumCell.h>

IMPLEMENT_DYNAMIC(CmoxIntermediateEnumCell, CmoxLongCell)

CmoxIntermediateEnumCell::CmoxIntermediateEnumCell() = default;

CmoxIntermediateEnumCell::~CmoxIntermediateEnumCell() = default;
