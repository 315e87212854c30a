#include <mox/platform/qt/internal/Controls.h>

#include <mox/platform/internal/Text.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalBlocker>

#include <utility>

namespace mox::qt::detail {

using mox::detail::CopyTextCut;
using mox::detail::CopyTextWhole;
using mox::detail::FindItemPrefix;
using mox::detail::IndexParam;

QString FromText(LPARAM text) {
    return text != 0 ? QString::fromUtf8(reinterpret_cast<const char*>(text)) : QString();
}

std::string WidgetText(const QWidget* widget) {
    QString text;
    if (auto* edit = qobject_cast<const QLineEdit*>(widget))
        text = edit->text();
    else if (auto* combo = qobject_cast<const QComboBox*>(widget))
        text = combo->currentText();
    else if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        text = button->text();
    else if (auto* label = qobject_cast<const QLabel*>(widget))
        text = label->text();
    else if (auto* group = qobject_cast<const QGroupBox*>(widget))
        text = group->title();
    else
        text = widget->windowTitle();
    return text.toStdString();
}

void SetWidgetText(QWidget* widget, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(widget))
        group->setTitle(text);
    else
        widget->setWindowTitle(text);
}

namespace {

std::vector<std::string> Items(const QComboBox& combo) {
    std::vector<std::string> items;
    for (int i = 0; i < combo.count(); ++i)
        items.push_back(combo.itemText(i).toStdString());
    return items;
}

std::vector<std::string> Items(const QListWidget& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.count(); ++i)
        items.push_back(list.item(i)->text().toStdString());
    return items;
}

// Whether `c` is a character an edit field inserts (not a control character).
bool IsPrintable(char32_t c) {
    return c >= 0x20 && c != 0x7F;
}

// Typing reaches an edit field as WM_CHAR through the message path whenever an object is
// attached to it, so the application's WindowProc sees (and may drop) every character. Keys
// that are not characters (Return, Tab, arrows, shortcuts) keep Qt's own handling.
class KeyRouter final : public QObject {
  public:
    explicit KeyRouter(Window* field) : m_field(field) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || m_field->AttachedObject() == nullptr)
            return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        if (key->key() == Qt::Key_Backspace) {
            m_field->Send(WM_CHAR, '\b');
            return true;
        }
        const QList<uint> chars = key->text().toUcs4();
        if (chars.isEmpty()) return false;
        for (uint c : chars)
            if (!IsPrintable(c)) return false;
        for (uint c : chars)
            m_field->Send(WM_CHAR, c);
        return true;
    }

  private:
    Window* m_field;
};

// QLineEdit. Positions of EM_GETSEL/EM_SETSEL count characters; WM_CHAR carries a code point.
class EditWindow final : public Window {
  public:
    EditWindow(QLineEdit* edit, Window* parent, int id, unsigned long style)
        : Window(edit, parent, id, style), m_router(this) {
        edit->installEventFilter(&m_router);
    }
    // The router object may also watch the combo box that forwards its keys to this field.
    QObject* Router() { return &m_router; }

