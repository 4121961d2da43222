// Stands in for an editor: writes its arguments, one a line, to the file
// that FAKE_EDITOR_LOG names.
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  const char* log = std::getenv("FAKE_EDITOR_LOG");
  std::FILE* out = log ? std::fopen(log, "w") : nullptr;
  if (!out) return 3;
  for (int i = 1; i < argc; ++i) std::fprintf(out, "%s\n", argv[i]);
  return std::fclose(out) == 0 ? 0 : 3;
}
