#pragma once
/// @file
/// Which thread is the application's main thread.

#include <mox/platform/types.h>

#include <thread>

/// True on the application's main thread: by default the thread that loaded the library.
MOX_API bool MoxIsMainThread();
/// Declares `id` the main thread (for applications that load the library from another thread).
/// Call it before other threads use the library.
MOX_API void MoxSetMainThread(std::thread::id id);
