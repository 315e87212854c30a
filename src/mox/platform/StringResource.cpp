#include <mox/platform/StringResource.h>

#include <mutex>
#include <unordered_map>

namespace {
std::mutex g_mutex;
std::unordered_map<int, std::string>& Table() {
    static std::unordered_map<int, std::string> table;
    return table;
}
} // namespace

void MoxSetStringResource(int id, const char* text) {
    std::lock_guard<std::mutex> lock(g_mutex);
    Table()[id] = text != nullptr ? text : "";
}

void MoxClearStringResources() {
    std::lock_guard<std::mutex> lock(g_mutex);
    Table().clear();
}

int AfxLoadString(int id, std::string& out) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = Table().find(id);
    if (it == Table().end()) return 0;
    out = it->second;
    return 1;
}
