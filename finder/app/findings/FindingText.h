// How a finding's texts are written into the formats that tools read: UTF-8
// made valid, JSON strings, terminal-safe names, URIs, workflow commands, and
// paths made relative to the current folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace findings {

// True when text is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Appends text with every byte that is not part of a well-formed UTF-8
// sequence replaced by U+FFFD.
void AppendValidUtf8(std::string& out, std::string_view text);

// Code points in well-formed UTF-8.
std::int64_t CodePointCount(std::string_view utf8);

// Appends text as a JSON string with its quotes. Invalid UTF-8 becomes
// U+FFFD; control characters (C0, DEL, C1) are escaped, so a line of JSON
// never holds a raw line break or a terminal command.
void AppendJsonString(std::string& out, std::string_view text);

// Appends text for a terminal: control characters (C0, DEL, C1) and bytes
// that are not well-formed UTF-8 are written as \xHH, so a name can neither
// break a line-based format nor drive the terminal.
void AppendTerminalSafe(std::string& out, std::string_view text);

// Appends text percent-encoded as a URI path (RFC 3986): unreserved
// characters and "/" stay, every other byte becomes %HH.
void AppendPercentEncoded(std::string& out, std::string_view text);

// Escapes for GitHub workflow commands: the message (% CR LF) and a property
// value (also ":" and ","). Invalid UTF-8 becomes U+FFFD.
void AppendWorkflowData(std::string& out, std::string_view text);
void AppendWorkflowProperty(std::string& out, std::string_view text);

// The current folder as a native absolute path, "" when it cannot be known.
std::string CurrentFolder();

// A path relative to folder (an absolute, normalised native path): "." and
// empty components go, ".." is resolved by name, and an absolute path is
// expressed from folder ("../x" when it lies outside). A relative path is
// taken as relative to folder already.
std::string RelativePath(std::string_view path, std::string_view folder);

// RelativePath for a stream of findings, which come file by file: the last
// answer is kept, so a file's findings cost one conversion.
class PathRelativizer {
 public:
  // folder "" means the current folder.
  explicit PathRelativizer(std::string folder = {});
  const std::string& Folder() const { return folder_; }
  const std::string& Relative(std::string_view path);

 private:
  std::string folder_;
  std::string lastPath_;
  std::string lastRelative_;
  bool haveLast_ = false;
};

}  // namespace findings
