#include <mox/dialog/CmoxCheckLC.h>

#include <mox/platform/CDataExchange.h>
#include <mox/values/CmoxBooleanCell.h>

CmoxCheckLC::CmoxCheckLC(int controlId, CmoxBooleanCell* cell, CWnd* parent, const char* name,
                         unsigned char priority, int createDependencies)
    : CmoxLinkCell(controlId, cell, parent, name, priority, createDependencies) {}

CmoxCheckLC::~CmoxCheckLC() = default;

void CmoxCheckLC::UIToState() {
    CmoxCell* cell = Cell();
    if (cell == nullptr || !cell->IsKindOf(RUNTIME_CLASS(CmoxBooleanCell))) return;
    if (GetControlHandle() == nullptr) return; // the exchange would throw for a missing control
    CDataExchange exchange(Parent(), 1);
    int state = BST_UNCHECKED;
    DDX_Check(&exchange, ControlID(), state);
    static_cast<CmoxBooleanCell*>(cell)->Value(state);
}

void CmoxCheckLC::StateToUI() {
    CmoxCell* cell = Cell();
    if (cell == nullptr || !cell->IsKindOf(RUNTIME_CLASS(CmoxBooleanCell))) return;
    if (GetControlHandle() == nullptr) return;
    CDataExchange exchange(Parent(), 0);
    int state = static_cast<CmoxBooleanCell*>(cell)->Value();
    DDX_Check(&exchange, ControlID(), state);
}
