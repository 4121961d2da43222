#include "finder/app/scan/Terminal.h"

#include <cerrno>
#include <cstring>
#include <sys/ioctl.h>

#include "finder/app/findings/FindingText.h"
#include "finder/app/search/FinderTexts.h"
#include "platform/CodePage.h"
#include "platform/DocumentLocators.h"

namespace {

// Terminal columns of the UTF-8 character that starts with lead, near
// enough: characters of three or four bytes (CJK among them) take two.
std::size_t Columns(unsigned char lead) { return lead >= 0xE0 ? 2 : 1; }

std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) width += Columns(c);
  return width;
}

// Keeps the end of a long path within room columns, the file name mattering
// more than the folders.
void KeepTail(std::string& text, std::size_t room) {
  if (DisplayWidth(text) <= room) return;
  const std::size_t budget = room > 1 ? room - 1 : 0;  // one column for the ellipsis
  std::size_t start = text.size();
  std::size_t width = 0;
  for (std::size_t i = text.size(); i-- > 0;) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) == 0x80) continue;
    if (width + Columns(c) > budget) break;
    width += Columns(c);
    start = i;
  }
  text.replace(0, start, "…");
}

}  // namespace

std::string TerminalText(std::string_view ansi) {
  std::string utf8;
  if (!platform::AnsiToUtf8(ansi, utf8)) utf8 = platform::AnsiToUtf8Lenient(ansi);
  std::string shown;
  findings::AppendTerminalSafe(shown, utf8);
  return shown;
}

void TerminalProgress::PostProgress(std::string path) {
  ++files_;
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ && now - last_ < std::chrono::milliseconds(200)) return;
  last_ = now;
  Draw(path);
}

void TerminalProgress::Clear() {
  if (drawn_) std::fputs("\r\x1b[K", err_);
  std::fflush(err_);
  drawn_ = false;
}

void TerminalProgress::Draw(const std::string& path) {
  std::string text = "[";
  text += std::to_string(files_);
  text += "] ";
  text += texts::kParsing;
  std::string name = TerminalText(path);
  std::size_t columns = 80;
  struct winsize size {};
  if (ioctl(fileno(err_), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) columns = size.ws_col;
  const std::size_t prefixWidth = DisplayWidth(text);
  KeepTail(name, columns > prefixWidth + 1 ? columns - prefixWidth - 1 : 0);
  text += name;
  std::fprintf(err_, "\r\x1b[K%s", text.c_str());
  std::fflush(err_);
  drawn_ = true;
}

void TerminalMessages::ShowMessage(const std::string& text, const std::string&, MessageKind) {
  progress_.Clear();
  std::fprintf(err_, "%s\n", TerminalText(text).c_str());
}

void TerminalProblems::CannotRead(const std::string& path, ReadProblem problem, int errorNumber) {
  progress_.Clear();
  const std::string shown = TerminalText(path);
  const char* reason = std::strerror(errorNumber);
  if (problem == ReadProblem::NotConverted) {
    ++unreadable_;
    std::fprintf(err_, "glyphwell-scan: cannot convert %s: %s\n", shown.c_str(),
                 platform::ConversionProblem(errorNumber).c_str());
  } else if (problem == ReadProblem::ConvertedInPart) {
    std::fprintf(err_, "glyphwell-scan: %s could not be scanned whole: %s\n", shown.c_str(),
                 platform::ConversionProblem(errorNumber).c_str());
  } else if (problem == ReadProblem::Folder) {
    ++unreadable_;
    std::fprintf(err_, "glyphwell-scan: cannot read folder %s: %s\n", shown.c_str(), reason);
  } else if (problem == ReadProblem::File) {
    ++unreadable_;
    std::fprintf(err_, "glyphwell-scan: cannot read %s: %s\n", shown.c_str(),
                 errorNumber == EBUSY ? "another search is writing it" : reason);
  } else {
    std::fprintf(err_, "glyphwell-scan: %s could not be scanned whole: %s\n", shown.c_str(), reason);
  }
}

void TerminalProblems::NotInItsEncoding(const std::string& path, const char* encoding) {
  progress_.Clear();
  std::fprintf(err_, "glyphwell-scan: %s holds bytes that are not valid %s; they were passed over\n",
               TerminalText(path).c_str(), encoding);
}
