// File module of the viewer: the report's open test and the anchor page.
#pragma once

#include <string>

#include "viewer/support/ClsMap.h"

// The page the window shows in anchor mode.
inline constexpr char kAnchorPagePath[] = "c:\\~temp.htm";

// True when the path (a CP936 text, one trailing "\" or "/" removed) opens for
// reading as a regular file that no search holds locked while writing it.
// Never raises.
bool CanOpenFile(const std::string& strFileName);

// Writes the page strPagePath as a copy of the source file strSourcePath,
// line by line with CR LF line ends, with the anchor <a name="mao_LineN"> in
// front of every line N that is a key of mapRows. Lines are counted as the
// finder counts them, in the encoding the automatic rule gives the source: a
// GBK or UTF-8 source is copied byte for byte, a UTF-16 one (and any
// byte-order mark) is written in UTF-8. The page is created (or truncated) before the source is
// opened; any failure raises a RunTimeError, leaving the page with the lines
// written before it (none when the source cannot be opened).
void BuildAnchorPage(const std::string& strSourcePath, const std::string& strPagePath, const ClsMap& mapRows);
