#include <mox/platform/MainThread.h>

namespace {
// Initialized while the library is loaded, on the loading thread.
std::thread::id g_mainThread = std::this_thread::get_id();
} // namespace

bool MoxIsMainThread() {
    return std::this_thread::get_id() == g_mainThread;
}
void MoxSetMainThread(std::thread::id id) {
    g_mainThread = id;
}
