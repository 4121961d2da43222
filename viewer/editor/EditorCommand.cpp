#include "viewer/editor/EditorCommand.h"

#include <algorithm>
#include <charconv>

#include "platform/Process.h"

namespace {

std::string_view BaseName(std::string_view program) {
  const std::size_t slash = program.rfind('/');
  return slash == std::string_view::npos ? program : program.substr(slash + 1);
}

bool OneOf(std::string_view name, std::initializer_list<std::string_view> names) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// The desktop editors looked for when neither variable names a usable one.
constexpr std::string_view kDesktopEditors[] = {
    "code", "codium", "kate", "gedit", "pluma", "xed", "mousepad", "geany", "kwrite", "subl", "gnome-text-editor"};

}  // namespace

EditorRequest ParseEditorWords(const std::vector<std::string>& words) {
  EditorRequest request;
  std::size_t pathWords = words.size();
  if (words.size() >= 2) {
    const std::string& last = words.back();
    long line = 0;
    const char* begin = last.data() + 1;
    const char* end = last.data() + last.size();
    if (last.size() >= 2 && last[0] == '/') {
      const auto result = std::from_chars(begin, end, line);
      if (result.ec == std::errc() && result.ptr == end) {
        request.line = std::max(line, 1L);
        pathWords = words.size() - 1;
      }
    }
  }
  for (std::size_t i = 0; i < pathWords; ++i) {
    if (i > 0) request.path += ' ';
    request.path += words[i];
  }
  return request;
}

LineSyntax SyntaxOf(std::string_view program) {
  const std::string_view name = BaseName(program);
  if (OneOf(name, {"kate", "kwrite", "mousepad"})) return LineSyntax::LineOption;
  if (OneOf(name, {"subl", "sublime_text", "micro", "hx", "helix", "zed"})) return LineSyntax::Colon;
  if (OneOf(name, {"code", "codium", "code-oss", "vscodium"})) return LineSyntax::GotoColon;
  return LineSyntax::Plus;
}

bool IsTerminalEditor(std::string_view program) {
  return OneOf(BaseName(program), {"vi", "vim", "nvim", "nano", "pico", "joe", "jed", "kak", "mcedit", "ne", "micro",
                                   "hx", "helix", "ed"});
}

Command EditorCommand(std::string_view editorText, const std::string& path, std::optional<long> line) {
  std::vector<std::string> words = platform::SplitAtBlanks(editorText);
  Command command;
  if (words.empty()) return command;
  command.program = words.front();
  command.arguments.assign(words.begin() + 1, words.end());
  // A file name that starts like an option must not be read as one.
  const std::string file = !path.empty() && (path[0] == '-' || path[0] == '+') ? "./" + path : path;
  if (!line) {
    command.arguments.push_back(file);
    return command;
  }
  const std::string number = std::to_string(*line);
  switch (SyntaxOf(command.program)) {
    case LineSyntax::Plus: command.arguments.insert(command.arguments.end(), {"+" + number, file}); break;
    case LineSyntax::LineOption: command.arguments.insert(command.arguments.end(), {"--line", number, file}); break;
    case LineSyntax::Colon: command.arguments.push_back(file + ":" + number); break;
    case LineSyntax::GotoColon:
      command.arguments.insert(command.arguments.end(), {"--goto", file + ":" + number});
      break;
  }
  return command;
}

std::vector<Command> Candidates(const char* visual, const char* editor, bool inTerminal, const std::string& path,
                                std::optional<long> line) {
  std::vector<Command> commands;
  for (const char* variable : {visual, editor}) {
    if (!variable || !*variable) continue;
    Command command = EditorCommand(variable, path, line);
    if (command.program.empty()) continue;
    if (!inTerminal && IsTerminalEditor(command.program)) {
      command.arguments.insert(command.arguments.begin(), {"-e", command.program});
      command.program = "x-terminal-emulator";
    }
    commands.push_back(std::move(command));
  }
  for (const std::string_view name : kDesktopEditors) commands.push_back(EditorCommand(name, path, line));
  commands.push_back(EditorCommand("xdg-open", path, std::nullopt));
  return commands;
}
