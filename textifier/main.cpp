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
#include <glib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/CodePage.h"
#include "platform/FileSearch.h"
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

  platform::InputFile in;
  in.Open(inputNative);
  platform::FileIdentity input, output;
  if (in.IsOpen() && in.Identity(input) && platform::GetIdentity(outputAnsi, output) && input == output)
    return Fail(kFileError, outputText, "is the document itself");
  // The output is replaced even when the input cannot be read, so that the
  // finder never scans the text of an earlier document in its place.
  platform::OutputFile out;
  if (!out.Create(outputAnsi)) return Fail(kFileError, outputText, "cannot be written: " + Reason(out.Error()));
  if (!in.IsOpen()) return Fail(kFileError, inputText, Reason(in.Error()));

  char head[8];
  std::size_t headSize = 0;
  if (!in.Read(head, sizeof head, headSize) || !in.Rewind()) return Fail(kFileError, inputText, Reason(in.Error()));
  if (!textifier::IsCompoundFile(std::string_view(head, headSize))) {
    if (!CopyThrough(in, out)) {
      const bool readFailed = in.Error() != 0;
      return Fail(kFileError, readFailed ? inputText : outputText,
                  std::string("copy failed: ") + Reason(readFailed ? in.Error() : out.Error()));
    }
    return out.Close() ? 0 : Fail(kFileError, outputText, Reason(out.Error()));
  }

  std::string document;
  if (!in.ReadRest(document)) return Fail(kFileError, inputText, Reason(in.Error()));
  in.Close();
  std::string text, problem;
  const textifier::WordResult result = textifier::ReadWordText(document, text, problem);
  if (!out.Write(text) || !out.Close()) return Fail(kFileError, outputText, "cannot be written: " + Reason(out.Error()));
  return result == textifier::WordResult::Converted ? 0 : Fail(kNotConverted, inputText, problem);
}
