// Conversions between policy values and the keywords cells write for them in their records.
#include <mox/archive/CmoxArchive.h>
#include <mox/propagation/Cmox.h>

#include <cstddef>
#include <string>

namespace {

template <class T> struct Keyword {
    T value;
    const char* text;
};

// The first entry of each table is also the value an unknown keyword gives.
constexpr Keyword<int> kNotifyParent[] = {{1, "NOTIFY_PARENT"}, {0, "NO_NOTIFY_PARENT"}};
constexpr Keyword<MoxCollNotifyPolicy> kCollNotify[] = {{ADDDEL_COLLNOTIFY, "ADDDEL_COLLNOTIFY"},
                                                        {ALL_COLLNOTIFY, "ALL_COLLNOTIFY"}};
constexpr Keyword<int> kMakeParent[] = {{1, "MAKE_PARENT"}, {0, "NO_MAKE_PARENT"}};
constexpr Keyword<MoxIncrementPolicy> kIncrement[] = {{MOX_FIXED_INCR, "MOX_FIXED_INCR"},
                                                      {MOX_125_INCR, "MOX_125_INCR"},
                                                      {MOX_124_INCR, "MOX_124_INCR"}};

// The keyword of `value`; empty for a value outside the enumeration.
template <class T, std::size_t N> std::string ToKeyword(const Keyword<T> (&table)[N], T value) {
    for (const Keyword<T>& k : table)
        if (k.value == value) return k.text;
    return std::string();
}

// The value of `keyword`; an unknown one is flagged as `code` (never thrown).
template <class T, std::size_t N>
T FromKeyword(const Keyword<T> (&table)[N], const std::string& keyword, MoxRestoreError code,
              CmoxArchive& archive, CmoxCell* cell) {
    for (const Keyword<T>& k : table)
        if (keyword == k.text) return k.value;
    archive.FlagRestoreError(code, cell);
    return table[0].value;
}

} // namespace

std::string Cmox::ConvertNotifyParent(int notifyParent) {
    return ToKeyword(kNotifyParent, notifyParent != 0 ? 1 : 0);
}

int Cmox::ConvertNotifyParent(const std::string& keyword, CmoxArchive& archive, CmoxCell* cell) {
    return FromKeyword(kNotifyParent, keyword, MOX_BAD_NOTIFY_PARENT, archive, cell);
}

std::string Cmox::ConvertCollNotifyPolicy(MoxCollNotifyPolicy policy) {
    return ToKeyword(kCollNotify, policy);
}

MoxCollNotifyPolicy Cmox::ConvertCollNotifyPolicy(const std::string& keyword, CmoxArchive& archive,
                                                  CmoxCell* cell) {
    return FromKeyword(kCollNotify, keyword, MOX_BAD_COLLNOTIFY, archive, cell);
}

std::string Cmox::ConvertMakeParent(int makeParent) {
    return ToKeyword(kMakeParent, makeParent != 0 ? 1 : 0);
}

int Cmox::ConvertMakeParent(const std::string& keyword, CmoxArchive& archive, CmoxCell* cell) {
    return FromKeyword(kMakeParent, keyword, MOX_BAD_MAKE_PARENT, archive, cell);
}

std::string Cmox::ConvertIncrementPolicy(MoxIncrementPolicy policy) {
    return ToKeyword(kIncrement, policy);
}

MoxIncrementPolicy Cmox::ConvertIncrementPolicy(const std::string& keyword, CmoxArchive& archive,
                                                CmoxCell* cell) {
    return FromKeyword(kIncrement, keyword, MOX_BAD_INCR_POLICY, archive, cell);
}
