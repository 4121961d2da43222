// The window's texts are UTF-16; the system's are CP936 byte strings.
#pragma once

#include <QString>
#include <string>
#include <string_view>

// For display: what CP936 lacks shows as U+FFFD.
QString FromAnsi(std::string_view ansi);
// A typed text as the system holds it: its CP936 form, or its own UTF-8 bytes
// when CP936 cannot represent it (a path then still finds its file).
std::string ToAnsi(const QString& text);