    LRESULT DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) override {
        auto* edit = static_cast<QLineEdit*>(Widget());
        if (edit == nullptr) return 0;
        const int length = static_cast<int>(edit->text().size());
        switch (message) {
        case WM_SETTEXT:
            edit->setText(FromText(lParam));
            edit->setCursorPosition(0); // as a native field: the caret at the start
            return 1;
        case WM_GETTEXT:
            return CopyTextCut(edit->text().toStdString(), wParam, lParam);
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(edit->text().toStdString().size());
        case WM_CHAR: {
            const auto c = static_cast<char32_t>(wParam);
            if (c == U'\b')
                edit->backspace();
            else if (IsPrintable(c))
                edit->insert(QString::fromUcs4(&c, 1));
            return 0;
        }
        case EM_SETSEL: {
            long long start = IndexParam(wParam);
            long long end = static_cast<long long>(lParam);
            if (start == -1) {
                edit->deselect();
                return 0;
            }
            if (end < 0 || end > length) end = length;
            start = std::min<long long>(std::max<long long>(start, 0), length);
            if (start > end) std::swap(start, end);
            if (start == end)
                edit->setCursorPosition(static_cast<int>(start));
            else
                edit->setSelection(static_cast<int>(start), static_cast<int>(end - start));
            return 0;
        }
        case EM_GETSEL: {
            int start = edit->cursorPosition();
            int end = start;
            if (edit->hasSelectedText()) {
                start = edit->selectionStart();
                end = start + static_cast<int>(edit->selectedText().size());
            }
            if (int* out = reinterpret_cast<int*>(wParam)) *out = start;
            if (int* out = reinterpret_cast<int*>(lParam)) *out = end;
            return static_cast<LRESULT>((static_cast<unsigned long>(start) & 0xFFFFUL) |
                                        ((static_cast<unsigned long>(end) & 0xFFFFUL) << 16));
        }
        case EM_REPLACESEL:
            edit->insert(FromText(lParam));
            return 0;
        case WM_GETDLGCODE:
            return DLGC_HASSETSEL;
        default:
            return Window::DefWindowProc(message, wParam, lParam);
        }
    }

  private:
    KeyRouter m_router;
};

// QComboBox. The selection counts only while the field shows the selected item: text typed
// over it means no selection, as in a native drop-down combo box. Program selections do not
// signal, so handlers of the user's picks do not run for them.
class ComboWindow final : public Window {
  public:
    ComboWindow(QComboBox* combo, Window* parent, int id, unsigned long style)
        : Window(combo, parent, id, style) {
        combo->setInsertPolicy(QComboBox::NoInsert); // items come from the program only
    }

    LRESULT DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) override {
        auto* combo = static_cast<QComboBox*>(Widget());
        if (combo == nullptr) return 0;
        const int count = combo->count();
        switch (message) {
        case WM_SETTEXT:
            if (combo->isEditable()) {
                combo->setEditText(FromText(lParam));
                return 1;
            }
            return Select(*combo, combo->findText(FromText(lParam))) >= 0 ? 1 : CB_ERR;
        case WM_GETTEXT:
            return CopyTextCut(combo->currentText().toStdString(), wParam, lParam);
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(combo->currentText().toStdString().size());
        case CB_ADDSTRING:
            combo->addItem(FromText(lParam));
            return count;
        case CB_GETCOUNT:
            return count;
        case CB_GETCURSEL: {
            const int index = combo->currentIndex();
            if (index < 0) return CB_ERR;
            if (combo->isEditable() && combo->currentText() != combo->itemText(index))
                return CB_ERR;
            return index;
        }
        case CB_SETCURSEL:
            return Select(*combo, IndexParam(wParam));
        case CB_GETLBTEXT:
        case CB_GETLBTEXTLEN: {
            const long long index = IndexParam(wParam);
            if (index < 0 || index >= count) return CB_ERR;
            const std::string item = combo->itemText(static_cast<int>(index)).toStdString();
            if (message == CB_GETLBTEXTLEN) return static_cast<LRESULT>(item.size());
            return CopyTextWhole(item, lParam);
        }
        case CB_RESETCONTENT: {
            const QSignalBlocker quiet(combo);
            combo->clear();
            if (combo->isEditable()) combo->clearEditText();
            return 0;
        }
        case CB_FINDSTRING:
        case CB_SELECTSTRING: {
            const int found =
                FindItemPrefix(Items(*combo), IndexParam(wParam), FromText(lParam).toStdString());
            if (found < 0) return CB_ERR;
            return message == CB_SELECTSTRING ? Select(*combo, found) : found;
        }
        default:
            return Window::DefWindowProc(message, wParam, lParam);
        }
    }

  private:
    static LRESULT Select(QComboBox& combo, long long index) {
        const QSignalBlocker quiet(&combo);
        const bool valid = index >= 0 && index < combo.count();
        combo.setCurrentIndex(valid ? static_cast<int>(index) : -1);
        // Selecting the current item again must still put its text back into the field.
        if (combo.isEditable())
            combo.setEditText(valid ? combo.itemText(static_cast<int>(index)) : QString());
        return valid ? static_cast<LRESULT>(index) : static_cast<LRESULT>(CB_ERR);
    }
};

