// What a front end hands the engine for one search.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "finder/engine/Sinks.h"

// How the files of a search are read: as GBK bytes (the finder's own rule),
// as UTF-8, or each in the encoding its bytes show (a byte-order mark, else
// UTF-8 when the whole text is UTF-8 beyond ASCII, else GBK). Whatever the
// setting, a byte-order mark of UTF-16 is obeyed outside GBK.
enum class EncodingSetting { Gbk, Utf8, Automatic };

class ScanSettings {
 public:
  virtual ~ScanSettings() = default;

  std::string strLogFile;
  std::int32_t SearchUnicode = 0;
  std::int32_t LimitHanZiCountEachFile = 0;
  std::uint32_t MaxHanZiCountEachFile = 0;
  std::string strStartTag;
  EncodingSetting Encoding = EncodingSetting::Gbk;
  // Hits are handed on with their lines (findings need them), also where
  // they are held back for a while.
  bool keepHitLines = false;
  ProgressSink* notifyWindow = nullptr;
  // The front end clears it to cancel; the engine polls it before each line
  // and each directory step.
  std::atomic<unsigned char>* runningFlag = nullptr;

  // True when some line of the file at path contains tag (exact bytes).
  bool ContainsStartTag(std::string_view path, std::string_view tag) const;
  // True when the running flag is set and cleared. An unset flag never cancels.
  bool IsCancelled() const {
    return runningFlag != nullptr && runningFlag->load(std::memory_order_relaxed) == 0;
  }
};

// True when line contains tag (exact bytes); an empty tag is contained nowhere.
bool LineContains(std::string_view line, std::string_view tag);
