// CmoxFindSpec: the two kinds of search query.
#include <mox/archive/CmoxFindSpec.h>

namespace {

std::string Text(const char* s) {
    return s != nullptr ? std::string(s) : std::string();
}

} // namespace

CmoxFindSpec::CmoxFindSpec(const char* path, const char* match, int byUserName)
    : m_path(Text(path)), m_match(Text(match)), m_byUserName(byUserName), m_fullPath(0),
      m_findFirst(1) {}

CmoxFindSpec::CmoxFindSpec(const char* path, int byUserName, int fullPath)
    : m_path(Text(path)), m_byUserName(byUserName), m_fullPath(fullPath), m_findFirst(0) {}

CmoxFindSpec::~CmoxFindSpec() = default;
