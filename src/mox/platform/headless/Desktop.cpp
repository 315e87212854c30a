#include <mox/platform/headless/Desktop.h>

#include <mox/platform/headless/Window.h>

namespace mox::headless {

Desktop::Desktop() : m_previous(MoxSetWindowSystem(this)) {}

Desktop::~Desktop() {
    for (MoxWindow* window : m_windows)
        static_cast<Window*>(window)->m_desktop = nullptr;
    // Put back what we replaced, but only if we are still the one installed; a desktop made
    // later and destroyed out of order must not be resurrected.
    if (MoxGetWindowSystem() == this) MoxSetWindowSystem(m_previous);
}

HWND Desktop::SetFocus(HWND window) {
    if (window != nullptr && m_windows.count(window) == 0) return nullptr;
    HWND previous = m_focus;
    m_focus = window;
    return previous;
}

HWND Desktop::GetFocus() const {
    return m_focus;
}

int Desktop::MessageBeep(unsigned int type) {
    m_beeps.push_back(type);
    return 1;
}

void Desktop::Register(Window* window) {
    m_windows.insert(window);
}

void Desktop::Forget(Window* window) {
    m_windows.erase(window);
    if (m_focus == window) m_focus = nullptr;
}

} // namespace mox::headless
