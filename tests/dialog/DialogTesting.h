#pragma once
// Shared pieces of the dialog tests: an application's digits-only edit object that logs its
// messages, a counter of destructions, joined values for one comparison, a fixture with a headless
// dialog and recorded message boxes, and the two control backends behind one test interface, so
// one set of dialog scenarios runs on both: the headless one, driven through its user actions, and
// Qt Widgets, driven offscreen with QTest key clicks and mouse clicks.

#include "support/MoxTest.h"
#include "support/Recorder.h"

#include <mox/headless.h>

#include <cctype>
#include <map>
#include <sstream>
#include <string>
#include <vector>

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

/// An application's edit object that drops every printable character but digits, and logs
/// every message it sees.
class DigitsOnly : public CEdit {
  public:
    std::vector<unsigned int> messages; ///< Every message seen, dropped or not.

  protected:
    LRESULT WindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) override {
        messages.push_back(message);
        if (message == WM_CHAR && wParam >= 0x20 && wParam < 0x80 &&
            !std::isdigit(static_cast<int>(wParam)))
            return 0;
        return CEdit::WindowProc(message, wParam, lParam);
    }
};

/// A `Base` whose destruction is counted, to prove an owner deletes it exactly once.
template <class Base> class Counted : public Base {
  public:
    explicit Counted(int& destroyed) : m_destroyed(destroyed) {}
    ~Counted() override { ++m_destroyed; }

  private:
    int& m_destroyed;
};

/// A byte as its number, anything else as itself, for Joined.
template <class T> const T& Loggable(const T& value) {
    return value;
}
inline int Loggable(unsigned char value) {
    return value;
}

/// `parts` written one after another, separated by spaces: many values compared at once.
template <class... Parts> std::string Joined(const Parts&... parts) {
    std::ostringstream out;
    ((out << Loggable(parts) << ' '), ...);
    std::string text = out.str();
    text.pop_back();
    return text;
}

/// Headless desktop and dialog; message boxes are recorded (answered with OK) and the previous
/// handler is put back after the test; string resources are emptied before and after.
class HeadlessTest : public MoxTest {
  protected:
    void SetUp() override {
        MoxTest::SetUp();
        MoxClearStringResources();
        m_shown << std::hex;
        m_previousHandler = MoxSetMessageBoxHandler([this](const char* text, unsigned int type) {
            m_shown << "box '" << (text != nullptr ? text : "") << "' " << type << ' ';
            return IDOK;
        });
    }
    void TearDown() override {
        MoxSetMessageBoxHandler(m_previousHandler);
        MoxClearStringResources();
        MoxTest::TearDown();
    }

    CWnd* Dlg() { return dialog.Wnd(); }
    /// The message boxes ("box '<text>' <type>") and then the beeps ("beep <type>") since the
    /// last call, types in hex.
    std::string Shown() {
        for (unsigned int beep : desktop.Beeps())
            m_shown << "beep " << beep << ' ';
        desktop.ClearBeeps();
        std::string shown = m_shown.str();
        m_shown.str("");
        return shown;
    }

    mox::headless::Desktop desktop;
    mox::headless::Dialog dialog{desktop};

  private:
    std::ostringstream m_shown;
    MoxMessageBoxHandler m_previousHandler;
};

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

    int Writes(int id) { return Item(id)->SetTextCount(); }
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

    int Writes(int id) { return m_writes[id]; }
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
