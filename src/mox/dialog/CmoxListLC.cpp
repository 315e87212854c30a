#include <mox/dialog/CmoxListLC.h>

#include <mox/dialog/internal/ItemList.h>
#include <mox/platform/CWnd.h>
#include <mox/values/CmoxByteCell.h>

using namespace mox::detail;

CmoxListLC::CmoxListLC(int controlId, CmoxCell* cell, CWnd* parent, const char* name,
                       unsigned char priority, int createDependencies)
    : CmoxLinkCell(controlId, cell, parent, name, priority, createDependencies) {}

CmoxListLC::~CmoxListLC() = default;

void CmoxListLC::UIToState() {
    if (CmoxByteCell* cell = IndexCell(*this))
        SelectedIndexToState(GetControlHandle(), *cell, kListBoxItems);
    else
        CmoxLinkCell::UIToState();
}

void CmoxListLC::StateToUI() {
    if (const CmoxByteCell* cell = IndexCell(*this))
        StateToSelectedIndex(GetControlHandle(), *cell, kListBoxItems);
    else
        CmoxLinkCell::StateToUI();
}

void CmoxListLC::AddString(const char* text) {
    AddItem(GetControlHandle(), text, kListBoxItems);
}

void CmoxListLC::GetControlText(char* text, int size) {
    SelectedItemText(GetControlHandle(), text, size,
                     kListBoxItems); // empty when nothing is selected
}

void CmoxListLC::SetControlText(const char* text) {
    ::SendMessage(GetControlHandle(), LB_SELECTSTRING, static_cast<WPARAM>(-1),
                  reinterpret_cast<LPARAM>(text != nullptr ? text : ""));
}
