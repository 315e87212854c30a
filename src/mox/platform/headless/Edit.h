#pragma once
/// @file
/// The headless edit field.

#include <mox/platform/headless/Window.h>
#include <mox/platform/types.h>

namespace mox::headless {

/// A single-line edit field: a text with a selection. Understands the window-text messages
/// (WM_SETTEXT puts the caret at the start), WM_CHAR (a printable character replaces the
/// selection, backspace deletes it or the character before the caret, other control
/// characters are ignored), EM_SETSEL, EM_GETSEL and EM_REPLACESEL. The user's actions (Type,
/// Enter) travel as messages, so an object attached with SubclassWindow sees and may filter
/// them. Made by Dialog::AddEdit or as a combo box's field; owned by its parent.
class MOX_API Edit : public Window {
  public:
    /// The edit field's handling of `message` (see the class comment).
    LRESULT DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) override;

    /// The user types `chars`: one WM_CHAR per character, in order (a backspace, character 8,
    /// erases one).
    void Type(const char* chars);
    /// The user selects the whole text (EM_SETSEL 0, -1) and types `text` over it.
    void Enter(const char* text);
    /// First selected character (the caret when nothing is selected).
    int SelStart() const { return m_selStart; }
    /// The character after the last selected one.
    int SelEnd() const { return m_selEnd; }

  protected:
    friend class Dialog;
    friend class ComboBox;
    /// A field inside `parent`.
    Edit(Window* parent, int id, unsigned long style, Rect bounds);
    /// Called after every change of the text, by program or by user. Empty here.
    virtual void Edited();

  private:
    void ReplaceSelection(const std::string& text);

    int m_selStart = 0;
    int m_selEnd = 0;
};

} // namespace mox::headless
