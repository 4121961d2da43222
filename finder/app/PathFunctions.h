// The finder's path functions, shared by the engine, the settings and the export.
#pragma once

#include <string>
#include <string_view>

// Folder of the running executable, without a trailing separator.
std::string GetModuleDirectory();
// True when a directory search for exactly this path finds an entry; a
// directory counts, and wildcard characters are honoured.
bool FileExists(std::string_view path);
// True when any file or directory of that name exists; one trailing
// separator is ignored.
bool DirectoryExists(std::string_view path);
