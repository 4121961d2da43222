// The enumerated choices of a search, each with one table: its value, its
// text in "Glyphwell.ini", its value as glyphwell-scan's option takes it,
// and its label in the dialog (UTF-8 here, shown in CP936). The first entry
// of a table is the default.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/AsciiText.h"
#include "platform/TextEncoding.h"

template <class Value>
struct Choice {
  Value value;
  const char* ini;
  const char* option;
  const char* label;
};

inline constexpr Choice<platform::EncodingChoice> kEncodingChoices[] = {
    {platform::EncodingChoice::Gbk, "GBK", "gbk", "GBK"},
    {platform::EncodingChoice::Utf8, "UTF-8", "utf-8", "UTF-8"},
    {platform::EncodingChoice::Automatic, "AUTO", "auto", "自动识别"},
};

inline constexpr Choice<platform::CharacterSet> kCharsChoices[] = {
    {platform::CharacterSet::Gbk, "GBK", "gbk", "双字节字符"},
    {platform::CharacterSet::Han, "HAN", "han", "仅汉字"},
};

// The entry of value; the default for a value the table lacks.
template <class Value, std::size_t N>
const Choice<Value>& ChoiceOf(const Choice<Value> (&table)[N], Value value) {
  for (const Choice<Value>& choice : table)
    if (choice.value == value) return choice;
  return table[0];
}

// The entry whose text (the member named: &Choice::ini, ::option or
// ::label) is text, ASCII letters in any case; nullptr when none is.
template <class Value, std::size_t N>
const Choice<Value>* ChoiceByText(const Choice<Value> (&table)[N], std::string_view text,
                                  const char* Choice<Value>::*member) {
  for (const Choice<Value>& choice : table)
    if (platform::CompareIgnoringAsciiCase(text, choice.*member) == 0) return &choice;
  return nullptr;
}

// The option values of a table, for help and error texts: "gbk, utf-8 or auto".
template <class Value, std::size_t N>
std::string OptionValues(const Choice<Value> (&table)[N]) {
  std::string text;
  for (std::size_t i = 0; i < N; ++i) text += std::string(i == 0 ? "" : i + 1 == N ? " or " : ", ") + table[i].option;
  return text;
}
