#include "finder/export/WorkbookExport.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string_view>
#include <utility>

#include "platform/PathFunctions.h"
#include "platform/CodePage.h"
#include "platform/Files.h"
#include "platform/NativePath.h"
#include "platform/TextEncoding.h"

namespace {

constexpr char kCaption[] = "Glyphwell";
constexpr char kCannotStart[] = "Cannot start Excel";

// Excel keeps at most this many UTF-16 units in a cell; libxlsxwriter refuses
// a longer string (it counts code points) instead of cutting it.
constexpr std::size_t kMaxCellChars = 32767;

// Message texts are CP936 like every other text of the system.
const std::string& EmptyResultText() {
  static const std::string text = platform::Utf8ToAnsiOrRaw("结果为空.");
  return text;
}

const std::string& WrittenText() {
  static const std::string text = platform::Utf8ToAnsiOrRaw("成功写入Excel文件");
  return text;
}

struct WorkbookDeleter {
  void operator()(lxw_workbook* workbook) const { lxw_workbook_free(workbook); }
};
using WorkbookPtr = std::unique_ptr<lxw_workbook, WorkbookDeleter>;

// Length of the UTF-8 sequence starting at text[i], or 0 when the bytes there
// are not a valid, XML-allowed character (no overlongs, surrogates, U+FFFE/F).
std::size_t ValidSequenceLength(std::string_view text, std::size_t i) {
  if (static_cast<unsigned char>(text[i]) < 0x80) return 1;
  char32_t cp = 0;
  const int length = platform::DecodeUtf8(reinterpret_cast<const unsigned char*>(text.data()) + i, text.size() - i, cp);
  if (length <= 0 || cp == 0xFFFE || cp == 0xFFFF) return 0;
  return static_cast<std::size_t>(length);
}

// The system's text (with GB18030's forms) read as it is written; a text that
// does not read so but is UTF-8 already is kept, and anything else goes
// through the lenient reading: invalid UTF-8 would make the whole sheet
// unreadable.
std::string ToUtf8(std::string_view ansi) {
  std::string utf8;
  if (platform::AnsiToUtf8(ansi, utf8)) return utf8;
  // U+FFFE/F, which XML refuses, are replaced cell by cell later.
  if (platform::IsValidUtf8(ansi)) return std::string(ansi);
  return platform::AnsiToUtf8Lenient(ansi);
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Spreadsheet programs read "_xHHHH_" in a cell text as an escaped character;
// libxlsxwriter escapes control characters that way but leaves such literal
// sequences alone, so their "_" must be escaped itself.
bool StartsEscapeLookalike(std::string_view text, std::size_t i) {
  if (text.size() - i < 7 || text[i] != '_' || text[i + 1] != 'x' || text[i + 6] != '_') return false;
  return std::all_of(text.begin() + i + 2, text.begin() + i + 6, IsHex);
}

// The UTF-8 text handed to the worksheet for one CP936 cell text, cut at a
// character boundary where Excel's cell limit is reached: better a cut text
// than a failed export.
std::string CellText(std::string_view ansi) {
  const std::string utf8 = ToUtf8(ansi);
  std::string out;
  out.reserve(std::min(utf8.size(), kMaxCellChars * 4));
  std::size_t shownUnits = 0;  // UTF-16 units Excel will hold
  std::size_t givenChars = 0;  // code points libxlsxwriter counts
  for (std::size_t i = 0; i < utf8.size();) {
    // XML cannot carry a NUL at all, not even escaped.
    if (utf8[i] == '\0') {
      ++i;
      continue;
    }
    const std::size_t length = ValidSequenceLength(utf8, i);
    const bool escape = StartsEscapeLookalike(utf8, i);
    const std::size_t units = length == 4 ? 2 : 1;
    const std::size_t chars = escape ? 7 : 1;
    if (shownUnits + units > kMaxCellChars || givenChars + chars > kMaxCellChars) break;
    if (escape)
      out += "_x005F_";
    else if (length == 0)
      out += "\xEF\xBF\xBD";  // a stray byte would make the sheet unreadable
    else
      out.append(utf8, i, length);
    shownUnits += units;
    givenChars += chars;
    i += std::max<std::size_t>(length, 1);
  }
  return out;
}

// The zip container needs its 64-bit extension once a part may pass 4 GB;
// older spreadsheet programs dislike that extension, so only huge tables get
// it. The bound is generous: escaped control characters take 7 bytes.
bool MayNeedZip64(const std::vector<ResultRow>& rows) {
  constexpr std::size_t kLimit = std::size_t{3} << 30;
  constexpr std::size_t kPerCellOverhead = 64;
  std::size_t bound = 0;
  for (const ResultRow& row : rows) {
    for (const std::string* text : {&row.file, &row.firstChars}) {
      bound += 7 * std::min(text->size(), kMaxCellChars) + kPerCellOverhead;
    }
    bound += kPerCellOverhead + 16;
    if (bound > kLimit) return true;
  }
  return false;
}

// Writes the header and every row; false as soon as a write fails.
bool WriteSheet(lxw_worksheet* sheet, lxw_format* bold, const std::vector<ResultRow>& rows) {
  static constexpr const char* kTitles[] = {"FileName", "中文", "字数"};
  for (lxw_col_t col = 0; col < 3; ++col) {
    if (worksheet_write_string(sheet, 0, col, kTitles[col], bold) != LXW_NO_ERROR) return false;
  }
  lxw_row_t sheetRow = 1;
  for (const ResultRow& row : rows) {
    // Rows past Excel's last row cannot be written; the workbook is still
    // saved, since a full sheet is worth more to the user than none.
    if (sheetRow >= LXW_ROW_MAX) break;
    const std::string cells[] = {CellText(row.file), CellText(row.firstChars), std::to_string(row.count)};
    for (lxw_col_t col = 0; col < 3; ++col) {
      // An empty text leaves no cell at all, as Excel does for an empty value.
      if (worksheet_write_string(sheet, sheetRow, col, cells[col].c_str(), nullptr) != LXW_NO_ERROR) return false;
    }
    ++sheetRow;
  }
  return true;
}

// Closing the workbook writes it; workbook_close frees it whatever it returns.
bool Save(WorkbookPtr workbook) { return workbook_close(workbook.release()) == LXW_NO_ERROR; }

}  // namespace

WorkbookExport::WorkbookExport() : workbookPath_(WritableFilePath("~report.xls", UserFileKind::Data)) {}

WorkbookExport::WorkbookExport(std::string workbookPath) : workbookPath_(std::move(workbookPath)) {}

void WorkbookExport::Show(const std::string& text, MessageKind kind) {
  if (sink_) sink_->ShowMessage(text, kCaption, kind);
}

ExportStatus WorkbookExport::Export(const ResultTable& table) {
  const std::vector<ResultRow>& rows = table.Rows();
  if (rows.empty()) {
    Show(EmptyResultText(), MessageKind::Plain);
    return ExportStatus::Empty;
  }
  bool saved = false;
  bool started = false;
  std::string temporary;
  try {
    // The workbook is written beside the old one and takes its place only
    // when complete, so a failed save (a full disk) leaves the old one whole.
    const std::string nativePath = platform::ToNativeForWrite(workbookPath_);
    temporary = platform::CreateTemporaryBeside(nativePath);
    if (temporary.empty()) return ExportStatus::Failed;
    // A failure (a full disk) ends the export silently: libxlsxwriter's own
    // "[ERROR]" lines would reach the terminal's user otherwise.
    const platform::SilencedStandardError quiet;
    lxw_workbook_options options{};
    options.use_zip64 = MayNeedZip64(rows) ? LXW_TRUE : LXW_FALSE;
    WorkbookPtr workbook(workbook_new_opt(temporary.c_str(), &options));
    lxw_worksheet* sheet = workbook ? workbook_add_worksheet(workbook.get(), nullptr) : nullptr;
    started = sheet != nullptr;
    if (started) {
      lxw_format* bold = workbook_add_format(workbook.get());
      if (bold) {
        format_set_bold(bold);
        saved = WriteSheet(sheet, bold, rows) && Save(std::move(workbook)) &&
                platform::RenameNativeFile(temporary, nativePath);
      }
    }
  } catch (...) {
    // Out of memory on a huge table: a failed write, which ends silently.
    if (!temporary.empty()) platform::RemoveNativeFile(temporary);
    return ExportStatus::Failed;
  }
  if (!saved) platform::RemoveNativeFile(temporary);
  if (!started) {
    Show(kCannotStart, MessageKind::Plain);
    return ExportStatus::NotStarted;
  }
  if (!saved) return ExportStatus::Failed;
  Show(WrittenText() + workbookPath_, MessageKind::Information);
  return ExportStatus::Written;
}
