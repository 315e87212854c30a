#pragma once
/// @file
/// Conversion between cell values and the text of dialog controls.

#include <mox/platform/CObject.h>
#include <mox/platform/types.h>

/// Converts numbers to the text a control shows and back. The base class writes plain decimal
/// text and parses tolerantly, ignoring grouping commas, plus signs and blanks; derive and
/// override to change units, separators or precision (an override of PreprocessText changes all
/// four parsers). No state: a link cell owns one formatter and calls it on the user-interface
/// thread; the object itself is safe to share between threads.
///
/// Buffers: the ...ToText operations write at most 12 (long), 5 (byte) or 21 (double, 64-bit)
/// characters including the terminator, cut to fit; the caller's buffer must hold that many.
/// None of the operations reports an error: text that holds no number converts to 0.
class MOX_API CmoxFormatter : public CObject {
  public:
    /// Size of the buffer each parser preprocesses into, the terminator included.
    static constexpr int PREPROCESS_SIZE = 260;
    /// Buffer size LongToText needs (the terminator included).
    static constexpr int LONG_TEXT_SIZE = 12;
    /// Buffer size ByteToText needs (the terminator included).
    static constexpr int BYTE_TEXT_SIZE = 5;
    /// Buffer size DoubleToText needs (the terminator included).
    static constexpr int DOUBLE_TEXT_SIZE = 21;
    /// Buffer size LongLongToText needs (the terminator included).
    static constexpr int LONGLONG_TEXT_SIZE = 21;

    /// A formatter with the base behaviour.
    CmoxFormatter();
    ~CmoxFormatter() override;

    /// The 32-bit integer in `text` (after PreprocessText), clamped to the 32-bit range.
    virtual long TextToLong(const char* text);
    /// `value` in decimal ("%ld").
    virtual void LongToText(long value, char* text);
    /// The integer in `text` (after PreprocessText), reduced to its low 8 bits.
    virtual unsigned char TextToByte(const char* text);
    /// `value` in decimal ("%d").
    virtual void ByteToText(unsigned char value, char* text);
    /// The floating-point number in `text` (after PreprocessText).
    virtual double TextToDouble(const char* text);
    /// `value` with six significant digits ("%g").
    virtual void DoubleToText(double value, char* text);
    /// The number in `text` (after PreprocessText) read as a double and truncated toward zero.
    virtual __int64 TextToLongLong(const char* text);
    /// `value` in decimal.
    virtual void LongLongToText(__int64 value, char* text);
    /// Copies `source` to `target` leaving out every comma, plus sign and space.
    virtual void PreprocessText(const char* source, char* target);
};
