// What a finding is in its file, read from the file's own syntax: a comment,
// a string, markup text or an attribute, code; and whether it is a log
// message, text handed to a translation call, in a test or in a locale file.
// Only files that hold findings are ever classified, and only as far as
// their last finding.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace context {

enum class Label : std::uint8_t { Comment, String, Text, Attribute, Code, Log, I18n, Test, Locale };
constexpr int kLabelCount = 9;

// A set of labels, one bit each.
using Labels = std::uint16_t;
constexpr Labels Bit(Label label) { return static_cast<Labels>(1u << static_cast<unsigned>(label)); }

// "comment", "string", "text", "attribute", "code", "log", "i18n", "test",
// "locale": the names options and output use.
std::string_view LabelName(Label label);
// False for a name that is none of them.
bool ParseLabel(std::string_view name, Label& label);

// Call names beyond the built-in lists: the string arguments of a log call
// are labelled log, those of a translation call i18n. A name matches the end
// of the callee as written, at a "." boundary ("info" and "logger.*" both
// match this.logger.info); "::" and "->" count as "."; a trailing "*" matches
// any rest of the last part ("fmt.Print*").
struct CallNames {
  std::vector<std::string> log;
  std::vector<std::string> i18n;
};

// A finding's place: 1-based line, and 1-based column in code points, which
// is the same whatever encoding the file was stored in.
struct Position {
  std::int64_t line = 0;
  std::int64_t column = 0;
};

class CallMatcher;

// Holds the call names; one serves any number of files and threads.
class Classifier {
 public:
  explicit Classifier(const CallNames& extra = {});
  ~Classifier();
  Classifier(const Classifier&) = delete;
  Classifier& operator=(const Classifier&) = delete;

  // The labels of each position, in labels (resized to positions). path
  // chooses the lexer by its extension and gives the test and locale
  // labels; text is the file in UTF-8 (LF or CR LF line ends), at least up
  // to the line of the last position; positions are sorted by line, then
  // column. A position beyond the text gets the labels of the text's end.
  void Classify(std::string_view path, std::string_view text, std::span<const Position> positions,
                std::vector<Labels>& labels) const;

 private:
  friend class FileContext;
  std::unique_ptr<CallMatcher> calls_;
};

// The same for a caller that reads the file line by line itself.
class FileContext {
 public:
  FileContext(const Classifier& classifier, std::string_view path);
  ~FileContext();
  FileContext(const FileContext&) = delete;
  FileContext& operator=(const FileContext&) = delete;

  // The next line (in UTF-8, without its end) and the sorted code-point
  // columns of its findings; appends each column's labels to labels. Every
  // line up to the last one with a finding must be passed, in order.
  void Line(std::string_view line, std::span<const std::int64_t> columns, std::vector<Labels>& labels);
  // The next lines, none with a finding, joined by their ends (LF or CR LF;
  // the last has none): the same as a Line for each, but markup is passed
  // over faster this way.
  void Skip(std::string_view lines);
  // False for a kind no lexer reads: its labels come from the path alone,
  // and the lines passed may be empty.
  bool ReadsText() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace context
