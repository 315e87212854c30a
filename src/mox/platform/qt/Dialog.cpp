#include <mox/platform/qt/Dialog.h>

#include <mox/core/CmoxCell.h>
#include <mox/core/MoxConstants.h>
#include <mox/dialog/CmoxLinkCell.h>
#include <mox/platform/CDataExchange.h>
#include <mox/platform/CException.h>
#include <mox/platform/qt/Window.h>
#include <mox/platform/qt/internal/Controls.h>
#include <mox/propagation/Cmox.h>
#include <mox/scope/Transaction.h>
#include <mox/undo/CmoxUndoContext.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

namespace mox::qt {

namespace {

const QKeySequence kRedoKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);

// Line edits claim Ctrl+Z for their own text history; the dialog's history must win, since
// committed entries live in the cells, not in the field.
class HistoryKeysFilter final : public QObject {
  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride) {
            auto* key = static_cast<QKeyEvent*>(event);
            const QKeySequence pressed(key->keyCombination());
            if (key->matches(QKeySequence::Undo) || pressed == kRedoKeys) {
                event->ignore();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

unsigned long StyleOf(const QWidget* widget) {
    unsigned long style = 0;
    if (widget->focusPolicy() & Qt::TabFocus) style |= WS_TABSTOP;
    if (widget->property("moxGroup").toBool()) style |= WS_GROUP;
    return style;
}

} // namespace

// Hears of every change of the undo context's history and refreshes the actions.
class Dialog::HistoryWatcher final : public CmoxCell {
  public:
    explicit HistoryWatcher(Dialog& dialog)
        : CmoxCell("History", MOX_UI_PRIORITY), m_dialog(dialog) {}
    void Update(CmoxChangedList&) override { m_dialog.RefreshActions(); }

  private:
    Dialog& m_dialog;
};

Dialog::Dialog(QWidget* dialog) : Dialog(dialog, {}) {}

Dialog::Dialog(QWidget* dialog, const std::map<QString, int>& ids)
    : m_widget(dialog), m_connections(std::make_unique<QObject>()) {
    if (dialog == nullptr) AfxThrowInvalidArgException();
    std::vector<std::unique_ptr<Window>> extra;
    m_windows.push_back(detail::MakeWindow(dialog, nullptr, 0, 0, extra));
    AdoptTree(ids);
}

Dialog::~Dialog() {
    // The watcher goes first: no history change may reach a half-destroyed dialog.
    m_watcher.reset();
    m_connections.reset();
    // Children before parents, so no window outlives the one it is listed in.
    while (!m_windows.empty())
        m_windows.pop_back();
}

void Dialog::AdoptTree(const std::map<QString, int>& ids) {
    // findChildren walks the tree depth first, which is the dialog order of a .ui file.
    for (QWidget* child : m_widget->findChildren<QWidget*>()) {
        const auto named = ids.find(child->objectName());
        const QVariant property = child->property("moxId");
        if (named != ids.end())
            Adopt(child, named->second, StyleOf(child));
        else if (property.isValid())
            Adopt(child, property.toInt(), StyleOf(child));
    }
}

Window& Dialog::Adopt(QWidget* control, int id, unsigned long style) {
    Window* dialog = m_windows.front().get();
    if (control == nullptr || dialog->GetDlgItem(id) != nullptr) AfxThrowInvalidArgException();
    std::vector<std::unique_ptr<Window>> extra;
    m_windows.push_back(detail::MakeWindow(control, dialog, id, style, extra));
    Window& window = *m_windows.back();
    for (auto& child : extra)
        m_windows.push_back(std::move(child));
    return window;
}

HWND Dialog::Handle() const {
    return m_windows.front().get();
}

CWnd* Dialog::Wnd() const {
    return m_windows.front()->Wnd();
}

QWidget* Dialog::Widget() const {
    return m_widget.data();
}

Window* Dialog::Item(int id) const {
    return static_cast<Window*>(m_windows.front()->GetDlgItem(id));
}

void Dialog::Commit(CmoxLinkCell& link, const char* description) {
    // Any exit but a rejected entry that the link cell already reported rolls the commit back,
    // so a failing Transfer leaves neither a half change nor an open transaction.
    mox::Transaction transaction(m_context, description);
    CDataExchange exchange(Wnd(), 1);
    try {
        link.Transfer(&exchange);
    } catch (const CUserException&) {
        // The link cell has told the user and put the focus back on the entry.
    }
    transaction.Commit();
}

void Dialog::TransferOnCommit(CmoxLinkCell& link, const char* description) {
    Window* item = Item(link.ControlID());
    QWidget* control = item != nullptr ? item->Widget() : nullptr;
    if (control == nullptr) AfxThrowInvalidArgException();
    const std::string what = description != nullptr ? description : "";
    CmoxLinkCell* target = &link;
    auto commit = [this, target, what] { Commit(*target, what.c_str()); };
    QObject* context = m_connections.get();
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        QObject::connect(edit, &QLineEdit::editingFinished, context, commit);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        QObject::connect(combo, &QComboBox::activated, context, commit);
        if (QLineEdit* field = combo->lineEdit())
            QObject::connect(field, &QLineEdit::editingFinished, context, commit);
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        QObject::connect(list, &QListWidget::currentRowChanged, context, commit);
    } else if (auto* box = qobject_cast<QCheckBox*>(control)) {
        QObject::connect(box, &QCheckBox::clicked, context, commit);
    } else if (qobject_cast<QRadioButton*>(control) != nullptr) {
        // Every button of the group commits: from the item up to the next group start.
        for (HWND window = item; window != nullptr; window = window->GetNextWindow()) {
            if (window != item && (window->GetStyle() & WS_GROUP) != 0) break;
            if (auto* radio = qobject_cast<QRadioButton*>(static_cast<Window*>(window)->Widget()))
                QObject::connect(radio, &QRadioButton::clicked, context, commit);
        }
    }
}

void Dialog::UndoContext(CmoxUndoContext* context) {
    m_context = context;
    m_watcher.reset();
    if (context == nullptr) return;
    m_baseline = context->UndoDescriptions().size();
    if (m_undo == nullptr) {
        m_undo = new QAction(m_connections.get());
        m_undo->setShortcut(QKeySequence::Undo);
        m_redo = new QAction(m_connections.get());
        m_redo->setShortcut(kRedoKeys);
        QObject::connect(m_undo, &QAction::triggered, m_connections.get(),
                         [this] { Cmox::Current().Undo(m_context, 1); });
        QObject::connect(m_redo, &QAction::triggered, m_connections.get(),
                         [this] { Cmox::Current().Redo(m_context, 1); });
        if (QWidget* dialog = Widget()) {
            dialog->addAction(m_undo);
            dialog->addAction(m_redo);
            auto* filter = new HistoryKeysFilter;
            filter->setParent(m_connections.get());
            for (QLineEdit* edit : dialog->findChildren<QLineEdit*>())
                edit->installEventFilter(filter);
        }
    }
    m_watcher = std::make_unique<HistoryWatcher>(*this);
    context->GetChangeNotifier()->AddDependent(m_watcher.get());
    RefreshActions();
}

void Dialog::Revert() {
    if (m_context == nullptr) return;
    const std::size_t now = m_context->UndoDescriptions().size();
    if (now > m_baseline) Cmox::Current().Undo(m_context, static_cast<int>(now - m_baseline));
}

void Dialog::RefreshActions() {
    if (m_context == nullptr || m_undo == nullptr) return;
    const auto show = [](QAction* action, const char* verb, const std::vector<std::string>& list) {
        const QString text = QString::fromUtf8(verb);
        action->setText(list.empty() ? text : text + ' ' + QString::fromStdString(list.front()));
        action->setEnabled(!list.empty());
    };
    show(m_undo, "Undo", m_context->UndoDescriptions());
    show(m_redo, "Redo", m_context->RedoDescriptions());
}

} // namespace mox::qt
