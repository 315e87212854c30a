#include <mox/platform/qt/WindowSystem.h>

#include <mox/platform/MessageBox.h>
#include <mox/platform/qt/Window.h>

#include <QApplication>
#include <QMessageBox>

namespace mox::qt {

WindowSystem::WindowSystem() : m_previous(MoxSetWindowSystem(this)) {}

WindowSystem::~WindowSystem() {
    // Only put back what we replaced while we are still the one installed.
    if (MoxGetWindowSystem() == this) MoxSetWindowSystem(m_previous);
}

HWND WindowSystem::SetFocus(HWND window) {
    HWND previous = GetFocus();
    if (window == nullptr) {
        if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
        return previous;
    }
    auto* adopted = dynamic_cast<Window*>(window);
    QWidget* widget = adopted != nullptr ? adopted->Widget() : nullptr;
    if (widget == nullptr) return nullptr;
    if (widget->isVisible() && !widget->isActiveWindow()) widget->activateWindow();
    widget->setFocus(Qt::OtherFocusReason);
    return previous;
}

HWND WindowSystem::GetFocus() const {
    // A combo box keeps the focus itself while its field takes the keys: report the nearest
    // adopted widget.
    for (QWidget* widget = QApplication::focusWidget(); widget != nullptr;
         widget = widget->parentWidget())
        if (Window* window = Window::FromWidget(widget)) return window;
    return nullptr;
}

int WindowSystem::MessageBeep(unsigned int) {
    ++m_beeps;
    QApplication::beep();
    return 1;
}

int ShowMessageBox(const char* text, unsigned int type) {
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton escape = QMessageBox::Ok;
    switch (type & 0x0FU) {
    case MB_OKCANCEL:
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
        escape = QMessageBox::Cancel;
        break;
    case MB_YESNOCANCEL:
        buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        escape = QMessageBox::Cancel;
        break;
    case MB_YESNO:
        buttons = QMessageBox::Yes | QMessageBox::No;
        escape = QMessageBox::No;
        break;
    default:
        break;
    }
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (type & 0xF0U) {
    case MB_ICONSTOP:
        icon = QMessageBox::Critical;
        break;
    case MB_ICONQUESTION:
        icon = QMessageBox::Question;
        break;
    case MB_ICONEXCLAMATION:
        icon = QMessageBox::Warning;
        break;
    case MB_ICONINFORMATION:
        icon = QMessageBox::Information;
        break;
    default:
        break;
    }
    QMessageBox box(icon, QApplication::applicationDisplayName(),
                    QString::fromUtf8(text != nullptr ? text : ""), buttons,
                    QApplication::activeWindow());
    box.setEscapeButton(escape);
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
        return IDOK;
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    default:
        return escape == QMessageBox::No ? IDNO : escape == QMessageBox::Ok ? IDOK : IDCANCEL;
    }
}

} // namespace mox::qt
