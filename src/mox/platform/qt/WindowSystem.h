#pragma once
/// @file
/// The Qt backend's windowing system (focus, beeps) and message box.

#include <mox/platform/MoxWindow.h>
#include <mox/platform/types.h>

namespace mox::qt {

/// Focus and beeps on the running QApplication. Constructing it installs it as the windowing
/// system (MoxSetWindowSystem); destroying it puts back the one it replaced. Focus works on
/// windows adopted by a mox::qt::Dialog only. Needs a QApplication; GUI thread only.
class MOX_API WindowSystem : public MoxWindowSystem {
  public:
    /// Makes the window system and installs it.
    WindowSystem();
    /// Reinstalls the previous windowing system if this one is still installed.
    ~WindowSystem() override;
    WindowSystem(const WindowSystem&) = delete;
    WindowSystem& operator=(const WindowSystem&) = delete;

    /// Activates the window of `window`'s widget and gives the widget the keyboard focus (null:
    /// clears the focus); returns the previous holder. A window of another backend is refused
    /// (nothing changes, null).
    HWND SetFocus(HWND window) override;
    /// The adopted window holding the focus (the focus widget or its nearest adopted
    /// ancestor), or null.
    HWND GetFocus() const override;
    /// Sounds QApplication::beep() whatever `type` is; returns 1.
    int MessageBeep(unsigned int type) override;

    /// How many beeps were asked for so far.
    int BeepCount() const { return m_beeps; }

  private:
    MoxWindowSystem* m_previous;
    int m_beeps = 0;
};

/// A message box for the message-box handler (MoxSetMessageBoxHandler): a modal QMessageBox
/// over the active window with the buttons (MB_OK, MB_OKCANCEL, MB_YESNO, MB_YESNOCANCEL) and
/// the icon (MB_ICON...) of `type`, titled with the application's display name. Returns the
/// ID of the button pressed; Escape or closing the box answers Cancel, else No, else OK.
MOX_API int ShowMessageBox(const char* text, unsigned int type);

} // namespace mox::qt
