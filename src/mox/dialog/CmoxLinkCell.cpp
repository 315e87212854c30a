#include <mox/dialog/CmoxLinkCell.h>

#include <mox/collections/CmoxArrayCell.h>
#include <mox/dialog/CmoxFormatter.h>
#include <mox/platform/CDataExchange.h>
#include <mox/platform/CException.h>
#include <mox/platform/CWnd.h>
#include <mox/platform/MessageBox.h>
#include <mox/platform/StringResource.h>
#include <mox/values/CmoxByteCell.h>
#include <mox/values/CmoxDoubleCell.h>
#include <mox/values/CmoxLongCell.h>
#include <mox/values/CmoxLongLongCell.h>
#include <mox/values/CmoxStringCell.h>

#include <cassert>
#include <cstdio>
#include <cstring>

IMPLEMENT_DYNAMIC(CmoxLinkCell, CmoxCell)

namespace {

const unsigned int kSimpleBeep = 0xFFFFFFFFu;

// The linked cell as a `Cell` when it is one (or derives from one), else null.
template <class Cell> Cell* As(CmoxCell* cell, const CRuntimeClass* cls) {
    return cell != nullptr && cell->IsKindOf(cls) ? static_cast<Cell*>(cell) : nullptr;
}

#define MOX_AS(Cell, cell) As<Cell>(cell, RUNTIME_CLASS(Cell))

} // namespace

CmoxLinkCell::CmoxLinkCell(int controlId, CmoxCell* cell, CWnd* parent, const char* name,
                           unsigned char priority, int createDependencies)
    : CmoxCell(name, priority) {
    Initialize(controlId, cell, parent, name, priority, createDependencies);
}

CmoxLinkCell::~CmoxLinkCell() = default;

void CmoxLinkCell::Initialize(int controlId, CmoxCell* cell, CWnd* parent, const char* name,
                              unsigned char priority, int createDependencies) {
    CmoxCell::Initialize(name, priority);
    m_controlId = controlId;
    m_cell = cell;
    m_parent = parent;
    m_formatter.reset();
    if (createDependencies) CreateDependencies();
}

void CmoxLinkCell::Formatter(CmoxFormatter* formatter) {
    // Passing the one already held must not delete it.
    if (formatter != m_formatter.get()) m_formatter.reset(formatter);
}

HWND CmoxLinkCell::GetControlHandle() const {
    HWND control = nullptr;
    if (m_parent != nullptr) m_parent->GetDlgItem(m_controlId, &control);
    return control;
}

bool CmoxLinkCell::DependsOnLinkedCell() const {
    // A destroyed linked cell has taken itself out of our dependees, so membership there tells
    // whether m_cell may still be touched.
    return m_cell != nullptr && GetDependees().Contains(m_cell);
}

// ---- cell interface ----------------------------------------------------------------------------

void CmoxLinkCell::Update(CmoxChangedList&) {
    StateToUI();
}

void CmoxLinkCell::CreateDependencies() {
    if (m_cell != nullptr) m_cell->AddDependent(this);
}

void CmoxLinkCell::DestroyDependencies() {
    if (DependsOnLinkedCell()) m_cell->RemoveDependent(this);
}

void CmoxLinkCell::AssertValid() const {
    CmoxCell::AssertValid();
    assert(m_parent == nullptr || GetControlHandle() != nullptr);
}

// ---- exchange ----------------------------------------------------------------------------------

void CmoxLinkCell::Transfer(CDataExchange* exchange) {
    if (exchange != nullptr && exchange->m_bSaveAndValidate)
        UIToState();
    else
        StateToUI();
}

