#include "finder/app/QtText.h"

#include <QFile>

#include "finder/app/FinderTexts.h"
#include "platform/CodePage.h"

QString FromAnsi(const std::string& ansi) {
  std::string utf8;
  if (!platform::AnsiToUtf8(ansi, utf8)) utf8 = ansi;
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToAnsi(const QString& text) {
  return AnsiFromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                           static_cast<std::size_t>(text.size())));
}

std::string AnsiFromFileName(const QString& fileName) {
  const QByteArray native = QFile::encodeName(fileName);
  return platform::Utf8ToAnsiOrRaw(std::string_view(native.constData(), static_cast<std::size_t>(native.size())));
}
