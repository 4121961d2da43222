#include "platform/qt/SystemText.h"

#include <QFile>

#include "platform/CodePage.h"

namespace platform {

QString SystemTextToQString(std::string_view text) {
  const std::u16string wide = AnsiToUtf16Lenient(text);
  return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

std::string SystemTextFromQString(const QString& text) {
  return Utf16ToAnsi(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                         static_cast<std::size_t>(text.size())));
}

std::string SystemTextFromFileName(const QString& fileName) {
  const QByteArray native = QFile::encodeName(fileName);
  return Utf8ToAnsiOrRaw(std::string_view(native.constData(), static_cast<std::size_t>(native.size())));
}

}  // namespace platform
