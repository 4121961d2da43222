#include "tests/support/WordFile.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>

namespace {

void Put16(std::string& out, std::size_t at, unsigned value) {
  if (out.size() < at + 2) out.resize(at + 2, '\0');
  out[at] = static_cast<char>(value & 0xFF);
  out[at + 1] = static_cast<char>(value >> 8 & 0xFF);
}
void Put32(std::string& out, std::size_t at, std::uint32_t value) {
  Put16(out, at, value & 0xFFFF);
  Put16(out, at + 2, value >> 16);
}

}  // namespace

WordStreams MakeWordStreams(const std::vector<WordPiece>& pieces, bool tableOne) {
  constexpr std::size_t kLw = 64, kFcLcb = kLw + 88 + 2, kPairs = 93, kTextStart = 1024;
  WordStreams streams;
  std::string& word = streams.wordDocument;
  Put16(word, 0, 0xA5EC);
  Put16(word, 2, 0x00C1);
  Put16(word, kFlagsOffset, tableOne ? 0x0200 : 0);
  Put16(word, 32, 14);        // csw
  Put16(word, kLw - 2, 22);   // cslw
  Put16(word, kFcLcb - 2, kPairs);
  word.resize(kTextStart, '\0');

  std::string cps, pcds;
  std::uint32_t cp = 0;
  for (const WordPiece& piece : pieces) {
    Put32(cps, cps.size(), cp);
    const std::uint32_t fc = static_cast<std::uint32_t>(word.size());
    for (char16_t unit : piece.text) {
      if (piece.compressed)
        word += static_cast<char>(unit);
      else
        Put16(word, word.size(), unit);
    }
    const std::size_t at = pcds.size();
    Put16(pcds, at, 0);
    Put32(pcds, at + 2, piece.compressed ? fc * 2 | 0x40000000 : fc);
    Put16(pcds, at + 6, 0);
    cp += static_cast<std::uint32_t>(piece.text.size());
  }
  Put32(cps, cps.size(), cp);
  Put32(word, kLw, static_cast<std::uint32_t>(word.size()));  // cbMac
  Put32(word, kCcpTextOffset, cp);

  // Some bytes before the Clx so that its offset is not zero, and a property
  // run that the reader has to step over.
  std::string& table = streams.table;
  table.assign(16, '\0');
  table += std::string("\x01\x02\x00\x00\x00\x02", 6);
  Put32(table, table.size(), static_cast<std::uint32_t>(cps.size() + pcds.size()));
  table += cps + pcds;
  Put32(word, kFcLcb + 8 * 33, 16);
  Put32(word, kFcLcb + 8 * 33 + 4, static_cast<std::uint32_t>(table.size() - 16));
  return streams;
}

std::string MakeCompoundFile(const std::vector<std::pair<std::string, std::string>>& streams) {
  GsfOutput* memory = gsf_output_memory_new();
  GsfOutfile* file = gsf_outfile_msole_new(memory);
  std::string result;
  if (file) {
    bool ok = true;
    for (const auto& [name, bytes] : streams) {
      GsfOutput* child = gsf_outfile_new_child(file, name.c_str(), FALSE);
      ok = child && gsf_output_write(child, bytes.size(), reinterpret_cast<const guint8*>(bytes.data())) &&
           gsf_output_close(child) && ok;
      if (child) g_object_unref(child);
    }
    ok = gsf_output_close(GSF_OUTPUT(file)) && ok;
    g_object_unref(file);
    if (ok)
      result.assign(reinterpret_cast<const char*>(gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory))),
                    static_cast<std::size_t>(gsf_output_size(memory)));
  }
  g_object_unref(memory);
  return result;
}

std::string MakeWordFile(const WordStreams& streams, bool tableOne) {
  return MakeCompoundFile({{"WordDocument", streams.wordDocument}, {tableOne ? "1Table" : "0Table", streams.table}});
}
