// What a search will read, asked before it starts.
#pragma once

#include <string>

// True when the report path names an existing file that the search would
// read: in file mode the file itself; in directory mode a file in the
// folder (or below it, with subfolders) whose name matches one of the
// patterns. Deleting the old report would then delete a file to be searched.
bool ReportIsASource(const std::string& report, bool directoryMode, const std::string& path,
                     bool includeSubdirectories, const std::string& patterns);
