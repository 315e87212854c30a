#include <mox/platform/MessageBox.h>

#include <cstdio>
#include <mutex>

namespace {

int DefaultMessageBox(const char* text, unsigned int type) {
    std::fprintf(stderr, "%s\n", text != nullptr ? text : "");
    switch (type & 0xF) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return IDYES;
    default:
        return IDOK;
    }
}

std::mutex g_handlerMutex;
MoxMessageBoxHandler g_handler;

} // namespace

MoxMessageBoxHandler MoxSetMessageBoxHandler(MoxMessageBoxHandler handler) {
    std::lock_guard<std::mutex> lock(g_handlerMutex);
    MoxMessageBoxHandler previous = std::move(g_handler);
    g_handler = std::move(handler);
    if (!previous) previous = DefaultMessageBox;
    return previous;
}

int AfxMessageBox(const char* text, unsigned int type) {
    MoxMessageBoxHandler handler;
    {
        std::lock_guard<std::mutex> lock(g_handlerMutex);
        handler = g_handler;
    }
    // The handler runs unlocked: it may itself replace the handler or show another box.
    return handler ? handler(text, type) : DefaultMessageBox(text, type);
}
