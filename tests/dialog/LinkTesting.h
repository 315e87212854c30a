#pragma once
// Shared pieces of the link cell tests: an application's digits-only edit object, a counter of
// destructions, and a fixture with a headless desktop, one dialog, recorded message boxes and an
// empty string-resource table.

#include "support/MoxTest.h"
#include "support/Recorder.h"

#include <mox/headless.h>

#include <cctype>
#include <sstream>
#include <string>

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
class LinkTest : public MoxTest {
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

} // namespace moxtest
