#pragma once
/// @file
/// The application's string resources: a table of texts by identifier that the application
/// fills and the link cells read.

#include <mox/platform/types.h>

#include <string>

/// Adds or replaces the text of resource `id`.
MOX_API void MoxSetStringResource(int id, const char* text);
/// Empties the table.
MOX_API void MoxClearStringResources();
/// Loads resource `id` into `out`; returns 0 (and leaves `out` alone) when there is none.
MOX_API int AfxLoadString(int id, std::string& out);