void CmoxLinkCell::UIToState() {
    char text[TEXT_SIZE] = "";
    GetControlText(text, TEXT_SIZE);
    CmoxFormatter* formatter = m_formatter.get();
    MoxSetValue result = MOX_VALUE_SET;
    if (CmoxLongCell* longCell = MOX_AS(CmoxLongCell, m_cell)) {
        if (formatter == nullptr) return;
        longCell->Value(formatter->TextToLong(text));
    } else if (CmoxLongLongCell* wide = MOX_AS(CmoxLongLongCell, m_cell)) {
        if (formatter == nullptr) return;
        result = wide->Value(formatter->TextToLongLong(text));
    } else if (CmoxByteCell* byteCell = MOX_AS(CmoxByteCell, m_cell)) {
        if (formatter == nullptr) return;
        result = byteCell->Value(formatter->TextToByte(text));
    } else if (CmoxDoubleCell* doubleCell = MOX_AS(CmoxDoubleCell, m_cell)) {
        if (formatter == nullptr) return;
        doubleCell->Value(formatter->TextToDouble(text));
    } else if (CmoxStringCell* stringCell = MOX_AS(CmoxStringCell, m_cell)) {
        stringCell->Value(static_cast<const char*>(text));
    } else {
        return;
    }
    if (result == MOX_VALUE_ADJUSTED) {
        // The change notification has already shown (or will show, for a deferred link cell)
        // the adjusted value.
        Fail(static_cast<const char*>(nullptr), 0);
        return;
    }
    if (result == MOX_VALUE_ADJUSTED_SAME) Fail(static_cast<const char*>(nullptr), 0);
    StateToUI();
}

void CmoxLinkCell::StateToUI() {
    char current[TEXT_SIZE] = "";
    GetControlText(current, TEXT_SIZE);
    char text[TEXT_SIZE] = "";
    CmoxFormatter* formatter = m_formatter.get();
    if (CmoxLongCell* longCell = MOX_AS(CmoxLongCell, m_cell)) {
        if (formatter == nullptr) return;
        formatter->LongToText(longCell->Value(), text);
    } else if (CmoxLongLongCell* wide = MOX_AS(CmoxLongLongCell, m_cell)) {
        if (formatter == nullptr) return;
        formatter->LongLongToText(wide->Value(), text);
    } else if (CmoxByteCell* byteCell = MOX_AS(CmoxByteCell, m_cell)) {
        if (formatter == nullptr) return;
        formatter->ByteToText(byteCell->Value(), text);
    } else if (CmoxDoubleCell* doubleCell = MOX_AS(CmoxDoubleCell, m_cell)) {
        if (formatter == nullptr) return;
        formatter->DoubleToText(doubleCell->Value(), text);
    } else if (CmoxStringCell* stringCell = MOX_AS(CmoxStringCell, m_cell)) {
        const std::string& value = static_cast<const CmoxStringCell*>(stringCell)->Value();
        // Whole strings, not the 256-character buffer: a long value must not look "unchanged"
        // just because its first 255 characters match.
        if (value == current && value.size() < static_cast<std::size_t>(TEXT_SIZE - 1)) return;
        SetControlText(value.c_str());
        return;
    } else {
        return;
    }
    // Leave a control that already shows the text alone, so its caret and selection stay.
    if (std::strcmp(text, current) != 0) SetControlText(text);
}

void CmoxLinkCell::Increment(int steps) {
    if (CmoxLongLongCell* wide = MOX_AS(CmoxLongLongCell, m_cell))
        wide->Increment(static_cast<__int64>(steps));
    if (CmoxDoubleCell* doubleCell = MOX_AS(CmoxDoubleCell, m_cell))
        doubleCell->Increment(static_cast<double>(steps));
    if (CmoxLongCell* longCell = MOX_AS(CmoxLongCell, m_cell))
        longCell->Increment(static_cast<long>(steps));
    if (CmoxByteCell* byteCell = MOX_AS(CmoxByteCell, m_cell))
        byteCell->Increment(static_cast<unsigned char>(steps & 0xFF));
}

void CmoxLinkCell::Decrement(int steps) {
    if (CmoxLongLongCell* wide = MOX_AS(CmoxLongLongCell, m_cell))
        wide->Decrement(static_cast<__int64>(steps));
    if (CmoxDoubleCell* doubleCell = MOX_AS(CmoxDoubleCell, m_cell))
        doubleCell->Decrement(static_cast<double>(steps));
    if (CmoxLongCell* longCell = MOX_AS(CmoxLongCell, m_cell))
        longCell->Decrement(static_cast<long>(steps));
    if (CmoxByteCell* byteCell = MOX_AS(CmoxByteCell, m_cell))
        byteCell->Decrement(static_cast<unsigned char>(steps & 0xFF));
}

