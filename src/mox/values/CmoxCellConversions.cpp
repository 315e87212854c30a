// The plain-value conversions of the cell base. They live with the value cells because they
// need to know them; the cell base itself knows no value type.
//
// Each conversion is meant for one kind of cell. For a cell of any other kind (a collection, a
// link cell, or a value cell of another type) it gives the type's zero: 0, 0.0 or "". Reading a
// neutral value is safer than reinterpreting a cell as a type it is not, and keeps the
// conversions usable on any cell without a kind test first.

#include <mox/core/CmoxCell.h>

#include <mox/values/CmoxBooleanCell.h>
#include <mox/values/CmoxDoubleCell.h>
#include <mox/values/CmoxLongCell.h>
#include <mox/values/CmoxLongLongCell.h>
#include <mox/values/CmoxStringCell.h>

CmoxCell::operator long() {
    if (auto* cell = dynamic_cast<CmoxLongCell*>(this)) return cell->Value();
    return 0;
}

CmoxCell::operator double() {
    if (auto* cell = dynamic_cast<CmoxDoubleCell*>(this)) return cell->Value();
    return 0.0;
}

CmoxCell::operator __int64() {
    if (auto* cell = dynamic_cast<CmoxLongLongCell*>(this)) return cell->Value();
    return 0;
}

CmoxCell::operator const char*() {
    // The characters stay valid until the string cell's text changes or the cell dies.
    if (auto* cell = dynamic_cast<CmoxStringCell*>(this)) return cell->Value().c_str();
    return "";
}

CmoxCell::operator int() {
    // A boolean cell may hold any byte; the conversion gives it as a truth value, 0 or 1.
    if (auto* cell = dynamic_cast<CmoxBooleanCell*>(this)) return cell->IsTrue() != 0 ? 1 : 0;
    return 0;
}
