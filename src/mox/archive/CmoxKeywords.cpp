// Conversions between policy values and the keywords cells write for them in their records.
#include <mox/archive/CmoxArchive.h>
#include <mox/propagation/Cmox.h>

#include <string>

namespace {

const char kNotifyParent[] = "NOTIFY_PARENT";
const char kNoNotifyParent[] = "NO_NOTIFY_PARENT";
const char kAddDelCollNotify[] = "ADDDEL_COLLNOTIFY";
const char kAllCollNotify[] = "ALL_COLLNOTIFY";
const char kMakeParent[] = "MAKE_PARENT";
const char kNoMakeParent[] = "NO_MAKE_PARENT";
const char kFixedIncr[] = "MOX_FIXED_INCR";
const char k125Incr[] = "MOX_125_INCR";
const char k124Incr[] = "MOX_124_INCR";

} // namespace

std::string Cmox::ConvertNotifyParent(int notifyParent) {
    return notifyParent != 0 ? kNotifyParent : kNoNotifyParent;
}

int Cmox::ConvertNotifyParent(const std::string& keyword, CmoxArchive& archive, CmoxCell* cell) {
    if (keyword == kNotifyParent) return 1;
    if (keyword == kNoNotifyParent) return 0;
    archive.FlagRestoreError(MOX_BAD_NOTIFY_PARENT, cell);
    return 1;
}

std::string Cmox::ConvertCollNotifyPolicy(MoxCollNotifyPolicy policy) {
    switch (policy) {
    case ADDDEL_COLLNOTIFY:
        return kAddDelCollNotify;
    case ALL_COLLNOTIFY:
        return kAllCollNotify;
    }
    return std::string();
}

MoxCollNotifyPolicy Cmox::ConvertCollNotifyPolicy(const std::string& keyword, CmoxArchive& archive,
                                                  CmoxCell* cell) {
    if (keyword == kAddDelCollNotify) return ADDDEL_COLLNOTIFY;
    if (keyword == kAllCollNotify) return ALL_COLLNOTIFY;
    archive.FlagRestoreError(MOX_BAD_COLLNOTIFY, cell);
    return ADDDEL_COLLNOTIFY;
}

std::string Cmox::ConvertMakeParent(int makeParent) {
    return makeParent != 0 ? kMakeParent : kNoMakeParent;
}

int Cmox::ConvertMakeParent(const std::string& keyword, CmoxArchive& archive, CmoxCell* cell) {
    if (keyword == kMakeParent) return 1;
    if (keyword == kNoMakeParent) return 0;
    archive.FlagRestoreError(MOX_BAD_MAKE_PARENT, cell);
    return 1;
}

std::string Cmox::ConvertIncrementPolicy(MoxIncrementPolicy policy) {
    switch (policy) {
    case MOX_FIXED_INCR:
        return kFixedIncr;
    case MOX_125_INCR:
        return k125Incr;
    case MOX_124_INCR:
        return k124Incr;
    }
    return std::string();
}

MoxIncrementPolicy Cmox::ConvertIncrementPolicy(const std::string& keyword, CmoxArchive& archive,
                                                CmoxCell* cell) {
    if (keyword == kFixedIncr) return MOX_FIXED_INCR;
    if (keyword == k125Incr) return MOX_125_INCR;
    if (keyword == k124Incr) return MOX_124_INCR;
    archive.FlagRestoreError(MOX_BAD_INCR_POLICY, cell);
    return MOX_FIXED_INCR;
}
