#include <mox/platform/CEdit.h>

IMPLEMENT_DYNAMIC(CEdit, CWnd)

CEdit::CEdit() = default;
CEdit::~CEdit() = default;

void CEdit::SetSel(int start, int end, int /*noScroll*/) {
    SendMessage(EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
}

void CEdit::GetSel(int& start, int& end) const {
    start = 0;
    end = 0;
    SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
}

void CEdit::ReplaceSel(const char* text) {
    SendMessage(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text != nullptr ? text : ""));
}
