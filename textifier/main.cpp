// Textifier DOCUMENT>OUTPUT
//
// Writes the text of a document into OUTPUT as CP936 lines ending in CR LF:
// a Word 97–2003 document's main text, or, for .docx/.docm, .xlsx/.xlsm,
// .pptx/.pptm, .odt, .ods, .odp and .pdf, each paragraph, cell, text frame or
// PDF text line, with its locator in OUTPUT.where (see
// platform/DocumentLocators.h). The finder starts it with one argument text
// that is split at blanks, so the words are joined again and split at the
// last ">": a path with blanks arrives whole. A .doc that is no compound
// document (a text or web page saved as ".doc") is copied through unchanged.
//
// Exit status: a platform::ConverterExit.
#include <glib.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include "platform/CodePage.h"
#include "platform/DocumentLocators.h"
#include "platform/FileSearch.h"
#include "platform/Files.h"
#include "platform/NativePath.h"
#include "textifier/DocumentReader.h"
#include "textifier/WordText.h"

namespace {

using platform::ConverterExit;

// What one conversion may take. Between pages and parts the readers stop at
// the time bound with what they have; a library that hangs inside one is
// ended by the alarm a little later.
constexpr int kSeconds = 120;
constexpr int kAlarmSeconds = kSeconds + 10;
constexpr rlim_t kMemoryBytes = rlim_t{2} << 30;

int Status(ConverterExit status) { return static_cast<int>(status); }

// Messages go out in UTF-8 on one line, paths as the caller wrote them.
int Fail(ConverterExit status, const std::string& path, const std::string& what) {
  std::fprintf(stderr, "Textifier: %s: %s\n", path.c_str(), what.c_str());
  return Status(status);
}

std::string Reason(int error) { return error == EINVAL ? "not a regular file" : std::strerror(error); }

bool CopyThrough(platform::InputFile& in, platform::OutputFile& out) {
  char buffer[1 << 16];
  for (;;) {
    std::size_t got = 0;
    if (!in.Read(buffer, sizeof buffer, got)) return false;
    if (got == 0) return true;
    if (!out.Write(buffer, got)) return false;
  }
}

// libgsf reports damaged files through GLib warnings as well; the one line
// this program prints says enough.
void Quiet(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

void OutOfTime(int) {
  static const char kMessage[] = "Textifier: the conversion took too long\n";
  [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  _exit(Status(ConverterExit::OutOfTime));
}

// The sanitizers reserve far more address space than any bound would allow.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kBoundMemory = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kBoundMemory = false;
#else
constexpr bool kBoundMemory = true;
#endif
#else
constexpr bool kBoundMemory = true;
#endif

void BoundTheConversion() {
  if (kBoundMemory) {
    const rlimit memory{kMemoryBytes, kMemoryBytes};
    setrlimit(RLIMIT_AS, &memory);
  }
  signal(SIGALRM, OutOfTime);
  alarm(kAlarmSeconds);
}

int ConvertWordDocument(platform::InputFile& in, platform::OutputFile& out, const std::string& inputText,
                        const std::string& outputText) {
  char head[8];
  std::size_t headSize = 0;
  if (!in.Read(head, sizeof head, headSize) || !in.Rewind())
    return Fail(ConverterExit::FileError, inputText, Reason(in.Error()));
  if (!textifier::IsCompoundFile(std::string_view(head, headSize))) {
    if (!CopyThrough(in, out)) {
      const bool readFailed = in.Error() != 0;
      return Fail(ConverterExit::FileError, readFailed ? inputText : outputText,
                  std::string("copy failed: ") + Reason(readFailed ? in.Error() : out.Error()));
    }
    return out.Close() ? 0 : Fail(ConverterExit::FileError, outputText, Reason(out.Error()));
  }
  std::string document;
  if (!in.ReadRest(document)) return Fail(ConverterExit::FileError, inputText, Reason(in.Error()));
  in.Close();
  std::string text, problem;
  const textifier::WordResult result = textifier::ReadWordText(document, text, problem);
  if (!out.Write(text) || !out.Close())
    return Fail(ConverterExit::FileError, outputText, "cannot be written: " + Reason(out.Error()));
  if (result == textifier::WordResult::Converted) return 0;
  return Fail(result == textifier::WordResult::Encrypted ? ConverterExit::Encrypted : ConverterExit::Damaged,
              inputText, problem);
}

int ConvertDocument(textifier::DocumentReader reader, platform::InputFile& in, platform::OutputFile& out,
                    const std::string& inputText, const std::string& outputText, const std::string& locatorAnsi) {
  platform::OutputFile where;
  if (!where.Create(locatorAnsi))
    return Fail(ConverterExit::FileError, outputText + ".where", "cannot be written: " + Reason(where.Error()));
  std::string document;
  if (!in.ReadRest(document)) return Fail(ConverterExit::FileError, inputText, Reason(in.Error()));
  in.Close();

  bool written = true;
  textifier::SystemTextLines lines([&](std::string& text, std::string& locators) {
    written = written && out.Write(text) && where.Write(locators);
    text.clear();
    locators.clear();
    return written;
  });
  textifier::ReadBounds bounds;
  bounds.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kSeconds);
  std::string problem;
  ConverterExit status;
  try {
    status = reader(document, bounds, lines, problem);
  } catch (const std::bad_alloc&) {
    status = ConverterExit::OutOfMemory;
    problem = "out of memory";
  } catch (const std::length_error&) {
    status = ConverterExit::OutOfMemory;
    problem = "out of memory";
  }
  document = std::string();
  if (!lines.Finish() || !out.Close() || !where.Close())
    return Fail(ConverterExit::FileError, outputText,
                "cannot be written: " + Reason(out.Error() ? out.Error() : where.Error()));
  return status == ConverterExit::Converted ? 0 : Fail(status, inputText, problem);
}

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
    return Status(ConverterExit::Usage);
  }
  BoundTheConversion();
  const std::string inputText = words.substr(0, arrow), outputText = words.substr(arrow + 1);
  const std::string inputAnsi = platform::Utf8ToAnsiOrRaw(inputText);
  const std::string outputAnsi = platform::Utf8ToAnsiOrRaw(outputText);
  const std::string locatorAnsi = platform::LocatorPath(outputAnsi);

