#include "viewer/ViewerController.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/AsciiText.h"
#include "platform/CodePage.h"
#include "platform/DocumentLocators.h"
#include "platform/Files.h"
#include "platform/NativePath.h"
#include "platform/ReportFormat.h"
#include "viewer/EditorHandOff.h"
#include "viewer/ModFile.h"
#include "viewer/ModMain.h"
#include "viewer/ModWebBrowser.h"
#include "viewer/support/RunTimeError.h"
#include "viewer/support/TextFunctions.h"

namespace {

constexpr char kNoFileSelected[] = "未选择文件。";

std::string ProblemText(const std::exception& error) { return std::string("无法显示这个文件：") + error.what(); }

std::string Utf8(std::string_view ansiText) { return platform::AnsiToUtf8Lenient(ansiText); }

// "6.7 MB" and the like.
std::string Megabytes(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1 << 20));
  return text;
}

}  // namespace

ViewerController::ViewerController(ViewerView& view, ClsIni& settings, const Services& services, double dpiX,
                                   double dpiY)
    : view_(view), settings_(settings), services_(services), dpiX_(dpiX), dpiY_(dpiY), reportPath_(kReportPath) {}

ViewerController::StoredWindow ViewerController::Form_Load() {
  ViewerSettings settings(settings_, dpiX_, dpiY_);
  // Applying the stored mode builds no page: no file is selected yet.
  const ViewerOptions options = settings.ReadOptions(Options());
  view_.SetEditorPath(options.editorPath);
  view_.SetEditorOption(options.useEditor);
  view_.SetAnchorMode(options.anchorMode);

  CmdRefresh_Click();

  StoredWindow stored;
  stored.placement = settings.ReadPlacement();
  stored.panes = settings.ReadPaneWidths();
  panesKept_ = stored.panes.has_value();
  return stored;
}

void ViewerController::CmdRefresh_Click() {
  files_.clear();
  names_ = ListedNames();
  rows_.reset();
  view_.FilesChanged();
  view_.RowsChanged();
  view_.SetFileNameText("");
  sourceText_.clear();
  sourceTextProblem_.clear();

  struct Collected : ListBoxItems {
    void Clear() override { paths.clear(); }
    void AddItem(const std::string& ansiText) override { paths.push_back(ansiText); }
    std::vector<std::string> paths;
  } entries;
  const RefreshResult refresh = RefreshReport(reportPath_, mapFiles, entries);
  if (refresh.reportOpened) {
    files_ = std::move(entries.paths);
    names_ = NameFiles(files_);
    // The entries go to the list in one piece: a million of them one by one
    // would keep the view busy.
    view_.FilesChanged();
  }
  // The empty address shows what to do next.
  const std::string report = Utf8(reportPath_);
  if (!refresh.reportOpened)
    noFileNotice_ = kNoFileSelected + ("结果报告 " + report) + " 不存在，或检字器正在写它：请先搜索，搜索结束后按“刷新”。";
  else if (!refresh.loadError.empty())
    noFileNotice_ = kNoFileSelected + std::string("结果报告没有读完，只列出了出错之前的文件：") + refresh.loadError;
  else if (files_.empty())
    noFileNotice_ = kNoFileSelected + std::string("结果报告中没有文件。");
  else
    noFileNotice_ = kNoFileSelected + std::string("请在左边的文件列表中选择一个文件。");
  view_.ShowNotice(noFileNotice_);

  reportStatus_ = "结果报告 " + report;
  if (refresh.reportOpened) {
    reportStatus_ += "：" + std::to_string(files_.size()) + " 个文件";
    if (names_.commonLength > 0)
      reportStatus_ += "，都在 " + Utf8(std::string_view(files_.front()).substr(0, names_.commonLength)) + " 之下";
  }
  pageNote_.clear();
  pageLoading_ = false;
  view_.ShowStatus(reportStatus_);
}

void ViewerController::OpenReport(const std::string& strReportPath) {
  reportPath_ = strReportPath;
  view_.CloseFindDialog();
  CmdRefresh_Click();
}

