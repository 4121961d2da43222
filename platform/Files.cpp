#include "platform/Files.h"

#include <cerrno>
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