  platform::InputFile in;
  in.Open(platform::ToNative(inputAnsi));
  platform::FileIdentity input, output;
  if (in.IsOpen() && in.Identity(input))
    for (const std::string& written : {outputAnsi, locatorAnsi})
      if (platform::GetIdentity(written, output) && input == output)
        return Fail(ConverterExit::FileError, outputText, "is the document itself");
  // The output is replaced, and an old locator file removed, even when the
  // input cannot be read, so that the finder never scans the text of an
  // earlier document in its place.
  platform::OutputFile out;
  if (!out.Create(outputAnsi))
    return Fail(ConverterExit::FileError, outputText, "cannot be written: " + Reason(out.Error()));
  platform::RemoveFile(locatorAnsi);
  if (!in.IsOpen()) return Fail(ConverterExit::FileError, inputText, Reason(in.Error()));

  // A document too large for the memory bound fails here, in its reading,
  // and must still end with a status the finder can tell, not an abort.
  try {
    if (const textifier::DocumentReader reader = textifier::ReaderFor(inputAnsi))
      return ConvertDocument(reader, in, out, inputText, outputText, locatorAnsi);
    return ConvertWordDocument(in, out, inputText, outputText);
  } catch (const std::bad_alloc&) {
    return Fail(ConverterExit::OutOfMemory, inputText, "out of memory");
  } catch (const std::length_error&) {
    return Fail(ConverterExit::OutOfMemory, inputText, "out of memory");
  }
}