void CmoxLinkCell::Cell(CmoxCell* cell, int makeDependent) {
    if (DependsOnLinkedCell()) m_cell->RemoveDependent(this);
    m_cell = cell;
    if (makeDependent && cell != nullptr) cell->AddDependent(this);
}

// ---- rejected entries --------------------------------------------------------------------------

void CmoxLinkCell::Fail(int stringId, int throwException) {
    std::string text;
    if (!AfxLoadString(stringId, text)) AfxThrowResourceException();
    Fail(text.c_str(), throwException);
}

void CmoxLinkCell::Fail(const char* text, int throwException) {
    if (text != nullptr)
        AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);
    else
        MessageBeep(kSimpleBeep);
    if (CWnd* control = CWnd::FromHandle(GetControlHandle())) control->SetFocus();
    if (throwException) AfxThrowUserException();
}

// ---- control text ------------------------------------------------------------------------------

void CmoxLinkCell::SetControlText(const char* text) {
    if (m_parent != nullptr) m_parent->SetDlgItemText(m_controlId, text);
}

void CmoxLinkCell::GetControlText(char* text, int size) {
    if (text == nullptr || size <= 0) return;
    text[0] = '\0';
    if (m_parent != nullptr) m_parent->GetDlgItemText(m_controlId, text, size);
}

// ---- contents of list-like controls ------------------------------------------------------------

void CmoxLinkCell::AddString(const char*) {}

void CmoxLinkCell::AddString(int stringId) {
    if (stringId == 0) return;
    std::string text;
    if (!AfxLoadString(stringId, text)) {
        char message[256];
        std::snprintf(message, sizeof message,
                      "MOX was unable to load string resource %d. The\t\t\tapplication may not "
                      "behave correctly",
                      stringId);
        AfxMessageBox(message, MB_OK);
        text.clear();
    }
    AddString(text.c_str());
}

void CmoxLinkCell::InitContents(int id1, int id2, int id3, int id4, int id5) {
    for (int id : {id1, id2, id3, id4, id5})
        AddString(id);
}

void CmoxLinkCell::InitContents(const std::vector<std::string>& strings) {
    for (const std::string& text : strings)
        AddString(text.c_str());
}

void CmoxLinkCell::InitContents(const std::vector<unsigned int>& ids) {
    for (unsigned int id : ids)
        AddString(static_cast<int>(id));
}

void CmoxLinkCell::InitContents(CmoxArrayCell& array) {
    // The count is taken once: an array that shrinks meanwhile makes ElementAt throw.
    const int count = array.GetSize();
    for (int i = 0; i < count; ++i)
        AddString(static_cast<const char*>(*array.ElementAt(i)));
}

void CmoxLinkCell::InitContents(CmoxArrayCell& array, const char* childName) {
    const int count = array.GetSize();
    for (int i = 0; i < count; ++i) {
        CmoxCell* child = array.ElementAt(i)->FindChild(childName);
        AddString(child != nullptr ? static_cast<const char*>(*child) : "");
    }
}

void CmoxLinkCell::InitContentsUser(CmoxArrayCell& array) {
    const int count = array.GetSize();
    for (int i = 0; i < count; ++i)
        AddString(array.ElementAt(i)->UserName());
}

void CmoxLinkCell::InitContentsFromSingleResource(int stringId, char delimiter) {
    if (stringId == MOX_NULLID) return;
    std::string text;
    if (!AfxLoadString(stringId, text)) AfxThrowResourceException();
    std::string::size_type start = 0;
    for (std::string::size_type at = text.find(delimiter); at != std::string::npos;
         at = text.find(delimiter, start)) {
        AddString(text.substr(start, at - start).c_str());
        start = at + 1;
    }
    if (start < text.size()) AddString(text.substr(start).c_str());
}
