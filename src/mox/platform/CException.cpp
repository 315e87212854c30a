#include <mox/platform/CException.h>

const char* CException::what() const noexcept {
    return "mox exception";
}
const char* CInvalidArgException::what() const noexcept {
    return "invalid argument";
}
const char* CUserException::what() const noexcept {
    return "operation cancelled";
}
const char* CResourceException::what() const noexcept {
    return "resource not available";
}
const char* CMemoryException::what() const noexcept {
    return "out of memory";
}

void AfxThrowInvalidArgException() {
    throw CInvalidArgException();
}
void AfxThrowUserException() {
    throw CUserException();
}
void AfxThrowResourceException() {
    throw CResourceException();
}
void AfxThrowMemoryException() {
    throw CMemoryException();
}
