// editor-at-line's choices: which file and line the viewer asked for, and
// which editor command opens it there.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The viewer hands over "path /n" split at blanks. The words joined by single
// blanks give it back (a run of blanks in a path becomes one); the last word,
// "/" and digits, is the line. Without such a word every word is the path.
struct EditorRequest {
  std::string path;
  std::optional<long> line;
};
EditorRequest ParseEditorWords(const std::vector<std::string>& words);

// How an editor is told the line: "+12 FILE", "--line 12 FILE", "FILE:12",
// "--goto FILE:12".
enum class LineSyntax { Plus, LineOption, Colon, GotoColon };
// By the program's base name; an editor not known takes "+12", the most
// common form.
LineSyntax SyntaxOf(std::string_view program);
// Editors that need a terminal to show themselves.
bool IsTerminalEditor(std::string_view program);

struct Command {
  std::string program;
  std::vector<std::string> arguments;
};

// editorText is a command as $VISUAL and $EDITOR hold it ("code --wait"):
// split at blanks, with the file and line appended in its syntax.
Command EditorCommand(std::string_view editorText, const std::string& path, std::optional<long> line);

// The commands to try, in order: $VISUAL, then $EDITOR (a terminal editor
// inside x-terminal-emulator when there is no terminal), then the known
// desktop editors, and last xdg-open, which cannot take a line.
std::vector<Command> Candidates(const char* visual, const char* editor, bool inTerminal, const std::string& path,
                                std::optional<long> line);
