#include <mox/propagation/Cmox.h>

std::string& Cmox::MakeUserName(std::string& out, const char* userName) {
    out.assign(1, MOX_USERNAME_DELIMITER);
    if (userName != nullptr) out += userName;
    out += MOX_USERNAME_DELIMITER;
    return out;
}

std::string& Cmox::ExtractUserName(std::string& out, const std::string& markedName) {
    // Shorter than the two delimiters: there is no user name inside.
    if (markedName.size() < 2)
        out.clear();
    else
        out.assign(markedName, 1, markedName.size() - 2);
    return out;
}

std::string& Cmox::ExtractName(std::string& out, const std::string& path) {
    const std::size_t sep = path.rfind(MOX_PATH_SEPERATOR);
    if (sep == std::string::npos)
        out = path;
    else
        out.assign(path, sep + 1, std::string::npos);
    return out;
}

int Cmox::IsUserName(const std::string& s) {
    return !s.empty() && s[0] == MOX_USERNAME_DELIMITER ? 1 : 0;
}

void Cmox::DumpAll(CmoxCell*, CDumpContext&) {}
void Cmox::DumpChangedList() {}
void Cmox::DumpContents(CmoxCell*, CDumpContext&) {}
void Cmox::DumpDependees(CmoxCell*, CDumpContext&) {}
void Cmox::DumpDependents(CmoxCell*, CDumpContext&) {}
void Cmox::DumpHierarchy(CmoxCell*, CDumpContext&) {}
void Cmox::DumpNotifyList() {}
