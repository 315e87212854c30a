#include <mox/platform/qt/Window.h>

#include <mox/platform/internal/Text.h>
#include <mox/platform/qt/internal/Controls.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>

#include <algorithm>
#include <unordered_map>

namespace mox::qt {

namespace {

// Widget -> adopted window, for the focus lookups of the window system. GUI thread only.
std::unordered_map<const QWidget*, Window*>& Registry() {
    static std::unordered_map<const QWidget*, Window*> registry;
    return registry;
}

} // namespace

Window::Window(QWidget* widget, Window* parent, int id, unsigned long style)
    : m_widget(widget), m_parent(parent), m_id(id), m_style(style) {
    Registry()[widget] = this;
    if (parent != nullptr) parent->m_children.push_back(this);
}

Window::~Window() {
    DetachObjects();
    auto& registry = Registry();
    const auto found = std::find_if(registry.begin(), registry.end(),
                                    [this](const auto& entry) { return entry.second == this; });
    if (found != registry.end()) registry.erase(found);
}

Window* Window::FromWidget(const QWidget* widget) {
    const auto& registry = Registry();
    const auto found = registry.find(widget);
    return found != registry.end() ? found->second : nullptr;
}

LRESULT Window::DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) {
    QWidget* widget = Widget();
    if (widget == nullptr) return 0;
    switch (message) {
    case WM_SETTEXT:
        detail::SetWidgetText(widget, detail::FromText(lParam));
        return 1;
    case WM_GETTEXT:
        return mox::detail::CopyTextCut(detail::WidgetText(widget), wParam, lParam);
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(detail::WidgetText(widget).size());
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
    for (Window* child : m_children)
        if (child->m_id == id) return child;
    return nullptr;
}

HWND Window::GetNextWindow() const {
    if (m_parent == nullptr) return nullptr;
    const auto& siblings = m_parent->m_children;
    const auto self = std::find(siblings.begin(), siblings.end(), this);
    return self != siblings.end() && self + 1 != siblings.end() ? *(self + 1) : nullptr;
}

HWND Window::ChildWindowFromPoint(CPoint point) const {
    QWidget* widget = Widget();
    const QPoint at(static_cast<int>(point.x), static_cast<int>(point.y));
    if (widget == nullptr || !widget->rect().contains(at)) return nullptr;
    for (Window* child : m_children) {
        QWidget* childWidget = child->Widget();
        // Adopted children may sit inside containers that were not adopted (group boxes,
        // layouts' frames): compare in this widget's coordinates.
        if (childWidget != nullptr && widget->isAncestorOf(childWidget) &&
            QRect(childWidget->mapTo(widget, QPoint(0, 0)), childWidget->size()).contains(at))
            return child;
    }
    return const_cast<Window*>(this);
}

} // namespace mox::qt
