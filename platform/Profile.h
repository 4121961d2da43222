// The INI-file functions both programs keep their settings with, after the
// Windows private-profile functions. Files are CP936 bytes with CR LF line
// ends; section and key names match with ASCII letters folded; a read trims
// blanks around a value and removes one pair of enclosing double quotes; a
// missing file, section or key gives the default. A write replaces a value in
// place and keeps every other line, comment and its order; new sections and
// keys go at the end. Every call opens and closes the file itself.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// The value of key in section, or defaultValue when the file, the section or
// the key is missing. The result goes through a buffer of bufferSize bytes,
// so at most bufferSize - 1 bytes arrive, as the Windows function copies them.
std::string ReadIniValue(std::string_view iniPath, std::string_view section, std::string_view key,
                         std::string_view defaultValue, std::size_t bufferSize);

// The value read as a decimal integer: leading blanks skipped, an optional
// sign, digits; a value with no leading digits reads as 0, one beyond the
// 32-bit range as its nearest end. defaultValue when the key is missing or
// its value is empty.
int ReadIniInteger(std::string_view iniPath, std::string_view section, std::string_view key, int defaultValue);

// The names of all sections in file order, and the entries of a section (each
// "key=value", or the bare line for a line with no "="), in the buffer form
// of the Windows functions: each text ended by NUL, the list by one more NUL.
// Cut to bufferSize bytes, still ended by two NULs. "" for a missing file or
// section, or a buffer of fewer than 2 bytes.
std::string ListIniSections(std::string_view iniPath, std::size_t bufferSize);
std::string ListIniSection(std::string_view iniPath, std::string_view section, std::size_t bufferSize);

// Writes value (as given, blanks kept) as the key's value, creating the file,
// the section and the key as needed. False when the file cannot be read or
// written (a read-only file, a missing folder, a directory), or when a line
// end in the section, key or value (or "]" in the section, "=" in the key)
// would turn it into other lines; then nothing on disk has changed.
bool WriteIniValue(std::string_view iniPath, std::string_view section, std::string_view key, std::string_view value);

// Removes the key, or the section with all its lines; true also when there
// was nothing to remove.
bool DeleteIniKey(std::string_view iniPath, std::string_view section, std::string_view key);
bool DeleteIniSection(std::string_view iniPath, std::string_view section);

}  // namespace platform
