#pragma once
// Shared fixture of the link cell tests: a headless desktop with one dialog, recorded message
// boxes and an empty string-resource table.

#include "support/MoxTest.h"
#include "support/Recorder.h"

#include <mox/headless.h>

#include <string>
#include <vector>

namespace moxtest {

/// One message box shown by the library.
struct ShownBox {
    std::string text;
    unsigned int type;
};

/// Headless desktop and dialog; message boxes are recorded (answered with OK) and the previous
/// handler is put back after the test; string resources are emptied before and after.
class LinkTest : public MoxTest {
  protected:
    static constexpr unsigned int kSimpleBeep = 0xFFFFFFFFu;

    void SetUp() override {
        MoxTest::SetUp();
        MoxClearStringResources();
        m_previousHandler = MoxSetMessageBoxHandler([this](const char* text, unsigned int type) {
            boxes.push_back({text != nullptr ? text : "", type});
            return IDOK;
        });
    }
    void TearDown() override {
        MoxSetMessageBoxHandler(m_previousHandler);
        MoxClearStringResources();
        MoxTest::TearDown();
    }

    CWnd* Dlg() { return dialog.Wnd(); }

    mox::headless::Desktop desktop;
    mox::headless::Dialog dialog{desktop};
    std::vector<ShownBox> boxes;

  private:
    MoxMessageBoxHandler m_previousHandler;
};

} // namespace moxtest
