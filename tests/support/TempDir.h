// A fresh folder per test, removed afterwards, and small file helpers.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  // Path of a name inside the folder ("a/b.txt").
  std::string operator/(std::string_view name) const;
  // Writes bytes to a file inside the folder, creating its parent folders.
  std::string Write(std::string_view name, std::string_view bytes) const;
  std::string MakeDir(std::string_view name) const;

 private:
  std::string path_;
};

// The lines, each ended by CR LF, as the report and the INI files hold them.
std::string CrLfLines(std::initializer_list<std::string> lines);

// Whole content of a file, or "<missing>" when it cannot be read.
std::string ReadFileBytes(const std::string& nativePath);
bool FileIsThere(const std::string& nativePath);

// Sets an environment variable for the life of the object.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::string& value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  const char* name_;
  std::string old_;
  bool hadOld_ = false;
};

// Points XDG_DATA_HOME at a folder for the life of the object, so that drive
// paths ("c:\...") land inside a test folder.
class ScopedDriveRoot : public ScopedEnvironment {
 public:
  explicit ScopedDriveRoot(const std::string& folder) : ScopedEnvironment("XDG_DATA_HOME", folder) {}
};

// Makes a file or folder unwritable for the life of the object, also for root
// (through the immutable flag). Active() is false where that cannot be done.
class ScopedReadOnly {
 public:
  explicit ScopedReadOnly(std::string path) : path_(std::move(path)), active_(Set(true)) {}
  ~ScopedReadOnly() { Set(false); }
  ScopedReadOnly(const ScopedReadOnly&) = delete;
  ScopedReadOnly& operator=(const ScopedReadOnly&) = delete;
  bool Active() const { return active_; }

 private:
  bool Set(bool on);
  std::string path_;
  bool active_;
};
