#pragma once
/// @file
/// The shared vocabulary: exported constants, the enumerations of the public signatures and
/// the path-building helper. The name helpers live on the engine class (Cmox::MakeUserName...).

#include <mox/platform/types.h>

#include <string>

// ---- priorities ----------------------------------------------------------------------------
MOX_API extern const unsigned char MOX_STATE_PRIORITY;             ///< 150, every cell's default.
MOX_API extern const unsigned char MOX_USE_DEFAULT_STATE_PRIORITY; ///< 150.
MOX_API extern const unsigned char MOX_CUTOFF_PRIORITY;         ///< 100, immediate/deferred split.
MOX_API extern const unsigned char MOX_UI_PRIORITY;             ///< 50, user-interface cells.
MOX_API extern const unsigned char MOX_USE_DEFAULT_UI_PRIORITY; ///< 50.
MOX_API extern const unsigned char MOX_MAX_PRIORITY;            ///< 200.
MOX_API extern const unsigned char MOX_MIN_PRIORITY;            ///< 1.

// ---- characters ----------------------------------------------------------------------------
MOX_API extern const char MOX_BLOCK_START;        ///< '{' opens an archive block.
MOX_API extern const char MOX_BLOCK_END;          ///< '}' closes an archive block.
MOX_API extern const char MOX_PATH_SEPERATOR;     ///< '\\' separates path components.
MOX_API extern const char MOX_USERNAME_DELIMITER; ///< '$' encloses a marked user name.
MOX_API extern const char MOX_COMMA;              ///< ','.
MOX_API extern const char MOX_SPACE;              ///< ' '.
MOX_API extern const char MOX_PLUS;               ///< '+'.
MOX_API extern const char MOX_MINUS;              ///< '-'.
MOX_API extern const char MOX_POINT;              ///< '.'.
MOX_API extern const char MOX_NEWLINE;            ///< '\n'.

// ---- limits and numbers --------------------------------------------------------------------
MOX_API extern const unsigned char MOX_BYTE_MIN;  ///< 0, default lower limit of a byte cell.
MOX_API extern const unsigned char MOX_BYTE_MAX;  ///< 255, default upper limit of a byte cell.
MOX_API extern const __int64 MOX_LONGLONG_MAX;    ///< 9223372036854775807.
MOX_API extern const __int64 MOX_LONGLONG_MIN;    ///< -9223372036854775807 (the negated maximum).
MOX_API extern const int MOX_NULLID;              ///< 0, the null resource identifier.
MOX_API extern const int MOX_VERSION;             ///< 1, the interface version.
MOX_API extern const int MOX_COMBO_EDIT_X_OFFSET; ///< 5.
MOX_API extern const int MOX_COMBO_EDIT_Y_OFFSET; ///< 5.
MOX_API extern const long MOX_NO_TRACE;           ///< 0. Trace levels are for client code.
MOX_API extern const long MOX_LOW_TRACE;          ///< 1.
MOX_API extern const long MOX_MID_TRACE;          ///< 2.
MOX_API extern const long MOX_HIGH_TRACE;         ///< 3.

// ---- fixed strings -------------------------------------------------------------------------
MOX_API extern const char* const MOX_NO_NAME;      ///< "NoName", name of an unnamed cell.
MOX_API extern const char* const MOX_NO_USER_NAME; ///< "$$", marked form of no user name.
MOX_API extern const char* const MOX_PARENT_PATH;  ///< "..", the parent path component.
MOX_API extern const char* const MOX_POINTER;      ///< "*", marks an element saved by reference.
MOX_API extern const char* const MOX_USER_NAME;    ///< "UserName", a composite's user-name child.
MOX_API extern const char* const MOX_USER_COMMENT; ///< "UserComment", reserved child name.

/// The library's empty string, returned where there is no string to give.
MOX_API extern const std::string NULLSTR;

// ---- enumerations --------------------------------------------------------------------------
/// Result of every Value(x) setter.
enum MoxSetValue : int {
    MOX_VALUE_SET = 0,          ///< Stored unchanged; the cell changed.
    MOX_VALUE_SAME = 1,         ///< Already held; nothing happened.
    MOX_VALUE_ADJUSTED = 2,     ///< Limited or quantized, then stored; the cell changed.
    MOX_VALUE_ADJUSTED_SAME = 3 ///< Limited or quantized to the value held; nothing happened.
};

/// Why a cell changed.
enum MoxChangeReason : int {
    MOX_NO_CHANGE = 0,       ///< Not in the changed list.
    MOX_VALUE_CHANGED = 1,   ///< The value changed (or several changes were merged).
    MOX_RANGE_CHANGED = 2,   ///< A limit or the increment size changed.
    MOX_CHILD_CHANGED = 3,   ///< A child changed.
    MOX_DEFAULT_CHANGED = 4, ///< The current value became the default.
    MOX_CHILD_ADDED = 5,     ///< A child was added.
    MOX_CHILD_REMOVED = 6    ///< A child was removed.
};

/// What a notify list's Notify delivers.
enum MoxNotifyPolicy : int {
    MOX_NOTIFY_NONE = 0,      ///< Nothing (suppressed).
    MOX_NOTIFY_IMMEDIATE = 1, ///< Entries at or above the cutoff priority.
    MOX_NOTIFY_ALL = 2        ///< Immediate entries, then all the rest.
};

/// Notify policy of a collection cell (names are also archive keywords).
enum MoxCollNotifyPolicy : int {
    ADDDEL_COLLNOTIFY = 0, ///< Dependents hear of additions, removals and own changes only.
    ALL_COLLNOTIFY = 1     ///< Dependents also hear of child changes.
};

/// Increment policy of a 64-bit cell (names are also archive keywords).
enum MoxIncrementPolicy : int {
    MOX_FIXED_INCR = 0, ///< Fixed increment size.
    MOX_125_INCR = 1,   ///< 1-2-5 steps per decade.
    MOX_124_INCR = 2    ///< 1-2-4 steps per decade.
};

/// How an archive is opened.
enum MoxArchiveMode : int {
    MOX_ARCHIVE_READ = 1, ///< Reading.
    MOX_ARCHIVE_WRITE = 2 ///< Writing.
};

/// Codes recorded by the archive: by the reader while restoring, and (11, 12) by the writer.
enum MoxRestoreError : int {
    MOX_RESTORE_OK = 0,             ///< No error.
    MOX_RESTORE_BAD_FORMAT = 1,     ///< A block missing or not closed.
    MOX_RESTORE_UNEXPECTED_END = 2, ///< An end came too early.
    MOX_RESTORE_DECLINED = 4,       ///< The user chose not to go on.
    MOX_BAD_NOTIFY_PARENT = 7,      ///< Unknown notify-parent keyword.
    MOX_BAD_COLLNOTIFY = 8,         ///< Unknown collection-notify keyword.
    MOX_BAD_MAKE_PARENT = 9,        ///< Unknown make-parent keyword.
    MOX_BAD_INCR_POLICY = 10,       ///< Unknown increment-policy keyword.
    MOX_ARCHIVE_WRITE_FAILED = 11,  ///< Saving failed (file not made, written or replaced).
    MOX_ARCHIVE_TOKEN_TOO_LONG = 12 ///< A name or value too long to read back was refused.
};

/// Builds a path: "\" + c1, then "\" + each of c2..c5 until the first empty one. Returns `out`.
MOX_API std::string& MoxMakePath(std::string& out, const char* c1, const char* c2 = NULLSTR.c_str(),
                                 const char* c3 = NULLSTR.c_str(), const char* c4 = NULLSTR.c_str(),
                                 const char* c5 = NULLSTR.c_str());
