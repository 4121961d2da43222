#include "platform/Files.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
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
  // Only files and links go: a report path such as /dev/null must never take
  // a device node with it, and unlink never removes a directory anyway.
  const std::string native = ToNative(ansiPath);
  struct stat st;
  if (lstat(native.c_str(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))) return false;
  return unlink(native.c_str()) == 0;
}

int OpenForWrite(std::string_view ansiPath) {
  // O_NONBLOCK keeps an existing FIFO of that name from blocking the open;
  // a regular file or a character device (/dev/null, a terminal) is accepted.
  const int fd = open(ToNativeForWrite(ansiPath).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0644);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISCHR(st.st_mode))) {
    close(fd);
    errno = EINVAL;
    return -1;
  }
  fcntl(fd, F_SETFL, 0);
  return fd;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) return false;  // no progress possible
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

int ReadWholeFile(std::string_view ansiPath, std::string& content) {
  content.clear();
  const int fd = open(ToNative(ansiPath).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno;
  struct stat st;
  int error = 0;
  if (fstat(fd, &st) != 0) {
    error = errno;
  } else if (!S_ISREG(st.st_mode)) {
    error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  } else {
    content.reserve(static_cast<std::size_t>(st.st_size));
    char chunk[65536];
    for (;;) {
      const ssize_t got = read(fd, chunk, sizeof chunk);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) error = errno;
      if (got <= 0) break;
      content.append(chunk, static_cast<std::size_t>(got));
    }
  }
  close(fd);
  if (error != 0) content.clear();
  return error;
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
