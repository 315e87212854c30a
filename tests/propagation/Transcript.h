#pragma once
// An update log as one line of text, so that a test compares a whole delivery sequence at once.

#include "support/Recorder.h"

#include <string>

namespace moxtest {

/// "Cell(Changed:reason/userData ...)" per update in delivery order; reasons by their number.
inline std::string Transcript(const UpdateLog& log) {
    std::string text;
    for (const UpdateRecord& record : log) {
        text += (text.empty() ? "" : " ") + record.cell + "(";
        for (std::size_t i = 0; i < record.changed.size(); ++i)
            text += (i == 0 ? "" : " ") + record.changed[i] + ":" +
                    std::to_string(record.reasons[i]) + "/" + std::to_string(record.userData[i]);
        text += ")";
    }
    return text;
}

} // namespace moxtest
