#include <mox/platform/internal/Text.h>

#include <cctype>
#include <cstring>

namespace mox::detail {

LRESULT CopyTextCut(const std::string& source, WPARAM size, LPARAM buffer) {
    char* out = reinterpret_cast<char*>(buffer);
    if (out == nullptr || size == 0) return 0;
    const std::size_t count = source.size() < size - 1 ? source.size() : size - 1;
    std::memcpy(out, source.data(), count);
    out[count] = '\0';
    return static_cast<LRESULT>(count);
}

LRESULT CopyTextWhole(const std::string& source, LPARAM buffer) {
    char* out = reinterpret_cast<char*>(buffer);
    if (out == nullptr) return -1;
    std::memcpy(out, source.c_str(), source.size() + 1);
    return static_cast<LRESULT>(source.size());
}

std::string TextParam(LPARAM text) {
    const char* p = reinterpret_cast<const char*>(text);
    return p != nullptr ? std::string(p) : std::string();
}

long long IndexParam(WPARAM index) {
    return static_cast<long long>(static_cast<LPARAM>(index));
}

namespace {

bool BeginsWith(const std::string& item, const std::string& prefix) {
    if (prefix.size() > item.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const int a = std::tolower(static_cast<unsigned char>(item[i]));
        const int b = std::tolower(static_cast<unsigned char>(prefix[i]));
        if (a != b) return false;
    }
    return true;
}

} // namespace

int FindItemPrefix(const std::vector<std::string>& items, long long start,
                   const std::string& prefix) {
    const long long count = static_cast<long long>(items.size());
    if (start < -1 || start >= count) start = -1;
    for (long long k = 0; k < count; ++k) {
        const long long i = (start + 1 + k) % count;
        if (BeginsWith(items[static_cast<std::size_t>(i)], prefix)) return static_cast<int>(i);
    }
    return -1;
}

} // namespace mox::detail
