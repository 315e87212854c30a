#pragma once
// Small cells that write and read archive records through CmoxArchive, for the archive tests and
// the archive fuzzer. RecordValueCell writes a value block the way the library's value cells do;
// RecordGroupCell writes a braced list of child records the way the collections do. Each reports
// the run-time class name it is given, so a test can reproduce any record's bytes.

#include <mox/archive/CmoxArchive.h>
#include <mox/core/CmoxCell.h>
#include <mox/propagation/Cmox.h>

#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

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

// A collection: owns its children, may carry a user name, saved as a braced list of records.
class RecordGroupCell : public NamedClassCell {
  public:
    explicit RecordGroupCell(const char* name, const char* className = "CmoxCompositeCell")
        : NamedClassCell(className, name) {}

    template <class T, class... Args> T* Add(Args&&... args) {
        m_children.push_back(std::make_unique<T>(std::forward<Args>(args)...));
        T* child = static_cast<T*>(m_children.back().get());
        child->Parent(this);
        return child;
    }

    // Records naming no child are skipped; set to make them fail the restore instead.
    bool declineUnknown = false;

    using CmoxCell::UserName;
    void UserName(const char* userName) override {
        m_userName = userName;
        m_hasUserName = true;
    }
    const char* UserName() override { return m_hasUserName ? m_userName.c_str() : ""; }
    int HasUserName() override { return m_hasUserName ? 1 : 0; }

    CmoxCell* FindChild(const char* name) override {
        for (auto& child : m_children) {
            if (child->Name() == name) return child.get();
        }
        return nullptr;
    }

    void Save(CmoxArchive& archive) override {
        CmoxCell::Save(archive);
        archive.WriteToken("{\r\n", 1, 0);
        archive.IncrementIndent();
        for (auto& child : m_children) {
            if (child->Savable() == 0) continue;
            archive.WriteIndent();
            child->Save(archive);
            archive.WriteNewLine();
        }
        archive.DecrementIndent();
        archive.WriteIndent();
        archive.WriteBlockEnd();
    }

    void Restore(CmoxArchive& archive) override {
        if (archive.ReadToken() != "{") Fail(archive, MOX_RESTORE_BAD_FORMAT);
        for (;;) {
            const std::string& className = archive.ReadToken();
            if (className == "}") return;
            if (className.empty()) Fail(archive, MOX_RESTORE_UNEXPECTED_END);
            Cmox::Current().RestoreClassName(className.c_str());
            const std::string name = archive.ReadToken();
            if (CmoxCell* child = FindChild(name.c_str())) {
                child->Name(name.c_str());
                child->RestoreUserName(archive);
                child->Restore(archive);
                continue;
            }
            if (declineUnknown) Fail(archive, MOX_RESTORE_DECLINED);
            std::stringstream scratch;
            archive.ReadBlock(scratch);
        }
    }

  private:
    [[noreturn]] void Fail(CmoxArchive& archive, MoxRestoreError code) {
        archive.FlagRestoreError(code, this);
        throw code;
    }

    std::vector<std::unique_ptr<CmoxCell>> m_children;
    std::string m_userName;
    bool m_hasUserName = false;
};

} // namespace moxtest
