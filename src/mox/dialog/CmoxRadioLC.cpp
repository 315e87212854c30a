#include <mox/dialog/CmoxRadioLC.h>

#include <mox/platform/CDataExchange.h>
#include <mox/values/CmoxByteCell.h>

CmoxRadioLC::CmoxRadioLC(int controlId, CmoxByteCell* cell, CWnd* parent, const char* name,
                         unsigned char priority, int createDependencies)
    : CmoxLinkCell(controlId, cell, parent, name, priority, createDependencies) {}

CmoxRadioLC::~CmoxRadioLC() = default;

void CmoxRadioLC::UIToState() {
    CmoxCell* cell = Cell();
    if (cell == nullptr || !cell->IsKindOf(RUNTIME_CLASS(CmoxByteCell))) return;
    if (GetControlHandle() == nullptr) return; // the exchange would throw for a missing control
    CDataExchange exchange(Parent(), 1);
    int position = -1;
    DDX_Radio(&exchange, ControlID(), position);
    // -1 (nothing checked) becomes 255; the cell clamps to its own range.
    static_cast<CmoxByteCell*>(cell)->Value(static_cast<unsigned char>(position & 0xFF));
}

void CmoxRadioLC::StateToUI() {
    CmoxCell* cell = Cell();
    if (cell == nullptr || !cell->IsKindOf(RUNTIME_CLASS(CmoxByteCell))) return;
    if (GetControlHandle() == nullptr) return;
    CDataExchange exchange(Parent(), 0);
    int position = static_cast<CmoxByteCell*>(cell)->Value();
    DDX_Radio(&exchange, ControlID(), position);
}
