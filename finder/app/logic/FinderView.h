// The finder dialog's controls as its logic sees them: texts (CP936), check
// marks and enabling, addressed by control id. A drop-down's text is its
// chosen item; setting one of its items' texts chooses that item.
#pragma once

#include <string>

enum FinderControl : int {
  kIdExit = 1,  // the dialog's OK command
  kIdHelp = 9,
  kIdSearch = 1000,
  kIdFileMode = 1002,
  kIdDirectoryMode = 1003,
  kIdFileName = 1004,
  kIdPath = 1006,
  kIdBrowseFile = 1008,
  kIdBrowseFolder = 1009,
  kIdSearchUnicode = 1011,
  kIdIncludeSubPath = 1012,
  kIdFileType = 1013,
  kIdStatus = 1014,
  kIdLogFile = 1015,
  kIdLimit = 1016,
  kIdMaxCount = 1017,
  kIdStartTag = 1018,
  kIdAdvertisement = 1019,
  kIdEncoding = 1020,  // "文件编码:": how files are read
  kIdChars = 1021,     // "统计字符:": which characters count
};

class FinderView {
 public:
  virtual ~FinderView() = default;
  virtual std::string ControlText(int id) const = 0;
  virtual void SetControlText(int id, const std::string& text) = 0;
  virtual bool IsChecked(int id) const = 0;
  virtual void SetChecked(int id, bool checked) = 0;
  virtual void EnableControl(int id, bool enabled) = 0;
  // Focus on an edit with its text selected, after a value it holds was refused.
  virtual void FocusControl(int id) = 0;
};
