#include "viewer/ViewerSettings.h"

#include "platform/Profile.h"
#include "viewer/FormLayout.h"
#include "viewer/support/ClsIni.h"
#include "viewer/support/RunTimeError.h"

ViewerSettings::ViewerSettings(ClsIni& ini, double dpiX, double dpiY) : ini_(ini), dpiX_(dpiX), dpiY_(dpiY) {}

ViewerOptions ViewerSettings::ReadOptions(const ViewerOptions& current) {
  ViewerOptions options = current;
  options.editorPath = ini_.ReadString("Path", "UltraEdit", "");
  if (options.editorPath.empty()) options.editorPath = kDefaultEditorPath;
  // A number beyond 16 bits raises Overflow: that step is skipped.
  try {
    const int useEditor = ini_.ReadNum("Option", "UseUltraEdit", current.useEditor);
    if (useEditor >= 0 && useEditor <= 2) options.useEditor = useEditor;
  } catch (const RunTimeError&) {
  }
  try {
    options.anchorMode = ini_.ReadNum("Option", "UseMao", current.anchorMode ? -1 : 0) != 0;
  } catch (const RunTimeError&) {
  }
  return options;
}

std::optional<int> ViewerSettings::ReadPixels(const char* key, double dotsPerInch, bool isSize) {
  const std::optional<double> twips = ParseTwips(ini_.ReadString("WINDOW", key, ""));
  if (!twips) return std::nullopt;
  const int pixels = TwipsToPixels(*twips, dotsPerInch);
  if (isSize && pixels < 0) return std::nullopt;
  return pixels;
}

StoredPlacement ViewerSettings::ReadPlacement() {
  StoredPlacement placement;
  placement.left = ReadPixels("Left", dpiX_, false);
  placement.top = ReadPixels("Top", dpiY_, false);
  placement.width = ReadPixels("Width", dpiX_, true);
  placement.height = ReadPixels("Height", dpiY_, true);
  return placement;
}

void ViewerSettings::Write(const ViewerOptions& options, const OuterRect& outer) {
  ini_.WriteString("Path", "UltraEdit", options.editorPath);
  ini_.WriteNum("Option", "UseUltraEdit", options.useEditor);
  ini_.WriteNum("Option", "UseMao", options.anchorMode ? -1 : 0);
  ini_.WriteString("WINDOW", "Left", FormatTwips(PixelsToTwips(outer.left, dpiX_)));
  ini_.WriteString("WINDOW", "Top", FormatTwips(PixelsToTwips(outer.top, dpiY_)));
  ini_.WriteString("WINDOW", "Width", FormatTwips(PixelsToTwips(outer.width, dpiX_)));
  ini_.WriteString("WINDOW", "Height", FormatTwips(PixelsToTwips(outer.height, dpiY_)));
}

namespace {

constexpr char kFileListWidth[] = "FileListWidth";
constexpr char kRowListWidth[] = "RowListWidth";

}  // namespace

std::optional<PaneWidths> ViewerSettings::ReadPaneWidths() {
  const auto read = [this](const char* key) -> std::optional<int> {
    const std::optional<double> twips = ParseTwips(platform::ReadIniValue(ini_.IniFileName(), "WINDOW", key, "", 256));
    if (!twips || *twips <= 0) return std::nullopt;
    return TwipsToPixels(*twips, dpiX_);
  };
  const std::optional<int> fileList = read(kFileListWidth), rowList = read(kRowListWidth);
  if (!fileList || !rowList) return std::nullopt;
  return PaneWidths{*fileList, *rowList};
}

void ViewerSettings::WritePaneWidths(const PaneWidths& panes) {
  ini_.WriteString("WINDOW", kFileListWidth, FormatTwips(PixelsToTwips(panes.fileList, dpiX_)));
  ini_.WriteString("WINDOW", kRowListWidth, FormatTwips(PixelsToTwips(panes.rowList, dpiX_)));
}
