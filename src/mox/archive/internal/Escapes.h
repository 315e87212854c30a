#pragma once
// The archive's escapes of control characters: the letter written after the backslash for each,
// shared by the writer, the reader and the moxarchive tool so the three cannot drift apart.

namespace mox::detail {

// {character, letter} for every control character written as an escape.
inline constexpr char kEscapedControls[][2] = {{'\n', 'n'}, {'\r', 'r'}, {'\t', 't'}, {'\b', 'b'}};

// The character that the escape letter `letter` stands for; any other letter stands for itself.
constexpr int Unescaped(int letter) {
    switch (letter) {
    case 'n':
        return '\n';
    case 'r':
        return '\r';
    case 't':
        return '\t';
    case 'b':
        return '\b';
    default:
        return letter;
    }
}

} // namespace mox::detail
