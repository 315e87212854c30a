#pragma once
/// @file
/// Adopting a Qt dialog: control identifiers, commits into the cells, undo and redo.

#include <mox/platform/MoxWindow.h>
#include <mox/platform/types.h>

#include <QPointer>
#include <QString>

#include <map>
#include <memory>
#include <vector>

class CWnd;
class CmoxCell;
class CmoxLinkCell;
class CmoxUndoContext;
class QAction;
class QObject;
class QWidget;

namespace mox::qt {

class Window;

/// A QDialog (or any top-level widget), built in code or loaded from a Designer .ui file, seen
/// as a dialog of the window interface, so link cells and the application's dialog object
/// (a CWnd with DoDataExchange, attached with SubclassWindow(Handle())) work on it unchanged.
///
/// Controls get their dialog item identifiers from the dynamic property "moxId" (an int) or
/// from a map of object names; "moxGroup" set to true gives a control WS_GROUP (the first
/// radio button of each group). Dialog order is the order of adoption: the widget tree depth
/// first, then each Adopt call. An editable combo box's line edit becomes its child item 1001.
///
/// Commits: TransferOnCommit runs a link cell's Transfer (saving) when the user commits an
/// entry: a line edit's editingFinished, a combo box's activated item or finished edit text,
/// a list's changed current row, a check box's or a radio group's click. Each runs in its own
/// transaction on the undo context given to UndoContext, described as asked; a rejected entry
/// (CUserException) ends only that commit; any other exception rolls the commit back and
/// propagates. The Undo and Redo actions (Ctrl+Z, Ctrl+Shift+Z)
/// follow the context's history through its change notifier; Revert undoes what the dialog
/// recorded, for a Cancel button.
///
/// The Dialog owns its windows, not the widgets; it must not outlive the link cells handed to
/// TransferOnCommit, nor the undo context. Message answers become 0 once a widget is gone.
/// GUI thread only; a WindowSystem should be installed for focus and beeps.
class MOX_API Dialog {
  public:
    /// Adopts `dialog` and each descendant widget that has a "moxId" property.
    explicit Dialog(QWidget* dialog);
    /// Adopts `dialog` and each descendant widget whose object name `ids` maps to an identifier
    /// (or, failing that, that has a "moxId" property).
    Dialog(QWidget* dialog, const std::map<QString, int>& ids);
    ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    /// Adopts `control` (a descendant of the dialog) as the item `id` with `style` (WS_GROUP,
    /// WS_TABSTOP), after the items adopted so far. Throws CInvalidArgException for a null
    /// control or an identifier in use.
    Window& Adopt(QWidget* control, int id, unsigned long style = WS_TABSTOP);

    /// The dialog's window handle.
    HWND Handle() const;
    /// The dialog's CWnd: the attached dialog object, or the window's own stand-in.
    CWnd* Wnd() const;
    /// The dialog widget (null once destroyed).
    QWidget* Widget() const;
    /// The item `id`, or null.
    Window* Item(int id) const;

    /// Records the following commits on `context` (borrowed) and points the Undo and Redo
    /// actions at it. What the history holds now is the baseline that Revert returns to.
    void UndoContext(CmoxUndoContext* context);
    /// The undo context commits are recorded on, or null.
    CmoxUndoContext* UndoContext() const { return m_context; }
    /// Runs `link`'s Transfer when the user commits an entry in its control, in a transaction
    /// described by `description`. Throws CInvalidArgException when the dialog has no control
    /// with the link's identifier.
    void TransferOnCommit(CmoxLinkCell& link, const char* description);
    /// Runs `link`'s Transfer (saving) now, in one transaction, as a commit does.
    void Commit(CmoxLinkCell& link, const char* description);
    /// Undoes every transaction added to the history since UndoContext, so the cells are as
    /// they were when the dialog opened. Nothing without an undo context.
    void Revert();

    /// Undo of the newest transaction: "Undo <description>", disabled when there is none.
    /// Added to the dialog widget with Ctrl+Z. Null until UndoContext.
    QAction* UndoAction() const { return m_undo; }
    /// Redo of the most recently undone: "Redo <description>", Ctrl+Shift+Z. Null until
    /// UndoContext.
    QAction* RedoAction() const { return m_redo; }

  private:
    class HistoryWatcher;
    void AdoptTree(const std::map<QString, int>& ids);
    void RefreshActions();

    QPointer<QWidget> m_widget;
    std::vector<std::unique_ptr<Window>> m_windows; // [0] is the dialog
    std::unique_ptr<QObject> m_connections;         // context of every signal connection
    CmoxUndoContext* m_context = nullptr;
    std::size_t m_baseline = 0;
    std::unique_ptr<HistoryWatcher> m_watcher;
    QAction* m_undo = nullptr; // owned by m_connections
    QAction* m_redo = nullptr;
};

} // namespace mox::qt
