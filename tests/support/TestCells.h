#pragma once
// Small cells for tests of the core, propagation and undo layers, independent of the value and
// collection cells.

#include <mox/mox.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace moxtest {

/// A cell with owned, named children and an optional user name.
class TreeCell : public CmoxCell {
  public:
    explicit TreeCell(const char* name, unsigned char priority = MOX_STATE_PRIORITY)
        : CmoxCell(name, priority) {}
    /// Adopts a child and returns it.
    template <class T> T* Adopt(std::unique_ptr<T> child) {
        child->Parent(this);
        T* raw = child.get();
        m_children.push_back(std::move(child));
        return raw;
    }
    /// Makes and adopts a TreeCell child.
    TreeCell* AddChild(const char* name) { return Adopt(std::make_unique<TreeCell>(name)); }

    CmoxCell* FindChild(const char* name) override;
    CmoxCell* FindChildUser(const char* userName) override;
    using CmoxCell::UserName;
    void UserName(const char* userName) override {
        m_userName = userName;
        m_hasUserName = true;
    }
    const char* UserName() override { return m_userName.c_str(); }
    int HasUserName() override { return m_hasUserName ? 1 : 0; }

  private:
    std::vector<std::unique_ptr<CmoxCell>> m_children;
    std::string m_userName;
    bool m_hasUserName = false;
};

/// Undo record of IntCell: value before and after.
class IntUndoInfo : public CmoxUndoInfo {
  public:
    IntUndoInfo(int oldValue, int newValue) : before(oldValue), after(newValue) {}
    void Merge(CmoxUndoInfo* later) override {
        CmoxUndoInfo::Merge(later);
        after = dynamic_cast<IntUndoInfo&>(*later).after;
    }
    int before;
    int after;
};

/// A minimal value cell following the set-value protocol: records undo while a context is
/// attached, reports with notify-now, undoes and redoes without notifying.
class IntCell : public CmoxCell {
    DECLARE_DYNAMIC(IntCell)

  public:
    explicit IntCell(const char* name, int value = 0, unsigned char priority = MOX_STATE_PRIORITY)
        : CmoxCell(name, priority), m_value(value) {}
    using CmoxCell::Value;
    int Get() const { return m_value; }
    MoxSetValue Set(int value, unsigned long userData = 0);
    void Undo(CmoxUndoInfo* undo) override { m_value = dynamic_cast<IntUndoInfo&>(*undo).before; }
    void Redo(CmoxUndoInfo* undo) override { m_value = dynamic_cast<IntUndoInfo&>(*undo).after; }
    void PostUndo(CmoxUndoInfo* undo) override {
        ++postUndoCalls;
        if (onPostUndo) onPostUndo(undo);
    }
    int postUndoCalls = 0;
    std::function<void(CmoxUndoInfo*)> onPostUndo;

  private:
    int m_value;
};

} // namespace moxtest
