// File tests and file operations on path texts (CP936).
#pragma once

#include <string>
#include <string_view>

namespace platform {

// True when a file or directory of that name exists (GetFileAttributesA).
bool PathExists(std::string_view ansiPath);
// True when the path names an existing directory.
bool IsDirectory(std::string_view ansiPath);
// Deletes a file; false when it could not be deleted.
bool RemoveFile(std::string_view ansiPath);
// Opens a file for writing, created or truncated to length 0 (mode 0644
// before the umask). Returns the descriptor, or -1.
int OpenForWrite(std::string_view ansiPath);
// Writes all bytes, retrying after interruptions and short writes.
bool WriteAll(int fd, const char* data, std::size_t size);

// The full path of the running executable, as a CP936 text.
std::string ModuleFilePath();

}  // namespace platform
