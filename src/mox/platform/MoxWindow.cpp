#include <mox/platform/CWnd.h>
#include <mox/platform/MoxWindow.h>

#include <atomic>

MoxWindow::MoxWindow() = default;

MoxWindow::~MoxWindow() {
    DetachObjects();
    delete m_wrapper;
}

LRESULT MoxWindow::Send(unsigned int message, WPARAM wParam, LPARAM lParam) {
    if (m_attached != nullptr) return m_attached->WindowProc(message, wParam, lParam);
    return DefWindowProc(message, wParam, lParam);
}

CWnd* MoxWindow::Object() {
    if (m_attached != nullptr) return m_attached;
    // The stand-in lives as long as the window, so pointers handed out by GetDlgItem stay
    // valid for the dialog's life (unlike the framework's temporary objects).
    if (m_wrapper == nullptr) {
        m_wrapper = new CWnd;
        m_wrapper->m_hWnd = this;
    }
    return m_wrapper;
}

void MoxWindow::DetachObjects() {
    if (m_attached != nullptr) {
        m_attached->m_hWnd = nullptr;
        m_attached = nullptr;
    }
    if (m_wrapper != nullptr) m_wrapper->m_hWnd = nullptr;
}

MoxWindowSystem::~MoxWindowSystem() = default;

namespace {

// Used while no backend is installed: there is nothing to focus and nothing to hear.
class NoWindowSystem final : public MoxWindowSystem {
  public:
    HWND SetFocus(HWND) override { return nullptr; }
    HWND GetFocus() const override { return nullptr; }
    int MessageBeep(unsigned int) override { return 0; }
};

NoWindowSystem& BuiltInSystem() {
    static NoWindowSystem system;
    return system;
}

std::atomic<MoxWindowSystem*> g_system{nullptr};

} // namespace

MoxWindowSystem* MoxSetWindowSystem(MoxWindowSystem* system) {
    MoxWindowSystem* previous = g_system.exchange(system);
    return previous != nullptr ? previous : &BuiltInSystem();
}

MoxWindowSystem* MoxGetWindowSystem() {
    MoxWindowSystem* system = g_system.load();
    return system != nullptr ? system : &BuiltInSystem();
}

LRESULT SendMessage(HWND window, unsigned int message, WPARAM wParam, LPARAM lParam) {
    return window != nullptr ? window->Send(message, wParam, lParam) : 0;
}

int MessageBeep(unsigned int type) {
    return MoxGetWindowSystem()->MessageBeep(type);
}
