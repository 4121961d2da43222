// File tests and file operations on path texts (CP936).
#pragma once

#include <string>
#include <string_view>

namespace platform {

// True when a file or directory of that name exists (GetFileAttributesA).
bool PathExists(std::string_view ansiPath);
// True when the path names an existing directory.
bool IsDirectory(std::string_view ansiPath);
// True when the user may create files in the folder (a read-only or
// immutable folder, or one on a read-only file system, is not).
bool IsWritableFolder(std::string_view ansiPath);
// Deletes a file; false when it could not be deleted.
bool RemoveFile(std::string_view ansiPath);
// Opens a file for writing, created or truncated to length 0 (mode 0644
// before the umask). Returns the descriptor, or -1.
int OpenForWrite(std::string_view ansiPath);
// Writes all bytes, retrying after interruptions and short writes.
bool WriteAll(int fd, const char* data, std::size_t size);

// Reads a whole regular file. Returns 0, or the errno value of the failure
// (EISDIR for a directory, EINVAL for another special file).
int ReadWholeFile(std::string_view ansiPath, std::string& content);
// Replaces a file's content, or creates the file (mode 0644 before the umask).
// An existing file keeps its mode and, through a symbolic link, its place; a
// file that cannot be written (read-only, or not a regular file) is refused.
// The new content goes to a temporary file beside it that is then renamed
// over it, so a failure midway leaves the old content whole.
bool ReplaceFileContent(std::string_view ansiPath, std::string_view content);

// The full path of the running executable, as a CP936 text.
std::string ModuleFilePath();

}  // namespace platform
