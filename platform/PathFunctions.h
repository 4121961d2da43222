// The finder's path functions: the program's own folder and the existence
// tests of the search's checks. Shared by the engine, the export and the
// front ends.
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
