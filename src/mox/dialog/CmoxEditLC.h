#pragma once
/// @file
/// CmoxEditLC: the link cell of an edit field.

#include <mox/dialog/CmoxLinkCell.h>

#include <memory>

class CEdit;

/// Binds a cell to an edit field with the text exchange of CmoxLinkCell. A rejected entry is
/// left selected so that the user can type over it. The application may attach an edit object
/// of its own (to filter keys) with SubclassEditControl; the link cell then owns that object.
/// Notification and threading as for CmoxLinkCell.
class MOX_API CmoxEditLC : public CmoxLinkCell {
    DECLARE_DYNAMIC(CmoxEditLC)

  public:
    using CmoxLinkCell::Fail;

    /// "MoxEditLC": a name offered to applications; the library does not use it.
    static const char* const MOX_EDIT_LC;

    /// Constructs the link cell base with the same arguments.
    CmoxEditLC(int controlId, CmoxCell* cell, CWnd* parent, const char* name = "NoName",
               unsigned char priority = MOX_UI_PRIORITY, int createDependencies = 1);
    /// Deletes the subclassed edit object, which detaches it from the field.
    ~CmoxEditLC() override;

    /// The base Fail without throwing, then selects the whole text of the field; throws
    /// CUserException afterwards when `throwException` is non-zero.
    void Fail(const char* text, int throwException) override;

    /// Keeps `edit` (taking ownership) and attaches it to the field; non-zero on success.
    int SubclassEditControl(CEdit* edit);
    /// The subclassed edit object, or null.
    CEdit* EditControl() const { return m_edit.get(); }

  private:
    std::unique_ptr<CEdit> m_edit;
};
