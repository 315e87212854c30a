// What only the Qt backend has: adopting a built dialog, the history actions, Cancel's revert
// and the message box.

#if MOX_TEST_QT
#include "dialog/DialogTesting.h"

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

using namespace moxtest;

namespace {

class QtDialogTest : public MoxTest {
  protected:
    QtDialogTest() : app(TestApplication()) {
        auto* layout = new QVBoxLayout(widget.get());
        gain->setObjectName("gain");
        box->setProperty("moxId", 20);
        layout->addWidget(new QLabel("Gain"));
        layout->addWidget(gain);
        layout->addWidget(box);
        widget->resize(200, 120);
        widget->show();
    }

    QApplication& app;
    mox::qt::WindowSystem system;
    std::unique_ptr<QDialog> widget = std::make_unique<QDialog>();
    QLineEdit* gain = new QLineEdit;
    QCheckBox* box = new QCheckBox("Enabled");
};

} // namespace

TEST_F(QtDialogTest, AdoptsByNameOrPropertyAndFindsItemsOnTheirGeometry) {
    mox::qt::Dialog dialog(widget.get(), {{"gain", 10}});
    ASSERT_TRUE(dialog.Item(10) != nullptr && dialog.Item(20) != nullptr);
    const QPoint inBox = box->geometry().center();
    // Adopted by name and by property, in tree order, found at their points, none outside.
    EXPECT_EQ("1 1 1 1 1 0",
              Joined(gain == dialog.Item(10)->Widget(), box == dialog.Item(20)->Widget(),
                     dialog.Item(20) == dialog.Item(10)->GetNextWindow(),
                     dialog.Item(20)->Wnd() ==
                         dialog.Wnd()->ChildWindowFromPoint(CPoint(inBox.x(), inBox.y())),
                     dialog.Wnd() == dialog.Wnd()->ChildWindowFromPoint(CPoint(1, 1)),
                     dialog.Wnd()->ChildWindowFromPoint(CPoint(-1, 5))));
    EXPECT_THROW(dialog.Adopt(new QLineEdit(widget.get()), 20), CInvalidArgException);
}

TEST_F(QtDialogTest, HistoryActionsFollowTheContextAndRevertPutsBackTheDialogsChanges) {
    mox::qt::Dialog dialog(widget.get(), {{"gain", 10}});
    CmoxLongCell level("Level", 5);
    CmoxEditLC link(10, &level, dialog.Wnd(), "Link", MOX_UI_PRIORITY, 1);
    link.Formatter(new CmoxFormatter);
    CmoxUndoContext* history = Engine().GetUndoContext("Settings");
    Engine().BeginTransaction(history, "Before");
    level.Value(7L); // an earlier change the dialog must not revert
    Engine().EndTransaction();
    dialog.UndoContext(history);
    EXPECT_EQ("Undo Before 0",
              Joined(dialog.UndoAction()->text().toStdString(), dialog.RedoAction()->isEnabled()));

    for (const char* entry : {"8", "9"}) {
        gain->setText(entry);
        dialog.Commit(link, "Set level");
    }
    EXPECT_EQ(9, level.Value());
    dialog.UndoAction()->trigger();
    EXPECT_EQ(8, level.Value());
    EXPECT_EQ("Redo Set level 1",
              Joined(dialog.RedoAction()->text().toStdString(), dialog.RedoAction()->isEnabled()));
    dialog.Revert();
    EXPECT_EQ("7 7", Joined(level.Value(), gain->text().toStdString()));
    EXPECT_EQ((std::vector<std::string>{"Before"}), history->UndoDescriptions());
}

TEST_F(QtDialogTest, MessageBoxShowsTheButtonsAndIconAndAnswersTheButtonPressed) {
    const struct {
        unsigned int type;
        QMessageBox::Icon icon;
        QMessageBox::StandardButton press;
        int answer;
    } cases[] = {
        {MB_YESNO | MB_ICONQUESTION, QMessageBox::Question, QMessageBox::No, IDNO},
        {MB_OKCANCEL | MB_ICONEXCLAMATION, QMessageBox::Warning, QMessageBox::Cancel, IDCANCEL},
        {MB_OK, QMessageBox::NoIcon, QMessageBox::Ok, IDOK}};
    for (const auto& c : cases) {
        QMessageBox::Icon shown = QMessageBox::Critical;
        QTimer::singleShot(0, [&] {
            auto* shownBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(nullptr, shownBox);
            shown = shownBox->icon();
            EXPECT_EQ("Continue?", shownBox->text().toStdString());
            shownBox->button(c.press)->click();
        });
        EXPECT_EQ(c.answer, mox::qt::ShowMessageBox("Continue?", c.type));
        EXPECT_EQ(c.icon, shown);
    }
}
#endif
