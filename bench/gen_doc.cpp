// gen_doc: writes a large Word 97 document for timing Textifier.
//
//   gen_doc FILE [SIZE_MB]
//
// About SIZE_MB (default 10, 1 MB = 2^20 bytes) of compound file: paragraphs
// of Chinese text in UTF-16 pieces with a field and a table row now and then,
// every eighth piece 8-bit Latin text. Prints the number of lines the
// converter must give.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/WordFile.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fputs("usage: gen_doc FILE [SIZE_MB]\n", stderr);
    return 2;
  }
  const long sizeMb = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 10;
  if (sizeMb <= 0 || sizeMb > 1024) {
    std::fputs("gen_doc: SIZE_MB must be 1 to 1024\n", stderr);
    return 2;
  }
  const std::size_t wanted = static_cast<std::size_t>(sizeMb) << 20;
  const std::u16string han = u"汉字查找测试文档内容转换速度中文段落";
  std::vector<WordPiece> pieces;
  std::size_t bytes = 0, lines = 0;
  unsigned seed = 1;
  while (bytes < wanted) {
    WordPiece piece;
    piece.compressed = pieces.size() % 8 == 7;
    for (int paragraph = 0; paragraph < 64; ++paragraph, ++lines) {
      for (int sentence = 0; sentence < 8; ++sentence) {
        seed = seed * 1103515245 + 12345;
        if (piece.compressed) {
          piece.text += u"Latin text of a paragraph, sentence ";
          piece.text += static_cast<char16_t>(u'0' + (seed >> 16) % 10);
          piece.text += u". ";
        } else {
          for (int c = 0; c < 12; ++c) piece.text += han[(seed >> (c + 8)) % han.size()];
          piece.text += u"，";
        }
      }
      if (paragraph % 16 == 0) piece.text += u"\x13 PAGE \x14" u"1\x15";
      if (paragraph % 32 == 5) {
        piece.text += u"甲\x07乙\x07\x07";
        lines += 3;
      }
      piece.text += u'\r';
    }
    bytes += piece.text.size() * (piece.compressed ? 1 : 2);
    pieces.push_back(std::move(piece));
  }
  const std::string file = MakeWordFile(MakeWordStreams(pieces));
  if (file.empty() || !(std::ofstream(argv[1], std::ios::binary) << file)) {
    std::fprintf(stderr, "gen_doc: cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("%zu\n", lines);
  return 0;
}
