#pragma once
// The Qt backend's control windows: each translates the message vocabulary for one widget kind.

#include <mox/platform/qt/Window.h>

#include <QString>

#include <memory>
#include <string>

class QComboBox;
class QLineEdit;

namespace mox::qt::detail {

/// The text at `text` (an LPARAM, UTF-8) as a QString; empty for 0.
QString FromText(LPARAM text);
/// The widget's window text in UTF-8: a line edit's or button's text, a label's, a group box's
/// title, else the window title.
std::string WidgetText(const QWidget* widget);
/// Sets what WidgetText reads.
void SetWidgetText(QWidget* widget, const QString& text);

/// The window for `widget`, of the kind its class calls for, adopted under `parent`. A combo
/// box gets its line edit adopted as its child with identifier kComboEditId.
std::unique_ptr<Window> MakeWindow(QWidget* widget, Window* parent, int id, unsigned long style,
                                   std::vector<std::unique_ptr<Window>>& extra);

/// Dialog item identifier of a combo box's line edit, as in the headless backend.
constexpr int kComboEditId = 1001;

} // namespace mox::qt::detail
