#pragma once
// The two control backends behind one test interface, so one set of dialog scenarios runs on
// both: the headless one, driven through its user actions, and Qt Widgets, driven offscreen
// with QTest key clicks and mouse clicks.

#include "support/MoxTest.h"

#include <mox/headless.h>

#include <map>
#include <string>

#if MOX_TEST_QT
#include <mox/qt.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>
#include <QVBoxLayout>

#include <memory>
#endif

namespace moxtest {

/// The headless backend. Commit runs the link cell's Transfer in a transaction on the
/// history, as the Qt backend's commit does; UndoKey undoes one transaction.
class HeadlessBackend {
  public:
    void AddEdit(int id) { m_dialog.AddEdit(id); }
    void AddCombo(int id) { m_dialog.AddComboBox(id); }
    void AddList(int id) { m_dialog.AddListBox(id); }
    void AddCheck(int id) { m_dialog.AddCheckBox(id, true); }
    void AddRadio(int id, bool startsGroup) {
        m_dialog.AddRadioButton(id, startsGroup ? WS_GROUP : 0UL);
    }
    void Show() {}

    CWnd* Dlg() { return m_dialog.Wnd(); }
    void Watch(CmoxLinkCell& link, CmoxUndoContext* history) {
        m_links[link.ControlID()] = &link;
        m_history = history;
    }

    void Type(int id, const char* text) { Field(id).Type(text); }
    void Enter(int id, const char* text) { Field(id).Enter(text); }
    void Commit(int id) {
        Cmox& engine = Cmox::Current();
        engine.BeginTransaction(m_history, "Entry");
        CDataExchange exchange(Dlg(), 1);
        m_links.at(id)->Transfer(&exchange);
        engine.EndTransaction();
    }
    void UndoKey() { Cmox::Current().Undo(m_history, 1); }
    void Pick(int id, int index) {
        if (auto* combo = dynamic_cast<mox::headless::ComboBox*>(Item(id)))
            combo->Select(index);
        else
            static_cast<mox::headless::ListBox*>(Item(id))->Select(index);
    }
    void Click(int id) {
        if (auto* box = dynamic_cast<mox::headless::CheckBox*>(Item(id)))
            box->Click();
        else
            static_cast<mox::headless::RadioButton*>(Item(id))->Click();
    }

    std::string Text(int id) { return Item(id)->Text(); }
    int Writes(int id) { return Item(id)->SetTextCount(); }
    bool HasFocus(int id) { return Item(id)->HasFocus(); }
    int Beeps() const { return static_cast<int>(m_desktop.Beeps().size()); }

  private:
    mox::headless::Window* Item(int id) {
        return static_cast<mox::headless::Window*>(m_dialog.GetDlgItem(id));
    }
    mox::headless::Edit& Field(int id) {
        if (auto* combo = dynamic_cast<mox::headless::ComboBox*>(Item(id)))
            return combo->EditField();
        return static_cast<mox::headless::Edit&>(*Item(id));
    }

    mox::headless::Desktop m_desktop;
    mox::headless::Dialog m_dialog{m_desktop};
    std::map<int, CmoxLinkCell*> m_links;
    CmoxUndoContext* m_history = nullptr;
};

#if MOX_TEST_QT
/// The application object of the Qt scenarios, made once per process, offscreen.
inline QApplication& TestApplication() {
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "mox_tests";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv); // lives until the process ends
    }();
    return *app;
}

/// The Qt backend: a QDialog with a vertical layout, adopted by mox::qt::Dialog; the user's
/// typing, Return and Ctrl+Z are QTest key clicks, picks and clicks go through the widgets.
class QtBackend {
  public:
    QtBackend() : m_app(TestApplication()) {}

    void AddEdit(int id) { Add(new QLineEdit, id); }
    void AddCombo(int id) {
        auto* combo = new QComboBox;
        combo->setEditable(true);
        Add(combo, id);
    }
    void AddList(int id) { Add(new QListWidget, id); }
    void AddCheck(int id) {
        auto* box = new QCheckBox("Check");
        box->setTristate(true);
        Add(box, id);
    }
    void AddRadio(int id, bool startsGroup) {
        Add(new QRadioButton("Radio"), id, startsGroup ? WS_GROUP : 0UL);
    }
    void Show() {
        m_widget->show();
        m_widget->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_widget.get()));
    }

    CWnd* Dlg() { return m_dialog.Wnd(); }
    void Watch(CmoxLinkCell& link, CmoxUndoContext* history) {
        m_dialog.UndoContext(history);
        m_dialog.TransferOnCommit(link, "Entry");
    }

    void Type(int id, const char* text) { QTest::keyClicks(m_dialog.Item(id)->Widget(), text); }
    void Enter(int id, const char* text) {
        QWidget* widget = m_dialog.Item(id)->Widget();
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier); // select all
        QTest::keyClicks(widget, text);
    }
    void Commit(int id) { QTest::keyClick(m_dialog.Item(id)->Widget(), Qt::Key_Return); }
    void UndoKey() {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus != nullptr ? focus : m_widget.get(), Qt::Key_Z, Qt::ControlModifier);
    }
    void Pick(int id, int index) {
        QWidget* widget = m_dialog.Item(id)->Widget();
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            combo->setCurrentIndex(index);
            emit combo->activated(index);
        } else {
            static_cast<QListWidget*>(widget)->setCurrentRow(index);
        }
    }
    void Click(int id) { QTest::mouseClick(m_dialog.Item(id)->Widget(), Qt::LeftButton); }

    std::string Text(int id) {
        QWidget* widget = m_dialog.Item(id)->Widget();
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            return combo->currentText().toStdString();
        return static_cast<QLineEdit*>(widget)->text().toStdString();
    }
    int Writes(int id) { return m_writes[id]; }
    bool HasFocus(int id) { return m_system.GetFocus() == m_dialog.Item(id); }
    int Beeps() const { return m_system.BeepCount(); }

  private:
    void Add(QWidget* widget, int id, unsigned long style = WS_TABSTOP) {
        m_layout->addWidget(widget);
        m_dialog.Adopt(widget, id, style);
        if (auto* edit = qobject_cast<QLineEdit*>(widget))
            QObject::connect(edit, &QLineEdit::textChanged, [this, id] { ++m_writes[id]; });
    }

    QApplication& m_app;
    mox::qt::WindowSystem m_system;
    std::unique_ptr<QDialog> m_widget = std::make_unique<QDialog>();
    QVBoxLayout* m_layout = new QVBoxLayout(m_widget.get());
    mox::qt::Dialog m_dialog{m_widget.get()};
    std::map<int, int> m_writes;
};
#endif

} // namespace moxtest
