// The viewer's settings file "Tallyview.ini": the editor path, the editor
// option, the locate mode and the window's place, read when the window loads
// and written when it closes.
#pragma once

#include <optional>
#include <string>

class ClsIni;

// The editor the window offers when the settings name none: the adapter that
// lies beside the viewer (a bare name is looked for there first).
inline constexpr char kDefaultEditorPath[] = "editor-at-line";

// What the controls hold.
struct ViewerOptions {
  std::string editorPath;  // TxtUltraEdit, a CP936 text
  int useEditor = 0;       // ChkUseUltraEdit: 0 unchecked, 1 checked, 2 grayed
  bool anchorMode = true;  // OptLocateByMiao index 0 selected
};

// The window's outer rectangle (frame and title bar included), in pixels.
struct OuterRect {
  int left = 0, top = 0, width = 0, height = 0;
};
// The same as the settings give it: a value that is missing, no number, or a
// negative size leaves its part unset, and the window keeps its own.
struct StoredPlacement {
  std::optional<int> left, top, width, height;
};

// The widths of the file list and of the row list beside the browser, in
// pixels, as the user left them by moving the splitters between them.
struct PaneWidths {
  int fileList = 0, rowList = 0;
  bool operator==(const PaneWidths&) const = default;
};

class ViewerSettings {
 public:
  // The file holds twips; dpiX and dpiY turn them into the screen's pixels.
  ViewerSettings(ClsIni& ini, double dpiX, double dpiY);

  // The editor path (the default when it comes back empty), the editor
  // option and the locate mode. current holds the controls' states: they are
  // the defaults of the reads, and a value that cannot be used (a number
  // beyond 16 bits, an option other than 0, 1 or 2) leaves its part as it is.
  // A text key that is missing is written into the file with its default.
  ViewerOptions ReadOptions(const ViewerOptions& current);
  // The four window values; each missing one is written in empty.
  StoredPlacement ReadPlacement();
  // All seven keys, the mode as -1 (anchor mode) or 0.
  void Write(const ViewerOptions& options, const OuterRect& outer);
  // "FileListWidth" and "RowListWidth" of "WINDOW" in twips, only when both
  // hold a usable size; a read writes nothing, so a file whose panes were
  // never moved keeps the seven keys alone.
  std::optional<PaneWidths> ReadPaneWidths();
  void WritePaneWidths(const PaneWidths& panes);

 private:
  std::optional<int> ReadPixels(const char* key, double dotsPerInch, bool isSize);

  ClsIni& ini_;
  double dpiX_, dpiY_;
};
