#include <mox/values/MoxEngUnits.h>

#include <mox/propagation/Cmox.h>

int MoxIsEngUnit(char c) {
    return Cmox::IsEngUnit(c);
}

__int64 MoxEngValue(__int64 v, char c) {
    return Cmox::EngValue(v, c);
}
