#include "support/Recorder.h"

namespace moxtest {

std::vector<std::string> Order(const UpdateLog& log) {
    std::vector<std::string> names;
    for (const UpdateRecord& record : log)
        names.push_back(record.cell);
    return names;
}

void RecordingCell::Update(CmoxChangedList& changes) {
    UpdateRecord record;
    record.cell = Name();
    for (const ChangeInfo& change : changes.GetList()) {
        record.changed.push_back(change.Cell()->Name());
        record.reasons.push_back(change.Reason());
        record.userData.push_back(change.UserData());
    }
    m_log.push_back(record);
    if (onUpdate) onUpdate(changes);
}

} // namespace moxtest
