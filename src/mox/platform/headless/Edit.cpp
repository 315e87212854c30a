#include <mox/platform/headless/Edit.h>

#include <mox/platform/internal/Text.h>

#include <utility>

namespace mox::headless {

Edit::Edit(Window* parent, int id, unsigned long style, Rect bounds)
    : Window(parent, nullptr, id, style, bounds) {}

void Edit::Edited() {}

LRESULT Edit::DefWindowProc(unsigned int message, WPARAM wParam, LPARAM lParam) {
    const long long length = static_cast<long long>(m_text.size());
    switch (message) {
    case WM_SETTEXT: {
        const LRESULT result = Window::DefWindowProc(message, wParam, lParam);
        m_selStart = m_selEnd = 0;
        Edited();
        return result;
    }
    case WM_CHAR: {
        const unsigned char c = static_cast<unsigned char>(wParam & 0xFF);
        if (c == '\b') {
            if (m_selStart == m_selEnd && m_selStart > 0) --m_selStart;
            if (m_selStart == m_selEnd) return 0;
            ReplaceSelection(std::string());
        } else if (c >= 0x20 && c != 0x7F) {
            ReplaceSelection(std::string(1, static_cast<char>(c)));
        }
        return 0;
    }
    case EM_SETSEL: {
        long long start = detail::IndexParam(wParam);
        long long end = static_cast<long long>(lParam);
        if (start == -1) {
            // Deselect, leaving the caret where the selection ended.
            m_selStart = m_selEnd;
            return 0;
        }
        if (end < 0 || end > length) end = length;
        if (start < 0) start = 0;
        if (start > length) start = length;
        if (start > end) std::swap(start, end);
        m_selStart = static_cast<int>(start);
        m_selEnd = static_cast<int>(end);
        return 0;
    }
    case EM_GETSEL: {
        if (int* start = reinterpret_cast<int*>(wParam)) *start = m_selStart;
        if (int* end = reinterpret_cast<int*>(lParam)) *end = m_selEnd;
        const unsigned long packed = (static_cast<unsigned long>(m_selStart) & 0xFFFFUL) |
                                     ((static_cast<unsigned long>(m_selEnd) & 0xFFFFUL) << 16);
        return static_cast<LRESULT>(packed);
    }
    case EM_REPLACESEL:
        ReplaceSelection(detail::TextParam(lParam));
        return 0;
    case WM_GETDLGCODE:
        return DLGC_HASSETSEL;
    default:
        return Window::DefWindowProc(message, wParam, lParam);
    }
}

void Edit::ReplaceSelection(const std::string& text) {
    const std::size_t start = static_cast<std::size_t>(m_selStart);
    m_text.replace(start, static_cast<std::size_t>(m_selEnd - m_selStart), text);
    m_selStart = m_selEnd = static_cast<int>(start + text.size());
    Edited();
}

void Edit::Type(const char* chars) {
    if (chars == nullptr) return;
    for (const char* p = chars; *p != '\0'; ++p)
        Send(WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(*p)));
}

void Edit::Enter(const char* text) {
    Send(EM_SETSEL, 0, -1);
    Type(text);
}

} // namespace mox::headless
