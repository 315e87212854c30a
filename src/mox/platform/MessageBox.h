#pragma once
/// @file
/// Message boxes, routed through a replaceable handler. The default handler is headless:
/// it writes the text to stderr and answers with the default button.

#include <mox/platform/types.h>

#include <functional>

/// Button and icon flags of a message box (the Windows values).
enum : unsigned int {
    MB_OK = 0x0,               ///< One OK button.
    MB_OKCANCEL = 0x1,         ///< OK and Cancel.
    MB_YESNOCANCEL = 0x3,      ///< Yes, No and Cancel.
    MB_YESNO = 0x4,            ///< Yes and No.
    MB_ICONSTOP = 0x10,        ///< Stop icon.
    MB_ICONQUESTION = 0x20,    ///< Question icon.
    MB_ICONEXCLAMATION = 0x30, ///< Exclamation icon.
    MB_ICONINFORMATION = 0x40, ///< Information icon.
};

/// Answers of a message box (the Windows values).
enum : int {
    IDOK = 1,     ///< OK was chosen.
    IDCANCEL = 2, ///< Cancel was chosen.
    IDYES = 6,    ///< Yes was chosen.
    IDNO = 7,     ///< No was chosen.
};

/// Shows a message box: receives the text and the MB_ flags, returns the ID answer.
using MoxMessageBoxHandler = std::function<int(const char* text, unsigned int type)>;

/// Replaces the message-box handler and returns the previous one. An empty handler restores
/// the default (stderr, default button).
MOX_API MoxMessageBoxHandler MoxSetMessageBoxHandler(MoxMessageBoxHandler handler);

/// Shows `text` through the current handler and returns the answer.
MOX_API int AfxMessageBox(const char* text, unsigned int type = MB_OK);
