// Test texts are written in UTF-8 and turned into the GBK bytes the engine sees.
#pragma once

#include <string>
#include <string_view>

#include "platform/CodePage.h"

inline std::string Gbk(std::string_view utf8) {
  std::string out;
  if (!platform::Utf8ToAnsi(utf8, out)) throw std::runtime_error("not representable in GBK");
  return out;
}
