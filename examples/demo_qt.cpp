// mox Qt demo: a settings window whose controls are bound to the demo's settings tree by link
// cells, on real Qt widgets. Every entry is committed when the user finishes it (Return, focus
// change, a pick or a click) as one undoable transaction; Undo/Redo follow the history, Cancel
// puts back what the window changed, Save and Open write and read the archive file.
//
//   mox_demo_qt                       opens the window (needs a display)
//   mox_demo_qt --screenshot out.png  renders it offscreen into a PNG, no display needed

#include "DemoSettings.h"

#include <mox/qt.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// Dialog item identifiers of the bound controls.
enum : int {
    kTimebase = 10,
    kTimebaseShown = 11,
    kDisplay = 20,
    kTrigger = 30,
    kAveraging = 40,
    kCoupling = 50, // 50, 51, 52: one radio group
};

// The cells the window edits, added to the shared tree under \Root\Scope.
struct WindowCells {
    CmoxLongLongCell* timebase = new CmoxLongLongCell("Timebase", 500, 500); // ns, 1-2-5 steps
    CmoxByteCell* display = new CmoxByteCell("Display", 0); // channel shown, by index
    CmoxByteCell* trigger = new CmoxByteCell("Trigger", 1); // trigger source, by index
    CmoxBooleanCell* averaging = new CmoxBooleanCell("Averaging", 0);
    CmoxByteCell* coupling = new CmoxByteCell("Coupling", 0); // DC, AC, ground

    explicit WindowCells(demo::Settings& settings) {
        timebase->InitIncrementPolicy(MOX_125_INCR);
        timebase->InitRange(1, 1000000000);
        coupling->InitRange(0, 2);
        for (CmoxCell* cell :
             std::vector<CmoxCell*>{timebase, display, trigger, averaging, coupling})
            settings.scope->AddChild(cell, 1);
    }
};

// The window: widgets in a form, adopted by a mox::qt::Dialog, one link cell per control.
class SettingsWindow {
  public:
    SettingsWindow(demo::Settings& settings, WindowCells& cells)
        : m_settings(settings), m_history(Cmox::Current().GetUndoContext("Settings window")) {
        Build();
        m_dialog = std::make_unique<mox::qt::Dialog>(&m_window);
        CWnd* dlg = m_dialog->Wnd();
        auto link = [&](CmoxLinkCell* cell, bool formatted) {
            if (formatted) cell->Formatter(new CmoxFormatter);
            m_links.emplace_back(cell);
            return cell;
        };
        link(new CmoxEditLC(kTimebase, cells.timebase, dlg, "TimebaseLink"), true);
        // A plain link cell shows the same cell as window text: refreshed when the
        // transaction that changed it ends.
        link(new CmoxLinkCell(kTimebaseShown, cells.timebase, dlg, "TimebaseShown", MOX_UI_PRIORITY,
                              1),
             true);
        link(new CmoxComboLC(kDisplay, cells.display, dlg, "DisplayLink"), false)
            ->InitContentsUser(*settings.channels);
        link(new CmoxListLC(kTrigger, cells.trigger, dlg, "TriggerLink"), false)
            ->InitContentsUser(*settings.channels);
        link(new CmoxCheckLC(kAveraging, cells.averaging, dlg, "AveragingLink"), false);
        link(new CmoxRadioLC(kCoupling, cells.coupling, dlg, "CouplingLink"), false);
        for (auto& cell : m_links)
            cell->StateToUI();

        m_dialog->UndoContext(m_history);
        const char* what[] = {"Set timebase",     nullptr,       "Pick display", "Pick trigger",
                              "Toggle averaging", "Set coupling"};
        for (std::size_t i = 0; i < m_links.size(); ++i)
            if (what[i] != nullptr) m_dialog->TransferOnCommit(*m_links[i], what[i]);
        m_undo->setDefaultAction(m_dialog->UndoAction());
        m_redo->setDefaultAction(m_dialog->RedoAction());
    }

    ~SettingsWindow() {
        m_dialog.reset();
        m_links.clear();
        Cmox::Current().RemoveUndoContext("Settings window");
    }

    QDialog& Widget() { return m_window; }

    /// The user types `text` into the timebase field and commits it, as with Return.
    void EnterTimebase(const char* text) {
        auto* field = static_cast<QLineEdit*>(m_dialog->Item(kTimebase)->Widget());
        field->setText(text);
        m_dialog->Commit(*m_links.front(), "Set timebase");
    }

