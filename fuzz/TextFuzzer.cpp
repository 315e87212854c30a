// Fuzzes the library's text conversions: the formatter's parsers and printers, the engine's
// 64-bit text and engineering units, the user-name and path helpers and the policy keywords.
// Beyond the sanitizers it checks each result's range and every round trip that is defined:
// printing a value and parsing the text gives the value back (for a double, printing is stable
// after one round), and a user name survives being marked and extracted.
#include <mox/mox.h>

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

template <class T> T Load(const std::uint8_t* data, std::size_t size) {
    T value{};
    std::memcpy(&value, data, size < sizeof value ? size : sizeof value);
    return value;
}

// The formatter's parsers on any text, and its printers' round trips.
void Formatter(const std::string& text, const std::uint8_t* data, std::size_t size) {
    CmoxFormatter formatter;
    const long parsedLong = formatter.TextToLong(text.c_str());
    Require(parsedLong >= INT32_MIN && parsedLong <= INT32_MAX);
    formatter.TextToByte(text.c_str());
    const double parsedDouble = formatter.TextToDouble(text.c_str());
    formatter.TextToLongLong(text.c_str());

    char printed[256];
    const long asLong = static_cast<long>(Load<std::int32_t>(data, size));
    formatter.LongToText(asLong, printed);
    Require(std::strlen(printed) < CmoxFormatter::LONG_TEXT_SIZE);
    Require(formatter.TextToLong(printed) == asLong);

    const unsigned char asByte = Load<unsigned char>(data, size);
    formatter.ByteToText(asByte, printed);
    Require(std::strlen(printed) < CmoxFormatter::BYTE_TEXT_SIZE);
    Require(formatter.TextToByte(printed) == asByte);

    // Through a double: exact up to 2^53.
    const __int64 asLongLong = Load<__int64>(data, size) >> 11;
    formatter.LongLongToText(asLongLong, printed);
    Require(std::strlen(printed) < CmoxFormatter::LONGLONG_TEXT_SIZE);
    Require(formatter.TextToLongLong(printed) == asLongLong);

    // Six significant digits: one round may round, a second changes nothing.
    for (double value : {Load<double>(data, size), parsedDouble}) {
        formatter.DoubleToText(value, printed);
        Require(std::strlen(printed) < CmoxFormatter::DOUBLE_TEXT_SIZE);
        if (!std::isfinite(value)) continue;
        const double once = formatter.TextToDouble(printed);
        char again[256];
        formatter.DoubleToText(once, again);
        Require(std::strcmp(printed, again) == 0);
    }
}

// The engine's 64-bit text and engineering units.
void EngineText(const std::string& text, const std::uint8_t* data, std::size_t size) {
    Cmox::TextToLongLong(text.c_str());
    const __int64 value = Load<__int64>(data, size);
    Require(Cmox::TextToLongLong(Cmox::LongLongToText(value).c_str()) == value);
    for (char unit : text.substr(0, 4)) {
        Require(Cmox::IsEngUnit(unit) == MoxIsEngUnit(unit));
        Require(Cmox::EngValue(value, unit) == MoxEngValue(value, unit));
        if (unit == 'p') Require(Cmox::EngValue(value, unit) == value);
    }
}

// User names, paths and policy keywords.
void Names(const std::string& text) {
    std::string marked, back;
    Cmox::MakeUserName(marked, text.c_str());
    Require(Cmox::IsUserName(marked) != 0);
    Cmox::ExtractUserName(back, marked);
    Require(back == text);
    Cmox::IsUserName(text);
    Cmox::ExtractUserName(back, text);
    Cmox::ExtractName(back, text);
    std::string path;
    MoxMakePath(path, text.c_str(), text.c_str());

    std::stringstream io;
    CmoxArchive archive;
    Require(archive.Open(&io, MOX_ARCHIVE_WRITE, 0) == 1);
    archive.ResetErrors();
    for (int policy = ADDDEL_COLLNOTIFY; policy <= ALL_COLLNOTIFY; ++policy) {
        const std::string keyword =
            Cmox::ConvertCollNotifyPolicy(static_cast<MoxCollNotifyPolicy>(policy));
        Require(Cmox::ConvertCollNotifyPolicy(keyword, archive, nullptr) == policy);
    }
    Require(archive.CheckRestoreStatus() == 1);
    Cmox::ConvertNotifyParent(text, archive, nullptr);
    Cmox::ConvertCollNotifyPolicy(text, archive, nullptr);
    Cmox::ConvertMakeParent(text, archive, nullptr);
    Cmox::ConvertIncrementPolicy(text, archive, nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The texts a control or a file can hand over: any bytes up to the first NUL.
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\0'));
    Formatter(text, data, size);
    EngineText(text, data, size);
    Names(text);
    return 0;
}