std::string ViewerController::SelectedFile() const {
  const int index = view_.FileListIndex();
  return index < 0 || static_cast<std::size_t>(index) >= files_.size() ? std::string()
                                                                        : files_[static_cast<std::size_t>(index)];
}

ViewerOptions ViewerController::Options() const {
  return {view_.EditorPath(), view_.EditorOption(), view_.AnchorMode()};
}

void ViewerController::lstFileName_Click() {
  bAnchorPageReady = false;
  if (view_.AnchorMode()) view_.CloseFindDialog();
  const std::string s = SelectedFile();
  view_.SetFileNameText(s);
  // A Word document is converted here, once per pick, as the finder did
  // before it counted the lines.
  sourceText_.clear();
  sourceTextProblem_.clear();
  locators_.clear();
  try {
    sourceText_ = SourceTextPath(s, *services_.converter);
    // A document's lines stand somewhere in it: the rows say where.
    if (sourceText_ != s) platform::ReadLocators(sourceText_, locators_);
  } catch (const RunTimeError& error) {
    sourceTextProblem_ = ProblemText(error);
  }
  const std::shared_ptr<ClsMap> m = mapFiles.GetValue(s);
  if (!m || !view_.AnchorMode())
    ShowSourceText();
  else
    ShowAnchorPage();

  // A file without rows: the rows of the file picked before must not stay
  // listed under this one.
  rows_ = m;
  view_.RowsChanged();
  if (RowCount() > 0) {
    view_.SelectRow(0);
    LstRowNum_Click();
  }
}

void ViewerController::ShowSourceText() {
  if (sourceTextProblem_.empty())
    NavigateToPage(sourceText_);
  else
    view_.ShowNotice(sourceTextProblem_);
}

void ViewerController::ShowAnchorPage() {
  if (view_.FileListIndex() < 0) {
    view_.ShowNotice(noFileNotice_);
    return;
  }
  const std::string s = SelectedFile();
  const std::shared_ptr<ClsMap> m = mapFiles.GetValue(s);
  if (!m || !sourceTextProblem_.empty()) {
    // No rows, so no anchors: the text itself, as file selection shows it.
    ShowSourceText();
    anchorPageProblem_ = sourceTextProblem_;
    bAnchorPageReady = sourceTextProblem_.empty();
    return;
  }
  try {
    BuildAnchorPage(sourceText_, kAnchorPagePath, *m);
  } catch (const RunTimeError& error) {
    anchorPageProblem_ = ProblemText(error);
    view_.ShowNotice(anchorPageProblem_);
    return;
  }
  view_.SetPageSource(kAnchorPagePath, s);
  NavigateToPage(kAnchorPagePath);
  bAnchorPageReady = true;
}

void ViewerController::NavigateToPage(const std::string& strPage, const std::string& strFragment) {
  view_.Navigate2(strPage + strFragment);
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(platform::ToNative(strPage), error);
  pageLoading_ = !error;
  pageNote_ = !error && size >= kLargePageBytes
                  ? "这个页面有 " + Megabytes(size) + "，浏览器要一些时间才能显示它。"
                  : std::string();
  view_.ShowStatus(pageNote_.empty() ? reportStatus_ : pageNote_);
}

