#include <mox/platform/headless/ComboBox.h>

#include <mox/platform/headless/Edit.h>
#include <mox/platform/internal/Text.h>

#include <memory>

namespace mox::headless {

// The field tells its box about every change of its text.
class ComboBox::Field final : public Edit {
  public:
    Field(ComboBox* box, Rect bounds) : Edit(box, kEditFieldId, 0, bounds), m_box(box) {}

  protected:
    void Edited() override { m_box->FieldEdited(); }

  private:
    ComboBox* m_box;
};

ComboBox::ComboBox(Window* parent, int id, unsigned long style, Rect bounds)
    : Window(parent, nullptr, id, style, bounds) {
    // The field leaves room for the drop-down button on the right.
    const int buttonWidth = 18;
    const Rect fieldBounds{0, 0, bounds.Width() > buttonWidth ? bounds.Width() - buttonWidth : 1,
                           bounds.Height()};
    m_field = static_cast<Edit*>(&Adopt(std::unique_ptr<Window>(new Field(this, fieldBounds))));
}

const std::string& ComboBox::Text() const {
    return m_field->Text();
}

void ComboBox::FieldEdited() {
    if (!m_syncing) m_curSel = -1;
}

LRESULT ComboBox::SelectIndex(long long index) {
    const bool valid = index >= 0 && index < static_cast<long long>(m_items.size());
    m_curSel = valid ? static_cast<int>(index) : -1;
    const std::string shown = valid ? m_items[static_cast<std::size_t>(index)] : std::string();
    m_syncing = true;
    m_field->Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    m_syncing = false;
    return valid ? static_cast<LRESULT>(index) : static_cast<LRESULT>(CB_ERR);
}

LRESULT ComboBox::DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETTEXT:
        // Counted on the box as well as on the field.
        Window::DefWindowProc(message, wParam, lParam);
        return m_field->Send(message, wParam, lParam);
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
        return m_field->Send(message, wParam, lParam);
    case CB_ADDSTRING:
        m_items.push_back(detail::TextParam(lParam));
        return static_cast<LRESULT>(m_items.size() - 1);
    case CB_GETCOUNT:
        return static_cast<LRESULT>(m_items.size());
    case CB_GETCURSEL:
        return m_curSel;
    case CB_SETCURSEL:
        return SelectIndex(detail::IndexParam(wParam));
    case CB_GETLBTEXT:
    case CB_GETLBTEXTLEN: {
        const long long index = detail::IndexParam(wParam);
        if (index < 0 || index >= static_cast<long long>(m_items.size())) return CB_ERR;
        const std::string& item = m_items[static_cast<std::size_t>(index)];
        if (message == CB_GETLBTEXTLEN) return static_cast<LRESULT>(item.size());
        return detail::CopyTextWhole(item, lParam);
    }
    case CB_RESETCONTENT:
        m_items.clear();
        SelectIndex(-1);
        return 0;
    case CB_FINDSTRING:
    case CB_SELECTSTRING: {
        const int found =
            detail::FindItemPrefix(m_items, detail::IndexParam(wParam), detail::TextParam(lParam));
        if (found < 0) return CB_ERR;
        return message == CB_SELECTSTRING ? SelectIndex(found) : found;
    }
    default:
        return Window::DefWindowProc(message, wParam, lParam);
    }
}

void ComboBox::Select(int index) {
    Send(CB_SETCURSEL, static_cast<WPARAM>(index));
}

} // namespace mox::headless
