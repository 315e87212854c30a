#pragma once
/// @file
/// The headless backend's windowing system: focus and an audible record of beeps.

#include <mox/platform/MoxWindow.h>
#include <mox/platform/types.h>

#include <set>
#include <vector>

namespace mox::headless {

class Window;

/// The screen of the headless backend. Constructing a Desktop installs it as the windowing
/// system (MoxSetWindowSystem); destroying it puts back the one it replaced, so desktops nest
/// like scopes. It tracks which of its windows has the keyboard focus and records every beep,
/// so tests can observe both. Dialogs are created on a desktop and should not outlive it (a
/// window that does simply stops tracking focus). One thread only.
class MOX_API Desktop : public MoxWindowSystem {
  public:
    /// Makes the desktop and installs it.
    Desktop();
    /// Reinstalls the previous windowing system and cuts the link to surviving windows.
    ~Desktop() override;
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    /// Gives the focus to `window` when it is one of this desktop's windows, or to nobody for
    /// null; returns the previous holder. A foreign window is refused (nothing changes, null).
    HWND SetFocus(HWND window) override;
    /// The window holding the focus, or null.
    HWND GetFocus() const override;
    /// Records `type` as a beep; returns 1.
    int MessageBeep(unsigned int type) override;

    /// Every beep so far, oldest first (0xFFFFFFFF for the simple beep).
    const std::vector<unsigned int>& Beeps() const { return m_beeps; }
    /// Forgets the beeps recorded so far.
    void ClearBeeps() { m_beeps.clear(); }

  private:
    friend class Window;
    void Register(Window* window);
    void Forget(Window* window);

    MoxWindowSystem* m_previous;
    HWND m_focus = nullptr;
    std::vector<unsigned int> m_beeps;
    std::set<MoxWindow*> m_windows; // all are Windows; kept as handles for lookups
};

} // namespace mox::headless
