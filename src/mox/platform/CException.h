#pragma once
/// @file
/// The framework's exception classes and the functions that throw them.

#include <mox/platform/types.h>

#include <exception>

/// Base of every exception the library throws (by value).
class MOX_API CException : public std::exception {
  public:
    /// A short description of the error.
    const char* what() const noexcept override;
};

/// A bad argument or index: thrown when the calling thread's engine cannot be obtained,
/// for a bad array index and for an unpaired EndSubTransaction.
class MOX_API CInvalidArgException : public CException {
  public:
    /// A short description of the error.
    const char* what() const noexcept override;
};

/// An operation cancelled after the user was told why.
class MOX_API CUserException : public CException {
  public:
    /// A short description of the error.
    const char* what() const noexcept override;
};

/// A resource (string, lock) could not be obtained.
class MOX_API CResourceException : public CException {
  public:
    /// A short description of the error.
    const char* what() const noexcept override;
};

/// Memory could not be obtained.
class MOX_API CMemoryException : public CException {
  public:
    /// A short description of the error.
    const char* what() const noexcept override;
};

/// Throws CInvalidArgException.
[[noreturn]] MOX_API void AfxThrowInvalidArgException();
/// Throws CUserException.
[[noreturn]] MOX_API void AfxThrowUserException();
/// Throws CResourceException.
[[noreturn]] MOX_API void AfxThrowResourceException();
/// Throws CMemoryException.
[[noreturn]] MOX_API void AfxThrowMemoryException();