// QListWidget in single selection. Program selections do not signal.
class ListWindow final : public Window {
  public:
    ListWindow(QListWidget* list, Window* parent, int id, unsigned long style)
        : Window(list, parent, id, style) {
        list->setSelectionMode(QAbstractItemView::SingleSelection);
    }

    LRESULT DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) override {
        auto* list = static_cast<QListWidget*>(Widget());
        if (list == nullptr) return 0;
        const int count = list->count();
        switch (message) {
        case LB_ADDSTRING:
            list->addItem(FromText(lParam));
            return count;
        case LB_RESETCONTENT: {
            const QSignalBlocker quiet(list);
            list->clear();
            return 0;
        }
        case LB_GETCOUNT:
            return count;
        case LB_GETCURSEL: {
            const QList<QListWidgetItem*> selected = list->selectedItems();
            return selected.isEmpty() ? LB_ERR : list->row(selected.first());
        }
        case LB_SETCURSEL:
            return Select(*list, IndexParam(wParam));
        case LB_GETTEXT:
        case LB_GETTEXTLEN: {
            const long long index = IndexParam(wParam);
            if (index < 0 || index >= count) return LB_ERR;
            const std::string item = list->item(static_cast<int>(index))->text().toStdString();
            if (message == LB_GETTEXTLEN) return static_cast<LRESULT>(item.size());
            return CopyTextWhole(item, lParam);
        }
        case LB_FINDSTRING:
        case LB_SELECTSTRING: {
            const int found =
                FindItemPrefix(Items(*list), IndexParam(wParam), FromText(lParam).toStdString());
            if (found < 0) return LB_ERR;
            return message == LB_SELECTSTRING ? Select(*list, found) : found;
        }
        default:
            return Window::DefWindowProc(message, wParam, lParam);
        }
    }

  private:
    static LRESULT Select(QListWidget& list, long long index) {
        const QSignalBlocker quiet(&list);
        const bool valid = index >= 0 && index < list.count();
        if (!valid) {
            list.clearSelection();
            list.setCurrentRow(-1);
            return LB_ERR;
        }
        list.setCurrentRow(static_cast<int>(index), QItemSelectionModel::ClearAndSelect);
        return static_cast<LRESULT>(index);
    }
};

// QCheckBox, two- or three-state (tristate).
class CheckWindow final : public Window {
  public:
    CheckWindow(QCheckBox* box, Window* parent, int id, unsigned long style)
        : Window(box, parent, id, style) {
        QObject::connect(box, &QAbstractButton::clicked, &m_connections, [box] {
            // Qt cycles a three-state box unchecked, partly, checked; the dialog layer's order
            // is unchecked, checked, indeterminate. Qt has already moved: map its step to ours.
            if (!box->isTristate()) return;
            switch (box->checkState()) {
            case Qt::PartiallyChecked: // was unchecked
                box->setCheckState(Qt::Checked);
                break;
            case Qt::Unchecked: // was checked
                box->setCheckState(Qt::PartiallyChecked);
                break;
            default: // was indeterminate
                box->setCheckState(Qt::Unchecked);
                break;
            }
        });
    }

    LRESULT DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) override {
        auto* box = static_cast<QCheckBox*>(Widget());
        if (box == nullptr) return 0;
        switch (message) {
        case BM_GETCHECK:
            switch (box->checkState()) {
            case Qt::Checked:
                return BST_CHECKED;
            case Qt::PartiallyChecked:
                return BST_INDETERMINATE;
            default:
                return BST_UNCHECKED;
            }
        case BM_SETCHECK:
            // A two-state box shows every non-zero state as checked.
            if (wParam == BST_UNCHECKED)
                box->setCheckState(Qt::Unchecked);
            else if (wParam == BST_INDETERMINATE && box->isTristate())
                box->setCheckState(Qt::PartiallyChecked);
            else
                box->setCheckState(Qt::Checked);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_BUTTON;
        default:
            return Window::DefWindowProc(message, wParam, lParam);
        }
    }

  private:
    QObject m_connections; // ends the connection with the window
};

