#pragma once
/// @file
/// The edit-field object of the dialog layer.

#include <mox/platform/CWnd.h>
#include <mox/platform/types.h>

/// A CWnd standing for an edit field, with its selection operations. Applications derive from
/// it and attach their object to a field (SubclassWindow / SubclassDlgItem) to filter keys in
/// WindowProc. Ownership and threading as for CWnd.
class MOX_API CEdit : public CWnd {
    DECLARE_DYNAMIC(CEdit)

  public:
    /// An edit object attached to no window.
    CEdit();
    ~CEdit() override;

    /// Selects the characters from `start` to `end` (-1: to the end of the text; a `start` of
    /// -1 removes the selection). `noScroll` is accepted for the framework's signature only.
    void SetSel(int start, int end, int noScroll = 0);
    /// The selection: first selected character and the one after the last.
    void GetSel(int& start, int& end) const;
    /// Replaces the selection with `text`.
    void ReplaceSel(const char* text);
};
