// The document reader on hostile bytes. A compound file goes the whole way
// through libgsf; anything else is taken as the two streams laid side by side
// (a 32-bit length of the WordDocument stream, the stream, then the table
// stream), so that mutations reach the header and piece table directly.
#include <glib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "textifier/WordText.h"

using textifier::WordResult;

// libgsf 1.14.50 loses the directory entries of some damaged compound files
// even when they are closed properly: its leak, not the reader's. The full
// unwinder lets the leak checker see libgsf on the stack behind GLib.
extern "C" const char* __lsan_default_suppressions() { return "leak:libgsf-1.so\n"; }
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0:print_suppressions=0"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool quiet = (g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {},
                                                       nullptr),
                             true);
  (void)quiet;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string text, problem;
  WordResult result;
  std::size_t streamBytes = size;
  if (textifier::IsCompoundFile(bytes)) {
    result = textifier::ReadWordText(bytes, text, problem);
  } else {
    if (size < 4) return 0;
    const std::size_t length = std::min<std::size_t>(data[0] | data[1] << 8 | data[2] << 16 | std::size_t{data[3]} << 24,
                                                      size - 4);
    result = textifier::ReadWordStreams(bytes.substr(4, length), bytes.substr(4 + length), text, problem);
    streamBytes = length;
  }
  // A problem exactly when not converted; whole CR LF lines; at most two
  // bytes of text per byte of the WordDocument stream and a line end.
  if ((result == WordResult::Converted) != problem.empty()) __builtin_trap();
  for (std::size_t i = 0; i < text.size(); ++i)
    if ((text[i] == '\r') != (i + 1 < text.size() && text[i + 1] == '\n')) __builtin_trap();
  if (!text.empty() && !text.ends_with("\r\n")) __builtin_trap();
  if (text.size() > 2 * streamBytes + 2) __builtin_trap();
  return 0;
}
