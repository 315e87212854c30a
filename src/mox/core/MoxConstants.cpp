#include <mox/core/MoxConstants.h>

const unsigned char MOX_STATE_PRIORITY = 150;
const unsigned char MOX_USE_DEFAULT_STATE_PRIORITY = 150;
const unsigned char MOX_CUTOFF_PRIORITY = 100;
const unsigned char MOX_UI_PRIORITY = 50;
const unsigned char MOX_USE_DEFAULT_UI_PRIORITY = 50;
const unsigned char MOX_MAX_PRIORITY = 200;
const unsigned char MOX_MIN_PRIORITY = 1;

const char MOX_BLOCK_START = '{';
const char MOX_BLOCK_END = '}';
const char MOX_PATH_SEPERATOR = '\\';
const char MOX_USERNAME_DELIMITER = '$';
const char MOX_COMMA = ',';
const char MOX_SPACE = ' ';
const char MOX_PLUS = '+';
const char MOX_MINUS = '-';
const char MOX_POINT = '.';
const char MOX_NEWLINE = '\n';

const unsigned char MOX_BYTE_MIN = 0;
const unsigned char MOX_BYTE_MAX = 255;
const __int64 MOX_LONGLONG_MAX = 9223372036854775807LL;
const __int64 MOX_LONGLONG_MIN = -9223372036854775807LL;
const int MOX_NULLID = 0;
const int MOX_VERSION = 1;
const int MOX_COMBO_EDIT_X_OFFSET = 5;
const int MOX_COMBO_EDIT_Y_OFFSET = 5;
const long MOX_NO_TRACE = 0;
const long MOX_LOW_TRACE = 1;
const long MOX_MID_TRACE = 2;
const long MOX_HIGH_TRACE = 3;

const char* const MOX_NO_NAME = "NoName";
const char* const MOX_NO_USER_NAME = "$$";
const char* const MOX_PARENT_PATH = "..";
const char* const MOX_POINTER = "*";
const char* const MOX_USER_NAME = "UserName";
const char* const MOX_USER_COMMENT = "UserComment";

const std::string NULLSTR;

std::string& MoxMakePath(std::string& out, const char* c1, const char* c2, const char* c3,
                         const char* c4, const char* c5) {
    // A null component is treated like an empty one: it ends the path.
    out.assign(1, MOX_PATH_SEPERATOR);
    if (c1 != nullptr) out += c1;
    for (const char* component : {c2, c3, c4, c5}) {
        if (component == nullptr || *component == '\0') break;
        out += MOX_PATH_SEPERATOR;
        out += component;
    }
    return out;
}
