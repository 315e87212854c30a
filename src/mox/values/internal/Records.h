#pragma once
/// @file
/// Shared steps of the value cells' archive records. Included by the cells' sources only.

#include <mox/archive/CmoxArchive.h>
#include <mox/core/MoxConstants.h>

#include <locale>
#include <sstream>
#include <string>
#include <string_view>

class CmoxCell;

namespace mox::detail {

/// A block stream for a value text. Records use the classic locale whatever the process's
/// global locale is, so numbers are never grouped or written with another decimal point.
inline void PrepareBlock(std::stringstream& block) {
    block.imbue(std::locale::classic());
}

/// Reads `cell`'s next value block into `block`. On a block fault the code is flagged on the
/// archive and thrown as the MoxRestoreError value, for the restore driver to catch; the cell
/// has not been touched at that point.
inline void ReadValueBlock(CmoxArchive& archive, std::stringstream& block, CmoxCell* cell) {
    PrepareBlock(block);
    const MoxRestoreError code = archive.ReadBlock(block);
    if (code != MOX_RESTORE_OK) {
        archive.FlagRestoreError(code, cell);
        throw code;
    }
}

/// Reads `cell`'s next value block, as ReadValueBlock does, leaving its text after the "{" in
/// [begin, end) (valid until the archive reads again) instead of in a string stream.
inline void ReadValueText(CmoxArchive& archive, CmoxCell* cell, const char*& begin,
                          const char*& end) {
    const MoxRestoreError code = archive.ReadBlock(begin, end);
    if (code != MOX_RESTORE_OK) {
        archive.FlagRestoreError(code, cell);
        throw code;
    }
}

/// Copies `text` (which must not lie inside `to`) into `to`: over the old text while that is long
/// enough, else cleared and appended to. Cheaper than assign, which must allow for a source
/// inside the string.
inline void CopyText(std::string& to, std::string_view text) {
    if (text.size() <= to.size()) {
        to.erase(text.size());
        text.copy(to.data(), text.size());
        return;
    }
    to.clear();
    to.append(text.data(), text.size());
}

/// Extracts one decimal integer from `block`. False, and `out` untouched, when there is none
/// (missing, malformed or beyond the 64-bit range): a record's field that cannot be read leaves
/// the cell's field as it was.
inline bool ReadInteger(std::istream& block, long long& out) {
    long long v = 0;
    if (!(block >> v)) return false;
    out = v;
    return true;
}

/// Extracts one white-space-delimited word from `block` (empty when there is none). The word is
/// taken whole, however long; callers compare or convert it without a fixed buffer.
inline std::string ReadWord(std::istream& block) {
    std::string word;
    block >> word;
    return word;
}

/// True when `word` starts with an optional sign followed by a digit: text that holds a number.
inline bool HoldsNumber(const std::string& word) {
    std::size_t at = 0;
    if (at < word.size() && (word[at] == '+' || word[at] == '-')) ++at;
    return at < word.size() && word[at] >= '0' && word[at] <= '9';
}

} // namespace mox::detail
