// Textifier DOCUMENT>OUTPUT
//
// Writes the text of a Word 97–2003 document into OUTPUT as CP936 lines
// ending in CR LF. The finder starts it with one argument text that is split
// at blanks, so the words are joined again and split at the last ">": a path
// with blanks arrives whole. A file that is no compound document (a text or
// web page saved as ".doc") is copied through unchanged.
//
// Exit status: 0 converted; 1 the document could not be converted (wholly),
// the output then holds what could be read; 2 usage; 3 the input could not be
// read or the output not written.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <glib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/NativePath.h"
#include "textifier/WordText.h"

namespace {

constexpr int kNotConverted = 1, kUsage = 2, kFileError = 3;

// Messages go out in UTF-8 on one line, paths as the caller wrote them.
int Fail(int status, const std::string& path, const std::string& what) {
  std::fprintf(stderr, "Textifier: %s: %s\n", path.c_str(), what.c_str());
  return status;
}

// Opens a regular file for reading. A FIFO must not block the open, and a
// device or a directory is no document.
int OpenDocument(const std::string& native, struct stat& st) {
  const int fd = open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    close(fd);
    errno = error;
    return -1;
  }
  fcntl(fd, F_SETFL, 0);
  return fd;
}

// Reads up to size bytes (fewer at the end of the file); false on an error.
bool ReadUpTo(int fd, char* data, std::size_t size, std::size_t& got) {
  got = 0;
  while (got < size) {
    const ssize_t n = read(fd, data + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

// The whole file; it may have changed size since fstat, so read to its end.
bool ReadAll(int fd, std::size_t sizeHint, std::string& out) {
  out.resize(sizeHint + 1);
  std::size_t used = 0;
  for (;;) {
    std::size_t got = 0;
    if (!ReadUpTo(fd, out.data() + used, out.size() - used, got)) return false;
    used += got;
    if (used < out.size()) break;
    out.resize(out.size() * 2);
  }
  out.resize(used);
  return true;
}

bool CopyThrough(int in, int out) {
  char buffer[1 << 16];
  for (;;) {
    std::size_t got = 0;
    if (!ReadUpTo(in, buffer, sizeof buffer, got)) return false;
    if (got == 0) return true;
    if (!platform::WriteAll(out, buffer, got)) return false;
  }
}

// libgsf reports damaged files through GLib warnings as well; the one line
// this program prints says enough.
void Quiet(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

}  // namespace

int main(int argc, char** argv) {
  g_log_set_default_handler(Quiet, nullptr);
  std::string words;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) words += ' ';
    words += argv[i];
  }
  const std::size_t arrow = words.rfind('>');
  if (arrow == std::string::npos || arrow == 0 || arrow + 1 == words.size()) {
    std::fputs("usage: Textifier DOCUMENT>OUTPUT\n", stderr);
    return kUsage;
  }
  const std::string inputText = words.substr(0, arrow), outputText = words.substr(arrow + 1);
  const std::string inputNative = platform::ToNative(platform::Utf8ToAnsiOrRaw(inputText));
  const std::string outputAnsi = platform::Utf8ToAnsiOrRaw(outputText);

  struct stat inputStat {};
  const int in = OpenDocument(inputNative, inputStat);
  const int inError = errno;
  struct stat outputStat {};
  if (in >= 0 && stat(platform::ToNative(outputAnsi).c_str(), &outputStat) == 0 &&
      outputStat.st_dev == inputStat.st_dev && outputStat.st_ino == inputStat.st_ino)
    return Fail(kFileError, outputText, "is the document itself");
  // The output is replaced even when the input cannot be read, so that the
  // finder never scans the text of an earlier document in its place.
  const int out = platform::OpenForWrite(outputAnsi);
  if (out < 0) return Fail(kFileError, outputText, std::string("cannot be written: ") + std::strerror(errno));
  if (in < 0) return Fail(kFileError, inputText, inError == EINVAL ? "not a regular file" : std::strerror(inError));

  char head[8];
  std::size_t headSize = 0;
  if (!ReadUpTo(in, head, sizeof head, headSize) || lseek(in, 0, SEEK_SET) != 0)
    return Fail(kFileError, inputText, std::strerror(errno));
  if (!textifier::IsCompoundFile(std::string_view(head, headSize))) {
    if (!CopyThrough(in, out)) return Fail(kFileError, inputText, std::string("copy failed: ") + std::strerror(errno));
    return close(out) == 0 ? 0 : Fail(kFileError, outputText, std::strerror(errno));
  }

  std::string document;
  if (!ReadAll(in, static_cast<std::size_t>(inputStat.st_size), document))
    return Fail(kFileError, inputText, std::strerror(errno));
  close(in);
  std::string text, problem;
  const textifier::WordResult result = textifier::ReadWordText(document, text, problem);
  if (!platform::WriteAll(out, text.data(), text.size()) || close(out) != 0)
    return Fail(kFileError, outputText, std::string("cannot be written: ") + std::strerror(errno));
  return result == textifier::WordResult::Converted ? 0 : Fail(kNotConverted, inputText, problem);
}
