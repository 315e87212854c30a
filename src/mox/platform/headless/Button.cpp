#include <mox/platform/headless/Button.h>

namespace mox::headless {

CheckBox::CheckBox(Window* parent, int id, unsigned long style, Rect bounds, bool threeState)
    : Window(parent, nullptr, id, style, bounds), m_threeState(threeState) {}

LRESULT CheckBox::DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case BM_GETCHECK:
        return m_state;
    case BM_SETCHECK:
        if (wParam == BST_UNCHECKED)
            m_state = BST_UNCHECKED;
        else if (wParam == BST_INDETERMINATE && m_threeState)
            m_state = BST_INDETERMINATE;
        else
            m_state = BST_CHECKED;
        return 0;
    case WM_GETDLGCODE:
        return DLGC_BUTTON;
    default:
        return Window::DefWindowProc(message, wParam, lParam);
    }
}

void CheckBox::Click() {
    int next = BST_UNCHECKED;
    if (m_state == BST_UNCHECKED)
        next = BST_CHECKED;
    else if (m_state == BST_CHECKED && m_threeState)
        next = BST_INDETERMINATE;
    Send(BM_SETCHECK, static_cast<WPARAM>(next));
}

RadioButton::RadioButton(Window* parent, int id, unsigned long style, Rect bounds)
    : Window(parent, nullptr, id, style, bounds) {}

LRESULT RadioButton::DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case BM_GETCHECK:
        return m_checked ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
        m_checked = wParam != BST_UNCHECKED;
        return 0;
    case WM_GETDLGCODE:
        return DLGC_BUTTON | DLGC_RADIOBUTTON;
    default:
        return Window::DefWindowProc(message, wParam, lParam);
    }
}

void RadioButton::Click() {
    Window* parent = ParentWindow();
    if (parent != nullptr) {
        const auto& siblings = parent->Children();
        std::size_t self = 0;
        while (self < siblings.size() && siblings[self].get() != this)
            ++self;
        std::size_t first = self;
        while (first > 0 && (siblings[first]->GetStyle() & WS_GROUP) == 0)
            --first;
        for (std::size_t i = first; i < siblings.size(); ++i) {
            Window* other = siblings[i].get();
            if (i > first && (other->GetStyle() & WS_GROUP) != 0) break;
            if (other == this) continue;
            if ((other->Send(WM_GETDLGCODE) & DLGC_RADIOBUTTON) != 0 &&
                other->Send(BM_GETCHECK) != BST_UNCHECKED)
                other->Send(BM_SETCHECK, BST_UNCHECKED);
        }
    }
    Send(BM_SETCHECK, BST_CHECKED);
}

} // namespace mox::headless
