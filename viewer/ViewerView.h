// The window as the viewer's logic sees it: its controls by what they hold,
// its browser by what it is sent, and its status line. Texts of the
// controls are CP936; notices and the status line are UTF-8. The window
// implements it over Qt; tests record what it is told.
#pragma once

#include <cstddef>
#include <string>

#include "viewer/ModAPI.h"

// One entry of a list as the window shows it (CP936 texts).
struct ListEntry {
  std::string text;  // what the list shows
  std::string tip;   // the entry whole, and whatever else there is to say of it
  // The text from here on tells the entry apart: a shortened text keeps it.
  std::size_t distinctFrom = 0;
};

class ViewerView {
 public:
  virtual ~ViewerView() = default;

  // The entries of lstFileName or LstRowNum were replaced (the controller
  // holds them); the list then has none selected.
  virtual void FilesChanged() = 0;
  virtual void RowsChanged() = 0;
  // The selected entry, or -1.
  virtual int FileListIndex() const = 0;
  virtual int RowListIndex() const = 0;
  // Selects a row as code does, without reporting the selection back.
  virtual void SelectRow(int index) = 0;

  // TxtFileName, TxtUltraEdit, ChkUseUltraEdit (0, 1, 2) and OptLocateByMiao
  // (index 0 selected: anchor mode).
  virtual void SetFileNameText(const std::string& ansiText) = 0;
  virtual std::string EditorPath() const = 0;
  virtual void SetEditorPath(const std::string& ansiText) = 0;
  virtual int EditorOption() const = 0;
  virtual void SetEditorOption(int value) = 0;
  virtual bool AnchorMode() const = 0;
  virtual void SetAnchorMode(bool anchorMode) = 0;

  // WebBrowser1: a path text, the same with a fragment, or "" for an empty
  // page; the anchor page standing in for its source; a short notice.
  virtual void Navigate2(const std::string& ansiText) = 0;
  virtual void SetPageSource(const std::string& pageAnsi, const std::string& sourceAnsi) = 0;
  virtual void ShowNotice(const std::string& text) = 0;
  virtual void CloseFindDialog() = 0;
  // The browser as the find-box driving addresses it.
  virtual WindowHandle Browser() const = 0;

  virtual void ShowStatus(const std::string& text) = 0;
};
