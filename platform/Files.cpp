#include "platform/Files.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/CodePage.h"
#include "platform/NativePath.h"

namespace platform {

bool PathExists(std::string_view ansiPath) {
  struct stat st;
  return stat(ToNative(ansiPath).c_str(), &st) == 0;
}

bool IsDirectory(std::string_view ansiPath) {
  struct stat st;
  return stat(ToNative(ansiPath).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsWritableFolder(std::string_view ansiPath) {
  const std::string native = ToNative(ansiPath);
  struct stat st;
  return stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && access(native.c_str(), W_OK | X_OK) == 0;
}

bool RemoveFile(std::string_view ansiPath) {
  // Only regular files go: a report path such as /dev/null or /dev/stdout
  // must never take a device node or the link to one with it.
  const std::string native = ToNative(ansiPath);
  struct stat st;
  if (lstat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  // The file is deleted under a lock of its own, so that a writer cannot
  // take it between the test and the deletion and then write into a file
  // that is gone. One that cannot be opened to be locked (no read access)
  // is deleted all the same.
  const int fd = open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  const bool removed = unlink(native.c_str()) == 0;
  if (fd >= 0) close(fd);
  return removed;
}

bool RealPath(std::string_view ansiPath, std::string& native) {
  char* resolved = realpath(ToNative(ansiPath).c_str(), nullptr);
  if (!resolved) return false;
  native = resolved;
  free(resolved);
  return true;
}

std::string CreateTemporaryBeside(const std::string& nativeTarget) {
  std::string name = nativeTarget + ".XXXXXX";
  const int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return {};
  // It takes the place of the target, so it gets the target's permissions,
  // or those of a new file.
  struct stat st;
  fchmod(fd, stat(nativeTarget.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_mode & 07777 : 0644);
  close(fd);
  return name;
}

bool RenameNativeFile(const std::string& from, const std::string& to) { return rename(from.c_str(), to.c_str()) == 0; }

bool RemoveNativeFile(const std::string& nativePath) { return unlink(nativePath.c_str()) == 0; }

int OpenAnyDepth(const std::string& nativePath, int flags) {
  int fd = open(nativePath.c_str(), flags);
  if (fd >= 0 || errno != ENAMETOOLONG) return fd;
  std::size_t start = 0;
  int folder = AT_FDCWD;
  if (nativePath.front() == '/') {
    folder = open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) return -1;
    start = 1;
  }
  // Names are at most NAME_MAX bytes, so a piece can always end at a "/".
  while (nativePath.size() - start >= PATH_MAX) {
    const std::size_t cut = nativePath.rfind('/', start + PATH_MAX - 2);
    int next = -1;
    if (cut != std::string::npos && cut > start)
      next = openat(folder, nativePath.substr(start, cut - start).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    else
      errno = ENAMETOOLONG;
    const int error = errno;
    if (folder != AT_FDCWD) close(folder);
    if (next < 0) {
      errno = error;
      return -1;
    }
    folder = next;
    start = cut + 1;
  }
  fd = openat(folder, nativePath.c_str() + start, flags);
  const int error = errno;
  if (folder != AT_FDCWD) close(folder);
  errno = error;
  return fd;
}

int OpenRegularFile(const std::string& nativePath) {
  FileIdentity identity;
  return OpenRegularFile(nativePath, identity);
}

int OpenRegularFile(const std::string& nativePath, FileIdentity& identity) {
  // O_NONBLOCK so that opening a FIFO cannot wait for a writer; it is
  // refused right after.
  const int fd = OpenAnyDepth(nativePath, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st;
  const bool known = fstat(fd, &st) == 0;
  if (!known || !S_ISREG(st.st_mode)) {
    const int error = known && S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    close(fd);
    errno = error;
    return -1;
  }
  identity.device = static_cast<std::uint64_t>(st.st_dev);
  identity.inode = static_cast<std::uint64_t>(st.st_ino);
  // Some network and FUSE file systems honour O_NONBLOCK even on regular files.
  fcntl(fd, F_SETFL, 0);
  return fd;
}

bool IsLockedByWriter(int fd) {
  // A shared lock is refused only while another open file holds the
  // exclusive one; it is given back at once.
  if (flock(fd, LOCK_SH | LOCK_NB) != 0) return errno == EWOULDBLOCK;
  flock(fd, LOCK_UN);
  return false;
}

int ReadWholeFile(std::string_view ansiPath, std::string& content) { return ReadWholeNativeFile(ToNative(ansiPath), content); }

int ReadWholeNativeFile(const std::string& nativePath, std::string& content) {
  content.clear();
  InputFile file;
  if (file.Open(nativePath) && file.ReadRest(content)) return 0;
  content.clear();
  return file.Error();
}

namespace {

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) {
      errno = EIO;  // no progress possible
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool IdentityOf(int fd, FileIdentity& identity) {
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0) return false;
  identity.device = static_cast<std::uint64_t>(st.st_dev);
  identity.inode = static_cast<std::uint64_t>(st.st_ino);
  return true;
}

}  // namespace

bool InputFile::Open(const std::string& nativePath) {
  Close();
  fd_ = OpenRegularFile(nativePath);
  error_ = fd_ < 0 ? errno : 0;
  return fd_ >= 0;
}

bool InputFile::Read(char* data, std::size_t size, std::size_t& got) {
  got = 0;
  while (got < size) {
    const ssize_t n = read(fd_, data + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error_ = errno;
      return false;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

bool InputFile::ReadRest(std::string& content) {
  content.clear();
  struct stat st;
  // The size is a hint only: the file may grow or shrink while it is read.
  if (fstat(fd_, &st) == 0 && st.st_size > 0) content.reserve(static_cast<std::size_t>(st.st_size) + 1);
  char chunk[65536];
  for (;;) {
    std::size_t got = 0;
    if (!Read(chunk, sizeof chunk, got)) return false;
    content.append(chunk, got);
    if (got < sizeof chunk) return true;
  }
}

bool InputFile::Rewind() {
  if (lseek(fd_, 0, SEEK_SET) == 0) return true;
  error_ = errno;
  return false;
}

void InputFile::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool InputFile::Identity(FileIdentity& identity) const { return IdentityOf(fd_, identity); }

OutputFile::~OutputFile() {
  if (fd_ >= 0) close(fd_);
}

bool OutputFile::Create(std::string_view ansiPath) { return OpenForWriting(ansiPath, false); }

bool OutputFile::CreateLocked(std::string_view ansiPath) { return OpenForWriting(ansiPath, true); }

bool OutputFile::OpenForWriting(std::string_view ansiPath, bool locked) {
  Close();
  // O_NONBLOCK keeps an existing FIFO of that name from blocking the open.
  // A locked file is truncated only once the lock is ours, so that a search
  // never empties the report another search is writing.
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | (locked ? 0 : O_TRUNC);
  const int fd = open(ToNativeForWrite(ansiPath).c_str(), flags, 0644);
  if (fd < 0) {
    error_ = errno;
    return false;
  }
  struct stat st;
  int error = 0;
  if (fstat(fd, &st) != 0)
    error = errno;
  else if (!(S_ISREG(st.st_mode) || S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)))
    error = EINVAL;
  else if (locked && flock(fd, LOCK_EX | LOCK_NB) != 0)
    error = errno;
  else if (locked && S_ISREG(st.st_mode) && ftruncate(fd, 0) != 0)
    error = errno;
  if (error != 0) {
    close(fd);
    error_ = error;
    return false;
  }
  fcntl(fd, F_SETFL, 0);
  fd_ = fd;
  error_ = 0;
  return true;
}

bool OutputFile::Write(const char* data, std::size_t size) {
  if (fd_ < 0) {
    error_ = EBADF;
    return false;
  }
  if (WriteAll(fd_, data, size)) return true;
  error_ = errno;
  return false;
}

bool OutputFile::Close() {
  if (fd_ < 0) return true;
  const int fd = fd_;
  fd_ = -1;
  // Closing gives the lock back too. EINTR still closes the file on Linux.
  if (close(fd) == 0 || errno == EINTR) return true;
  error_ = errno;
  return false;
}

bool OutputFile::Identity(FileIdentity& identity) const { return IdentityOf(fd_, identity); }

bool FileLock::Acquire(std::string_view ansiPath, const std::function<bool()>& stop) {
  Release();
  const int fd = open(ToNativeForWrite(ansiPath).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd < 0) return false;
  for (;;) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
      fd_ = fd;
      return true;
    }
    if (errno != EWOULDBLOCK || (stop && stop())) break;
    usleep(20'000);  // another search converts a document; it takes a moment
  }
  close(fd);
  return false;
}

void FileLock::Release() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

SilencedStandardError::SilencedStandardError() {
  std::fflush(stderr);
  const int nothing = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (nothing < 0) return;
  saved_ = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
  if (saved_ >= 0) dup2(nothing, STDERR_FILENO);
  close(nothing);
}

SilencedStandardError::~SilencedStandardError() {
  if (saved_ < 0) return;
  std::fflush(stderr);
  dup2(saved_, STDERR_FILENO);
  close(saved_);
}

namespace {

bool WriteAndClose(int fd, std::string_view content) {
  const bool written = WriteAll(fd, content.data(), content.size());
  return close(fd) == 0 && written;
}

}  // namespace

bool ReplaceFileContent(std::string_view ansiPath, std::string_view content) {
  const std::string native = ToNativeForWrite(ansiPath);
  struct stat st;
  if (stat(native.c_str(), &st) != 0) {
    if (errno != ENOENT) return false;
    const int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    if (WriteAndClose(fd, content)) return true;
    unlink(native.c_str());
    return false;
  }
  if (!S_ISREG(st.st_mode)) return false;
  // Opening for writing is the test a read-only file fails.
  const int inPlace = open(native.c_str(), O_WRONLY | O_CLOEXEC);
  if (inPlace < 0) return false;

  char* resolved = realpath(native.c_str(), nullptr);
  std::string target = resolved ? resolved : native;
  free(resolved);
  std::string temporary = target + ".XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd >= 0) {
    close(inPlace);
    // The new file stands in for the old one: same mode, and the same owner
    // where the user may give it (root editing another user's file).
    fchmod(fd, st.st_mode & 07777);
    if (fchown(fd, st.st_uid, st.st_gid) != 0) { /* not ours to give: the writer keeps it */ }
    if (WriteAndClose(fd, content) && rename(temporary.c_str(), target.c_str()) == 0) return true;
    unlink(temporary.c_str());
    return false;
  }
  // A writable file in a folder that takes no new files: overwrite in place.
  const bool written = WriteAll(inPlace, content.data(), content.size()) &&
                       ftruncate(inPlace, static_cast<off_t>(content.size())) == 0;
  return close(inPlace) == 0 && written;
}

std::string ModuleFilePath() {
  std::string target(256, '\0');
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", target.data(), target.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < target.size()) {
      target.resize(static_cast<std::size_t>(length));
      break;
    }
    target.resize(target.size() * 2);  // possibly cut short
  }
  return Utf8ToAnsiOrRaw(target);
}

}  // namespace platform