void ViewerController::LstRowNum_Click() {
  const int row = view_.RowListIndex();
  // A copy: a handler that runs during the find box's waits may refill the list.
  const std::string e = row < 0 || static_cast<std::size_t>(row) >= RowCount() ? std::string()
                                                                               : RowEntry(static_cast<std::size_t>(row)).text;
  std::string_view R, X;
  if (const std::size_t p = e.find(' '); p != std::string::npos) {
    R = platform::TrimSpaces(std::string_view(e).substr(0, p));
    X = platform::TrimSpaces(std::string_view(e).substr(p + 1));
  }
  // The editor gets the text the line numbers count: a Word document's
  // converted text, never the document.
  if (view_.EditorOption() != 0 && IsNumeric(R) && !sourceText_.empty()) {
    const std::string editor = view_.EditorPath();
    if (!OpenInEditor(*services_.starter, editor, sourceText_, R))
      std::fprintf(stderr, "Tallyview: cannot start the editor \"%s\"\n", Utf8(editor).c_str());
  }
  if (view_.AnchorMode()) {
    // Without a page for this file (it could not be built) a jump would show
    // an empty or another file's page; the reason stays on view instead.
    if (bAnchorPageReady)
      view_.Navigate2(std::string(kAnchorPagePath) + "#" + std::string(platform::kAnchorPrefix) + std::string(R));
    else
      view_.ShowNotice(view_.FileListIndex() < 0 ? noFileNotice_ : anchorPageProblem_);
  } else {
    FindInBrowser(*services_.automation, view_.Browser(), std::string(LongestRun(X)));
  }
}

void ViewerController::OptLocateByMiao_Click(int /*Index*/) {
  if (view_.AnchorMode() && !bAnchorPageReady) ShowAnchorPage();
}

void ViewerController::FindFinished(const std::string& ansiText, int matches) {
  if (matches > 0 || ansiText.empty()) {
    view_.ShowStatus(pageLoading_ && !pageNote_.empty() ? pageNote_ : reportStatus_);
    return;
  }
  const std::string text = "“" + Utf8(ansiText) + "”";
  if (pageLoading_)
    view_.ShowStatus("页面还没有载入完，暂时找不到" + text + "：载入后在查找框中按回车再找一次。");
  else
    view_.ShowStatus("页面上找不到" + text + "：页面没有以文字显示它（例如它来自字符引用，或被标记隔开）。");
}

void ViewerController::PageLoadProgress(int percent) {
  if (!pageLoading_) return;
  // The engine says 100 when the file is read; laying a long page out takes
  // it a while longer.
  const std::string progress =
      percent < 100 ? "正在载入页面：" + std::to_string(percent) + "%" : std::string("页面已读入，正在排版……");
  view_.ShowStatus((pageNote_.empty() ? std::string() : pageNote_ + " ") + progress);
}

void ViewerController::PageLoadFinished() {
  if (!pageLoading_) return;
  pageLoading_ = false;
  pageNote_.clear();
  view_.ShowStatus(reportStatus_);
}

ListEntry ViewerController::FileEntry(std::size_t index) const {
  const std::string& path = files_[index];
  const std::size_t common = std::min(names_.commonLength, path.size());
  return {path.substr(common), path, index < names_.distinctFrom.size() ? names_.distinctFrom[index] : 0};
}

std::size_t ViewerController::RowCount() const { return rows_ ? rows_->GetObject().Count() : 0; }

ListEntry ViewerController::RowEntry(std::size_t index) const {
  const auto& entry = rows_->GetObject().At(index);
  std::string text = entry.key + " " + entry.value;
  std::size_t line = 0;
  const auto [end, error] = std::from_chars(entry.key.data(), entry.key.data() + entry.key.size(), line);
  if (error == std::errc() && end == entry.key.data() + entry.key.size() && line >= 1 && line <= locators_.size())
    return {text, text + "  [" + locators_[line - 1] + "]", 0};
  return {text, text, 0};
}

void ViewerController::Form_Unload(const OuterRect& outer, const PaneWidths& panes) {
  if (unloaded_) return;
  unloaded_ = true;
  view_.CloseFindDialog();
  const auto removeOwnFiles = [] {
    platform::RemoveFile(kAnchorPagePath);
    platform::RemoveFile(kConvertedTextPath);
    platform::RemoveFile(platform::LocatorPath(kConvertedTextPath));
  };
  try {
    ViewerSettings settings(settings_, dpiX_, dpiY_);
    settings.Write(Options(), outer);
    if (panesKept_) settings.WritePaneWidths(panes);
  } catch (...) {
    removeOwnFiles();  // a settings file that cannot be written leaves no page behind
    throw;
  }
  removeOwnFiles();
}