  private:
    void Build() {
        m_window.setWindowTitle("Acquisition settings");
        auto* form = new QFormLayout;
        auto* timebase = Bound(new QLineEdit, kTimebase);
        timebase->setToolTip("1-2-5 steps from 1 ns to 1 s; other entries are adjusted");
        form->addRow("&Timebase (ns):", timebase);
        form->addRow("Current timebase:", Bound(new QLabel, kTimebaseShown));
        auto* display = Bound(new QComboBox, kDisplay);
        display->setEditable(true);
        form->addRow("&Display channel:", display);
        auto* trigger = Bound(new QListWidget, kTrigger);
        trigger->setMaximumHeight(64);
        form->addRow("Trigger &source:", trigger);
        form->addRow("", Bound(new QCheckBox("&Averaging"), kAveraging));

        auto* coupling = new QGroupBox("Coupling");
        auto* couplingRow = new QHBoxLayout(coupling);
        const char* names[] = {"DC", "AC", "&Ground"};
        for (int i = 0; i < 3; ++i) {
            auto* radio = Bound(new QRadioButton(names[i]), kCoupling + i);
            radio->setProperty("moxGroup", i == 0);
            couplingRow->addWidget(radio);
        }

        auto* history = new QHBoxLayout;
        m_undo = new QToolButton;
        m_redo = new QToolButton;
        auto* open = new QPushButton("&Open...");
        auto* save = new QPushButton("Sa&ve...");
        for (QWidget* button : std::vector<QWidget*>{m_undo, m_redo})
            button->setMinimumWidth(130);
        history->addWidget(m_undo);
        history->addWidget(m_redo);
        history->addStretch();
        history->addWidget(open);
        history->addWidget(save);
        QObject::connect(open, &QPushButton::clicked, [this] { Open(); });
        QObject::connect(save, &QPushButton::clicked, [this] { Save(); });

        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &m_window, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, [this] {
            m_dialog->Revert(); // Cancel puts back what the window changed
            m_window.reject();
        });

        auto* column = new QVBoxLayout(&m_window);
        column->addLayout(form);
        column->addWidget(coupling);
        column->addLayout(history);
        column->addWidget(buttons);
    }

    template <class W> W* Bound(W* widget, int id) {
        widget->setProperty("moxId", id);
        return widget;
    }

    void Save() {
        const QString path = QFileDialog::getSaveFileName(&m_window, "Save settings",
                                                          "settings.mox", "Archives (*.mox)");
        if (path.isEmpty()) return;
        CmoxArchive archive;
        if (!archive.Open(path.toStdString().c_str(), MOX_ARCHIVE_WRITE)) {
            AfxMessageBox("The settings file cannot be written.", MB_OK | MB_ICONEXCLAMATION);
            return;
        }
        archive.Save(m_settings.root);
        archive.Close();
    }

    void Open() {
        const QString path =
            QFileDialog::getOpenFileName(&m_window, "Open settings", "", "Archives (*.mox)");
        if (path.isEmpty()) return;
        CmoxArchive archive;
        if (!archive.Open(path.toStdString().c_str(), MOX_ARCHIVE_READ) ||
            !archive.Restore(&m_settings.root))
            AfxMessageBox("The settings file cannot be read.", MB_OK | MB_ICONEXCLAMATION);
        archive.Close();
    }

    demo::Settings& m_settings;
    CmoxUndoContext* m_history;
    QDialog m_window;
    QToolButton* m_undo = nullptr;
    QToolButton* m_redo = nullptr;
    std::unique_ptr<mox::qt::Dialog> m_dialog;
    std::vector<std::unique_ptr<CmoxLinkCell>> m_links;
};

bool HasDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    return (platform != nullptr && *platform != '\0') || std::getenv("DISPLAY") != nullptr ||
           std::getenv("WAYLAND_DISPLAY") != nullptr;
}

} // namespace

int main(int argc, char** argv) {
    const char* screenshot = nullptr;
    if (argc == 3 && std::strcmp(argv[1], "--screenshot") == 0) {
        screenshot = argv[2];
        qputenv("QT_QPA_PLATFORM", "offscreen"); // rendered into an image: no display needed
    } else if (!HasDisplay()) {
        std::printf("mox_demo_qt: no display; run `make screenshot` for a picture of the window, "
                    "or run it under a virtual X server: xvfb-run make demo-qt\n");
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName("mox demo");
    mox::qt::WindowSystem windowSystem;
    MoxSetMessageBoxHandler(mox::qt::ShowMessageBox);

    demo::Settings settings;
    WindowCells cells(settings);
    int result = 0;
    {
        SettingsWindow window(settings, cells);
        if (screenshot != nullptr) {
            window.Widget().show();
            window.EnterTimebase("1234"); // adjusted to 1000 by the 1-2-5 steps; undoable
            const bool saved = window.Widget().grab().save(screenshot);
            std::printf(saved ? "wrote %s\n" : "cannot write %s\n", screenshot);
            result = saved ? 0 : 1;
        } else {
            window.Widget().show();
            result = QApplication::exec();
            std::printf("Closed. Settings now:\n");
            settings.Print();
        }
    }
    MoxSetMessageBoxHandler(nullptr);
    return result;
}
