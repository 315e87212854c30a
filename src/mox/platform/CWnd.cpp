#include <mox/platform/CWnd.h>

#include <mox/platform/CDataExchange.h>
#include <mox/platform/CException.h>

#include <vector>

IMPLEMENT_DYNAMIC(CWnd, CObject)

CWnd::CWnd() = default;

CWnd::~CWnd() {
    // A window's own stand-in is deleted by the window after it cleared m_hWnd; an attached
    // object going first must unhook itself so the window stops routing messages to it.
    if (m_hWnd != nullptr && m_hWnd->m_attached == this) m_hWnd->m_attached = nullptr;
}

CWnd* CWnd::FromHandle(HWND window) {
    return window != nullptr ? window->Object() : nullptr;
}

int CWnd::SubclassWindow(HWND window) {
    if (window == nullptr || m_hWnd != nullptr || window->m_attached != nullptr) return 0;
    window->m_attached = this;
    m_hWnd = window;
    return 1;
}

int CWnd::SubclassDlgItem(int id, CWnd* parent) {
    if (parent == nullptr) return 0;
    HWND item = nullptr;
    parent->GetDlgItem(id, &item);
    return SubclassWindow(item);
}

HWND CWnd::UnsubclassWindow() {
    if (m_hWnd == nullptr || m_hWnd->m_attached != this) return nullptr;
    HWND window = m_hWnd;
    window->m_attached = nullptr;
    m_hWnd = nullptr;
    return window;
}

LRESULT CWnd::SendMessage(unsigned int message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessage(m_hWnd, message, wParam, lParam);
}

CWnd* CWnd::GetDlgItem(int id) const {
    HWND item = nullptr;
    GetDlgItem(id, &item);
    return FromHandle(item);
}

void CWnd::GetDlgItem(int id, HWND* window) const {
    if (window != nullptr) *window = m_hWnd != nullptr ? m_hWnd->GetDlgItem(id) : nullptr;
}

int CWnd::GetDlgCtrlID() const {
    return m_hWnd != nullptr ? m_hWnd->GetDlgCtrlID() : 0;
}

CWnd* CWnd::GetParent() const {
    return m_hWnd != nullptr ? FromHandle(m_hWnd->GetParent()) : nullptr;
}

CWnd* CWnd::GetNextWindow() const {
    return m_hWnd != nullptr ? FromHandle(m_hWnd->GetNextWindow()) : nullptr;
}

unsigned long CWnd::GetStyle() const {
    return m_hWnd != nullptr ? m_hWnd->GetStyle() : 0;
}

CWnd* CWnd::ChildWindowFromPoint(CPoint point) const {
    return m_hWnd != nullptr ? FromHandle(m_hWnd->ChildWindowFromPoint(point)) : nullptr;
}

int CWnd::GetWindowText(char* text, int maxCount) const {
    if (text == nullptr || maxCount <= 0) return 0;
    text[0] = '\0';
    if (m_hWnd == nullptr) return 0;
    return static_cast<int>(
        SendMessage(WM_GETTEXT, static_cast<WPARAM>(maxCount), reinterpret_cast<LPARAM>(text)));
}

void CWnd::GetWindowText(std::string& text) const {
    const int length = GetWindowTextLength();
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowText(buffer.data(), length + 1);
    text.assign(buffer.data(), static_cast<std::size_t>(copied < 0 ? 0 : copied));
}

int CWnd::GetWindowTextLength() const {
    const LRESULT length = SendMessage(WM_GETTEXTLENGTH);
    return length > 0 ? static_cast<int>(length) : 0;
}

void CWnd::SetWindowText(const char* text) {
    SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text != nullptr ? text : ""));
}

int CWnd::GetDlgItemText(int id, char* text, int maxCount) const {
    if (CWnd* item = GetDlgItem(id)) return item->GetWindowText(text, maxCount);
    if (text != nullptr && maxCount > 0) text[0] = '\0';
    return 0;
}

void CWnd::SetDlgItemText(int id, const char* text) {
    if (CWnd* item = GetDlgItem(id)) item->SetWindowText(text);
}

CWnd* CWnd::SetFocus() {
    if (m_hWnd == nullptr) return nullptr;
    return FromHandle(MoxGetWindowSystem()->SetFocus(m_hWnd));
}

CWnd* CWnd::GetFocus() {
    return FromHandle(MoxGetWindowSystem()->GetFocus());
}

int CWnd::UpdateData(int saveAndValidate) {
    CDataExchange exchange(this, saveAndValidate);
    try {
        DoDataExchange(&exchange);
    } catch (const CUserException&) {
        // The exchange function that threw has already told the user and moved the focus.
        return 0;
    }
    return 1;
}

LRESULT CWnd::WindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) {
    return m_hWnd != nullptr ? m_hWnd->DefWindowProc(message, wParam, lParam) : 0;
}

void CWnd::DoDataExchange(CDataExchange*) {}
