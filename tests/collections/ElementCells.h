#pragma once
// Element cells for the collection tests: counted (to prove they die exactly once), with a tag
// that Match compares, and an optional user name.

#include "support/Recorder.h"

#include <string>
#include <vector>

namespace moxtest {

/// A counted cell whose Match(pattern, mode) is true when the pattern is a TagCell with the
/// same tag, and which can carry a user name.
class TagCell : public CountedCell {
  public:
    TagCell(const char* name, LifetimeCounter& counter, int tagValue = 0)
        : CountedCell(name, counter), tag(tagValue) {}
    int Match(CmoxCell* pattern, int) override {
        auto* other = dynamic_cast<TagCell*>(pattern);
        return other != nullptr && other->tag == tag ? 1 : 0;
    }
    using CmoxCell::UserName;
    void UserName(const char* userName) override {
        m_userName = userName;
        m_hasUserName = true;
    }
    const char* UserName() override { return m_userName.c_str(); }
    int HasUserName() override { return m_hasUserName ? 1 : 0; }

    int tag;

  private:
    std::string m_userName;
    bool m_hasUserName = false;
};

/// The names of an array's elements, in order.
inline std::vector<std::string> ElementNames(const CmoxArrayCell& array) {
    std::vector<std::string> names;
    for (int i = 0; i < array.GetSize(); ++i)
        names.push_back(array.GetAt(i)->Name());
    return names;
}

} // namespace moxtest
