// The labels a file's path gives all its findings: test and locale.
#pragma once

#include <string_view>

#include "finder/context/SourceContext.h"

namespace context {

// test: under a folder test, tests, __tests__ or spec, or named *_test.*,
// *.test.* or *.spec.*. locale: under a folder locale, locales, i18n, lang,
// langs or messages, or named for a Chinese locale (zh.json, zh-CN.*,
// zh_TW.*, *_zh*.properties, Qt's *_zh*.ts, and folders such as zh_CN/ or
// Android's values-zh-rCN/). Folders and names compare without regard to ASCII case.
Labels PathLabels(std::string_view path);

}  // namespace context
