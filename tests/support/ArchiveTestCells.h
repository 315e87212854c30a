#pragma once
// A small value cell that writes and reads archive records through CmoxArchive, for the archive
// tests and the archive fuzzer: it writes a value block the way the library's value cells do and
// reports the run-time class name it is given, so a test can reproduce any record's bytes.

#include <mox/archive/CmoxArchive.h>
#include <mox/collections/CmoxCompositeCell.h>
#include <mox/core/CmoxCell.h>
#include <mox/core/MoxConstants.h>
#include <mox/propagation/Cmox.h>
#include <mox/values/CmoxStringCell.h>

#include <sstream>
#include <string>

namespace moxtest {

// Gives a test cell a run-time class record under any class name.
class NamedClassCell : public CmoxCell {
  public:
    NamedClassCell(const char* className, const char* name)
        : CmoxCell(name, MOX_STATE_PRIORITY), m_class{nullptr, 0, RUNTIME_CLASS(CmoxCell)},
          m_className(className) {
        m_class.m_lpszClassName = m_className.c_str();
        m_class.m_nObjectSize = static_cast<int>(sizeof(*this));
    }
    const CRuntimeClass* GetRuntimeClass() const override { return &m_class; }

  private:
    CRuntimeClass m_class;
    std::string m_className;
};

// A value cell saved as "= { <value>  }": the text verbatim (a number), or for kString as a
// quoted token, through the public token writer. Restoring reads the block's first token back.
class RecordValueCell : public NamedClassCell {
  public:
    enum Kind { kLong, kDouble, kString };

    RecordValueCell(const char* className, const char* name, Kind kind)
        : NamedClassCell(className, name), m_quoted(kind == kString) {}

    std::string value;
    int restoreCount = 0;

    void Save(CmoxArchive& archive) override {
        CmoxCell::Save(archive);
        std::stringstream block;
        archive.WriteToken(value.c_str(), block, m_quoted ? 0 : 1, 1);
        archive.WriteBlock(block);
    }

    void Restore(CmoxArchive& archive) override {
        std::stringstream block;
        const MoxRestoreError code = archive.ReadBlock(block);
        if (code != MOX_RESTORE_OK) {
            archive.FlagRestoreError(code, this);
            throw code;
        }
        value = archive.ReadToken(block);
        ++restoreCount;
    }

  private:
    bool m_quoted;
};

// Gives `group` the user name `userName`, kept as the library keeps it: in an unsaved string
// child that the record frame carries.
inline void GiveUserName(CmoxCompositeCell& group, const char* userName) {
    auto* label = new CmoxStringCell(MOX_USER_NAME, userName);
    label->Savable(0);
    group.AddChild(label, 1);
}

} // namespace moxtest
