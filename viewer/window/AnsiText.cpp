#include "viewer/window/AnsiText.h"

#include "platform/CodePage.h"

QString FromAnsi(std::string_view ansi) {
  const std::u16string wide = platform::AnsiToUtf16Lenient(ansi);
  return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

std::string ToAnsi(const QString& text) { return platform::Utf8ToAnsiOrRaw(text.toStdString()); }
