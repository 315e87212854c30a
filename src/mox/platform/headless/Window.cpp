#include <mox/platform/headless/Window.h>

#include <mox/platform/headless/Desktop.h>
#include <mox/platform/internal/Text.h>

namespace mox::headless {

Window::Window(Window* parent, Desktop* desktop, int id, unsigned long style, Rect bounds)
    : m_parent(parent), m_desktop(parent != nullptr ? parent->m_desktop : desktop), m_id(id),
      m_style(style), m_bounds(bounds) {
    if (m_desktop != nullptr) m_desktop->Register(this);
}

Window::~Window() {
    // Children go first, while the parent is still whole, then the desktop forgets us (and
    // drops the focus if we held it).
    m_children.clear();
    if (m_desktop != nullptr) m_desktop->Forget(this);
    DetachObjects();
}

LRESULT Window::DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETTEXT:
        m_text = detail::TextParam(lParam);
        ++m_setTextCount;
        return 1;
    case WM_GETTEXT:
        return detail::CopyTextCut(m_text, wParam, lParam);
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(m_text.size());
    default:
        return 0;
    }
}

int Window::GetDlgCtrlID() const {
    return m_id;
}
unsigned long Window::GetStyle() const {
    return m_style;
}
HWND Window::GetParent() const {
    return m_parent;
}

HWND Window::GetDlgItem(int id) const {
    for (const auto& child : m_children)
        if (child->m_id == id) return child.get();
    return nullptr;
}

HWND Window::GetNextWindow() const {
    if (m_parent == nullptr) return nullptr;
    const auto& siblings = m_parent->m_children;
    for (std::size_t i = 0; i + 1 < siblings.size(); ++i)
        if (siblings[i].get() == this) return siblings[i + 1].get();
    return nullptr;
}

HWND Window::ChildWindowFromPoint(CPoint point) const {
    const Rect client{0, 0, m_bounds.Width(), m_bounds.Height()};
    if (!client.Contains(point)) return nullptr;
    for (const auto& child : m_children)
        if (child->m_bounds.Contains(point)) return child.get();
    return const_cast<Window*>(this);
}

const std::string& Window::Text() const {
    return m_text;
}

bool Window::HasFocus() const {
    return m_desktop != nullptr && m_desktop->GetFocus() == static_cast<const MoxWindow*>(this);
}

Window& Window::Adopt(std::unique_ptr<Window> child) {
    m_children.push_back(std::move(child));
    return *m_children.back();
}

} // namespace mox::headless
