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

// Where a program keeps a file that it writes beside itself ("Glyphwell.ini",
// "Tallyview.ini", "~report.xls"): in the module directory when the program
// runs from its build folder or a copy the user unpacked and may write;
// for an installed program, writable prefix or not, and wherever the user
// may not write, in the user's own folder for its kind (see
// platform::UserFolder), created with mode 0700 when missing. A CP936 path
// text.
enum class UserFileKind { Settings, Data };
std::string WritableFilePath(std::string_view fileName, UserFileKind kind);
// True when the programs in moduleDirectory were installed ("cmake --install"
// leaves a mark for them in the prefix's data folder).
bool IsInstalledProgramFolder(std::string_view moduleDirectory);
// The same for a given program folder (tests).
std::string WritableFilePath(std::string_view moduleDirectory, std::string_view fileName, UserFileKind kind);

// Where a program finds the files shipped with it: the helpers that only the
// programs start (Textifier, editor-at-line) and the manual. Beside the
// program in its build folder or a copy of it; for an installed program the
// helpers lie in the prefix's lib/glyphwell and the manual in its
// share/glyphwell, as the install puts them. A CP936 path text without a
// trailing separator.
enum class ShippedFileKind { Helper, Manual };
std::string ShippedFileFolder(ShippedFileKind kind);
std::string ShippedFileFolder(std::string_view moduleDirectory, ShippedFileKind kind);
