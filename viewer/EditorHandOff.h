// Opening the selected file in the external editor at a row's line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "viewer/ModAPI.h"

// A row's line-number text as the editor gets it: the numeric value rounded to
// the nearest integer (halves to even); nothing when the text is not numeric
// or the value lies beyond 32 bits.
std::optional<std::int32_t> EditorLineNumber(std::string_view R);

// The editor's parameter text: the path, " /" and the line ("C:\docs\a.txt /12").
std::string EditorParameters(const std::string& strFileName, std::int32_t line);

// Starts strEditor with the parameter text of strFileName and the row's
// line-number text R, split at blanks, without waiting. Nothing is started
// when R is not a usable number. False when the editor could not be started.
bool OpenInEditor(ProgramStarter& starter, const std::string& strEditor, const std::string& strFileName,
                  std::string_view R);
