#pragma once
// The collection tests compare what happened as one line of text.

#include "support/Recorder.h"

#include <string>

namespace moxtest {

// "Cell(changed:reason#data,...) " for each update in order; user data shows when not zero. Takes
// the updates out of `log`, so the next call tells only what came after.
inline std::string Heard(UpdateLog& log) {
    static const char* const kReasons[] = {"none",    "value", "range",  "child",
                                           "default", "added", "removed"};
    std::string out;
    for (const UpdateRecord& update : log) {
        out += update.cell + "(";
        for (size_t i = 0; i < update.changed.size(); ++i)
            out += (i == 0 ? "" : ",") + update.changed[i] + ":" + kReasons[update.reasons[i]] +
                   (update.userData[i] != 0 ? "#" + std::to_string(update.userData[i]) : "");
        out += ") ";
    }
    log.clear();
    return out;
}

// What a collection holds, in order: each child's name, with "=value" for long and string cells.
inline std::string Held(CmoxCell& collection) {
    auto* array = dynamic_cast<CmoxArrayCell*>(&collection);
    auto* composite = dynamic_cast<CmoxCompositeCell*>(&collection);
    std::string out;
    for (int i = 0; i < (array != nullptr ? array->GetSize() : composite->GetSize()); ++i) {
        CmoxCell* child = array != nullptr ? array->GetAt(i) : composite->GetChildAt(i);
        out += child->Name();
        if (auto* number = dynamic_cast<CmoxLongCell*>(child))
            out += "=" + std::to_string(number->Value());
        else if (auto* text = dynamic_cast<CmoxStringCell*>(child))
            out += "=" + text->Value();
        out += " ";
    }
    return out;
}

// The names, each followed by a space.
inline std::string Join(const Names& names) {
    std::string out;
    for (const std::string& name : names)
        out += name + " ";
    return out;
}

} // namespace moxtest
