// Test texts are written in UTF-8 and turned into the GBK bytes the engine sees.
#pragma once

#include <iconv.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/CodePage.h"

inline std::string Gbk(std::string_view utf8) {
  std::string out;
  if (!platform::Utf8ToAnsi(utf8, out)) throw std::runtime_error("not representable in GBK");
  return out;
}

// The whole of text converted by iconv, or nothing when iconv rejects some of
// it: expected bytes found without the code under test.
inline std::optional<std::string> Iconv(const char* from, const char* to, std::string_view text) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(text.size() * 4 + 8, '\0');
  char* in = const_cast<char*>(text.data());
  char* put = out.data();
  std::size_t inLeft = text.size(), putLeft = out.size();
  const bool ok = iconv(cd, &in, &inLeft, &put, &putLeft) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(out.size() - putLeft);
  return out;
}

// UTF-8 text in another encoding that must hold all of it.
inline std::string Transcode(const char* to, std::string_view utf8) {
  std::optional<std::string> out = Iconv("UTF-8", to, utf8);
  if (!out) throw std::runtime_error(std::string("not representable in ") + to);
  return *out;
}

// What the system's text must hold for characters CP936 lacks.
inline std::string Gb18030(std::string_view utf8) { return Transcode("GB18030", utf8); }
