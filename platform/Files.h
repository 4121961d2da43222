// File tests and file operations on path texts (CP936).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/FileSearch.h"

namespace platform {

// True when a file or directory of that name exists (GetFileAttributesA).
bool PathExists(std::string_view ansiPath);
// True when the path names an existing directory.
bool IsDirectory(std::string_view ansiPath);
// True when the user may create files in the folder (a read-only or
// immutable folder, or one on a read-only file system, is not).
bool IsWritableFolder(std::string_view ansiPath);
// Deletes a regular file, never a symbolic link (a report path such as
// /dev/stdout is a link the system needs), a device or a folder; false when
// it could not be deleted, also while a writer holds the file locked (the
// report of a search that runs: another program may not delete it then).
bool RemoveFile(std::string_view ansiPath);

// The native path of an existing file with every link resolved; false when
// there is no such file.
bool RealPath(std::string_view ansiPath, std::string& native);

// A new, empty file in the folder of nativeTarget with a name of its own and
// the target's permissions (0644 for a new target), for content that replaces
// the target once it is complete. Returns its native name, or "" when none can
// be made.
std::string CreateTemporaryBeside(const std::string& nativeTarget);
// Renames a native file over another in one step; false on failure.
bool RenameNativeFile(const std::string& from, const std::string& to);
bool RemoveNativeFile(const std::string& nativePath);
// open(2) for a native path of any length: a path longer than the system's
// limit is opened a piece at a time, each piece relative to the folder
// before it, so a file at any depth the file system allows can be read.
int OpenAnyDepth(const std::string& nativePath, int flags);

// Opens a regular file for reading. A directory (EISDIR) or any other
// special file (EINVAL) is refused, a FIFO without waiting for a writer.
// Returns the descriptor, or -1 with errno set. The one way the system opens
// a file to read.
int OpenRegularFile(const std::string& nativePath);
// The same, with the file's identity (from the test it passed: no second stat).
int OpenRegularFile(const std::string& nativePath, FileIdentity& identity);

// Reads a whole regular file. Returns 0, or the errno value of the failure
// (EISDIR for a directory, EINVAL for another special file).
int ReadWholeFile(std::string_view ansiPath, std::string& content);
int ReadWholeNativeFile(const std::string& nativePath, std::string& content);

// A regular file open for reading, closed with the object.
class InputFile {
 public:
  InputFile() = default;
  ~InputFile() { Close(); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // False with Error() set when OpenRegularFile refuses the file.
  bool Open(const std::string& nativePath);
  // Reads up to size bytes, fewer only at the end of the file; false on a
  // read error.
  bool Read(char* data, std::size_t size, std::size_t& got);
  // From the current position to the end.
  bool ReadRest(std::string& content);
  bool Rewind();
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  int Error() const { return error_; }
  bool Identity(FileIdentity& identity) const;

 private:
  int fd_ = -1;
  int error_ = 0;
};

// A file open for writing, closed with the object (a failure then goes
// unnoticed: call Close to learn of one).
class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the file or truncates it to length 0 (mode 0644 before the
  // umask). A regular file, a character device (/dev/null, a terminal) or a
  // pipe that has a reader (/dev/stdout piped on) is accepted; a FIFO with
  // no reader is refused without blocking, as is anything else.
  bool Create(std::string_view ansiPath);
  // As Create, for a file that no other program may use while it is written
  // (the result report): the file is locked exclusively (an advisory flock
  // that the system's readers and writers honour) before it is truncated, so
  // a file that another holds is refused (EWOULDBLOCK) and left untouched.
  // The lock lasts until Close.
  bool CreateLocked(std::string_view ansiPath);
  // Writes all bytes, retrying after interruptions and short writes.
  bool Write(const char* data, std::size_t size);
  bool Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
  // Closes the file; false when the close reports an error (a write that
  // failed late, on a network or full file system).
  bool Close();
  bool IsOpen() const { return fd_ >= 0; }
  int Error() const { return error_; }
  bool Identity(FileIdentity& identity) const;

 private:
  bool OpenForWriting(std::string_view ansiPath, bool locked);

  int fd_ = -1;
  int error_ = 0;
};

// An exclusive advisory lock on a file (created when missing), held until
// Release or the end of the object. A search holds one on the converter's
// output from the converter's start until the converted text is scanned, so
// that two searches never read each other's document text.
class FileLock {
 public:
  FileLock() = default;
  ~FileLock() { Release(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Waits until the lock is free, asking stop between tries; false when stop
  // said so or the file cannot be opened.
  bool Acquire(std::string_view ansiPath, const std::function<bool()>& stop);
  void Release();
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Sends what this process writes to standard error to /dev/null while the
// object lives: a library that prints its own errors must not speak where
// the caller has to stay silent or say it in its own words.
class SilencedStandardError {
 public:
  SilencedStandardError();
  ~SilencedStandardError();
  SilencedStandardError(const SilencedStandardError&) = delete;
  SilencedStandardError& operator=(const SilencedStandardError&) = delete;

 private:
  int saved_ = -1;
};

// True when the open file is held by a writer that locked it exclusively
// (see OutputFile::CreateLocked), in this process or another.
bool IsLockedByWriter(int fd);

// Replaces a file's content, or creates the file (mode 0644 before the umask).
// An existing file keeps its mode and, through a symbolic link, its place; a
// file that cannot be written (read-only, or not a regular file) is refused.
// The new content goes to a temporary file beside it that is then renamed
// over it, so a failure midway leaves the old content whole.
bool ReplaceFileContent(std::string_view ansiPath, std::string_view content);

// The full path of the running executable, as a CP936 text.
std::string ModuleFilePath();

}  // namespace platform