// QRadioButton. Qt's own exclusivity follows parent widgets and refuses to uncheck a button,
// so it is turned off: BM_SETCHECK changes this button only, and a click unchecks the other
// radio buttons of its group, which runs from the nearest window at or before it with
// WS_GROUP up to the next one with it.
class RadioWindow final : public Window {
  public:
    RadioWindow(QRadioButton* button, Window* parent, int id, unsigned long style)
        : Window(button, parent, id, style) {
        button->setAutoExclusive(false);
        QObject::connect(button, &QAbstractButton::clicked, &m_connections, [this] { Clicked(); });
    }

    LRESULT DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) override {
        auto* button = static_cast<QRadioButton*>(Widget());
        if (button == nullptr) return 0;
        switch (message) {
        case BM_GETCHECK:
            return button->isChecked() ? BST_CHECKED : BST_UNCHECKED;
        case BM_SETCHECK:
            button->setChecked(wParam != BST_UNCHECKED);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_BUTTON | DLGC_RADIOBUTTON;
        default:
            return Window::DefWindowProc(message, wParam, lParam);
        }
    }

  private:
    void Clicked() {
        // A click on the checked button would uncheck a non-exclusive one: keep it checked.
        Send(BM_SETCHECK, BST_CHECKED);
        auto* parent = static_cast<Window*>(GetParent());
        if (parent == nullptr) return;
        const std::vector<Window*>& siblings = parent->Children();
        std::size_t self = 0;
        while (self < siblings.size() && siblings[self] != this)
            ++self;
        std::size_t first = self;
        while (first > 0 && (siblings[first]->GetStyle() & WS_GROUP) == 0)
            --first;
        for (std::size_t i = first; i < siblings.size(); ++i) {
            Window* other = siblings[i];
            if (i > first && (other->GetStyle() & WS_GROUP) != 0) break;
            if (other != this && (other->Send(WM_GETDLGCODE) & DLGC_RADIOBUTTON) != 0)
                other->Send(BM_SETCHECK, BST_UNCHECKED);
        }
    }

    QObject m_connections; // ends the connection with the window
};

// Any other widget: the dialog itself, labels, push buttons.
class PlainWindow final : public Window {
  public:
    PlainWindow(QWidget* widget, Window* parent, int id, unsigned long style)
        : Window(widget, parent, id, style) {}
};

} // namespace

std::unique_ptr<Window> MakeWindow(QWidget* widget, Window* parent, int id, unsigned long style,
                                   std::vector<std::unique_ptr<Window>>& extra) {
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return std::make_unique<EditWindow>(edit, parent, id, style);
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        auto window = std::make_unique<ComboWindow>(combo, parent, id, style);
        if (QLineEdit* field = combo->lineEdit()) {
            auto fieldWindow = std::make_unique<EditWindow>(field, window.get(), kComboEditId, 0);
            // The combo box hands typed keys to its field directly, past the field's filters.
            combo->installEventFilter(fieldWindow->Router());
            extra.push_back(std::move(fieldWindow));
        }
        return window;
    }
    if (auto* list = qobject_cast<QListWidget*>(widget))
        return std::make_unique<ListWindow>(list, parent, id, style);
    if (auto* box = qobject_cast<QCheckBox*>(widget))
        return std::make_unique<CheckWindow>(box, parent, id, style);
    if (auto* radio = qobject_cast<QRadioButton*>(widget))
        return std::make_unique<RadioWindow>(radio, parent, id, style);
    return std::make_unique<PlainWindow>(widget, parent, id, style);
}

} // namespace mox::qt::detail
