// Test texts are written in UTF-8 and turned into the GBK bytes the engine sees.
#pragma once

#include <iconv.h>

#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/CodePage.h"

inline std::string Gbk(std::string_view utf8) {
  std::string out;
  if (!platform::Utf8ToAnsi(utf8, out)) throw std::runtime_error("not representable in GBK");
  return out;
}

// The GB18030 bytes of a UTF-8 text, straight from iconv: what the system's
// text must hold for characters CP936 lacks, found without the code under test.
inline std::string Gb18030(std::string_view utf8) {
  iconv_t cd = iconv_open("GB18030", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv lacks GB18030");
  std::string out(utf8.size() * 4 + 4, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t inLeft = utf8.size(), outLeft = out.size();
  char* to = out.data();
  const std::size_t rc = iconv(cd, &in, &inLeft, &to, &outLeft);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) throw std::runtime_error("not representable in GB18030");
  out.resize(out.size() - outLeft);
  return out;
}
