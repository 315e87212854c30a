#include <mox/platform/headless/ListBox.h>

#include <mox/platform/internal/Text.h>

namespace mox::headless {

ListBox::ListBox(Window* parent, int id, unsigned long style, Rect bounds)
    : Window(parent, nullptr, id, style, bounds) {}

LRESULT ListBox::DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) {
    const long long count = static_cast<long long>(m_items.size());
    switch (message) {
    case LB_ADDSTRING:
        m_items.push_back(detail::TextParam(lParam));
        return static_cast<LRESULT>(count);
    case LB_RESETCONTENT:
        m_items.clear();
        m_curSel = -1;
        return 0;
    case LB_GETCOUNT:
        return static_cast<LRESULT>(count);
    case LB_GETCURSEL:
        return m_curSel;
    case LB_SETCURSEL: {
        // -1 or an index out of range leaves nothing selected.
        const long long index = detail::IndexParam(wParam);
        const bool valid = index >= 0 && index < count;
        m_curSel = valid ? static_cast<int>(index) : -1;
        return valid ? static_cast<LRESULT>(index) : static_cast<LRESULT>(LB_ERR);
    }
    case LB_GETTEXT:
    case LB_GETTEXTLEN: {
        const long long index = detail::IndexParam(wParam);
        if (index < 0 || index >= count) return LB_ERR;
        const std::string& item = m_items[static_cast<std::size_t>(index)];
        if (message == LB_GETTEXTLEN) return static_cast<LRESULT>(item.size());
        return detail::CopyTextWhole(item, lParam);
    }
    case LB_FINDSTRING:
    case LB_SELECTSTRING: {
        const int found =
            detail::FindItemPrefix(m_items, detail::IndexParam(wParam), detail::TextParam(lParam));
        if (found < 0) return LB_ERR;
        if (message == LB_SELECTSTRING) m_curSel = found;
        return found;
    }
    default:
        return Window::DefWindowProc(message, wParam, lParam);
    }
}

void ListBox::Select(int index) {
    Send(LB_SETCURSEL, static_cast<WPARAM>(index));
}

} // namespace mox::headless
