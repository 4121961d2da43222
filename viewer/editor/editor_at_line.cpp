// editor-at-line: takes the editor hand-off's "path /n" (split at blanks, as
// the viewer starts an editor) and opens the file at that line in the user's
// editor: $VISUAL, $EDITOR or a known desktop editor.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/NativePath.h"
#include "platform/ThisProcess.h"
#include "viewer/editor/EditorCommand.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: editor-at-line PATH /LINE\n");
    return 2;
  }
  const EditorRequest request = ParseEditorWords(std::vector<std::string>(argv + 1, argv + argc));
  // The words arrive in UTF-8; the path text may be a drive path of the system.
  const std::string pathText = platform::Utf8ToAnsiOrRaw(request.path);
  if (!platform::PathExists(pathText) || platform::IsDirectory(pathText)) {
    std::fprintf(stderr, "editor-at-line: no such file: %s\n", request.path.c_str());
    return 1;
  }
  const std::string file = platform::ToNative(pathText);
  int error = ENOENT;
  for (const Command& command :
       Candidates(std::getenv("VISUAL"), std::getenv("EDITOR"), platform::RunsInTerminal(), file, request.line)) {
    platform::ExecProgram(command.program, command.arguments);
    if (errno != ENOENT) error = errno;
  }
  std::fprintf(stderr, "editor-at-line: no editor could be started for %s (%s); set VISUAL or EDITOR\n", file.c_str(),
               std::strerror(error));
  return 127;
}
