#pragma once
// Shared pieces of the link cell tests: an application's digits-only edit object, a counter of
// destructions, and a fixture with a headless desktop, one dialog, recorded message boxes and an
// empty string-resource table.

#include "support/MoxTest.h"
#include "support/Recorder.h"

#include <mox/headless.h>

#include <cctype>
#include <string>
#include <vector>

namespace moxtest {

/// An application's edit object that drops every printable character but digits.
class DigitsOnly : public CEdit {
  protected:
    LRESULT WindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) override {
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
