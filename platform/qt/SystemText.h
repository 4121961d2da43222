// The system's texts (CP936 with GB18030's four-byte forms) to and from the
// toolkit's strings: the one reading both windows use, so a name shows the
// same in the finder and the viewer.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace platform {

// For display: what does not decode shows as U+FFFD.
QString SystemTextToQString(std::string_view text);
// Typed text as the system holds it; a lone surrogate becomes "?".
std::string SystemTextFromQString(const QString& text);
// A file name from a chooser (a native name) as a path text.
std::string SystemTextFromFileName(const QString& fileName);

}  // namespace platform
