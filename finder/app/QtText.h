// CP936 texts of the system to and from the toolkit's strings.
#pragma once

#include <QString>
#include <string>

// A CP936 text for display. Bytes that are no CP936 (a file name that CP936
// cannot represent, carried as its own UTF-8 bytes) are shown as UTF-8.
QString FromAnsi(const std::string& ansi);
// Typed text to CP936; what CP936 lacks becomes "?".
std::string ToAnsi(const QString& text);
// A native (UTF-8) file name from a chooser to a path text: its CP936 form,
// or its own bytes when CP936 cannot represent it.
std::string AnsiFromFileName(const QString& fileName);
