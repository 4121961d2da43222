// Workbooks of Office Open XML: the sheets in the workbook's order, each with
// its name, its text cells and its cell comments.
#include "textifier/CellNames.h"
#include "textifier/DocumentReader.h"
#include "textifier/Package.h"
#include "textifier/Paragraphs.h"

namespace textifier {
namespace {

struct Sheet {
  std::string name, relationshipId;
};

class WorkbookHandler : public XmlHandler {
 public:
  void Start(std::string_view name, std::string_view, const XmlAttributes& attributes) override {
    if (name == "sheet") sheets.push_back({attributes.Value("name"), RelationshipId(attributes)});
  }
  void End(std::string_view, std::string_view) override {}
  void Text(std::string_view) override {}
  std::vector<Sheet> sheets;
};

// Rich text: the runs' text ("t"), without phonetic guides ("rPh") and
// without the fallback copy of alternate content.
class RichText {
 public:
  void Start(std::string_view name) {
    if (skip_.Start(name == "rPh" || name == "Fallback")) return;
    if (name == "t") inText_ = true;
  }
  void End(std::string_view name) {
    if (skip_.End()) return;
    if (name == "t") inText_ = false;
  }
  void Text(std::string_view utf8) {
    if (inText_ && !skip_.Active()) text += utf8;
  }
  std::string text;

 private:
  Skip skip_;
  bool inText_ = false;
};

class SharedStringsHandler : public XmlHandler {
 public:
  void Start(std::string_view name, std::string_view, const XmlAttributes&) override {
    if (name == "si") rich_.text.clear();
    rich_.Start(name);
  }
  void End(std::string_view name, std::string_view) override {
    rich_.End(name);
    if (name == "si") strings.push_back(rich_.text);
  }
  void Text(std::string_view utf8) override { rich_.Text(utf8); }
  std::vector<std::string> strings;

 private:
  RichText rich_;
};

// A worksheet's cells that hold text: a shared string, an inline string or
// a formula's text result. A cell without its reference follows the one
// before it, a row without its number the row before.
class WorksheetHandler : public XmlHandler {
 public:
  WorksheetHandler(LineOutput& out, const std::string& sheet, const std::vector<std::string>& strings)
      : out_(out), sheet_(sheet), strings_(strings) {}

  void Start(std::string_view name, std::string_view, const XmlAttributes& attributes) override {
    if (skip_.Start(name == "Fallback" || name == "f" || name == "extLst")) return;
    if (name == "row") {
      const std::string number = attributes.Value("r");
      std::uint64_t given = 0;
      for (char c : number) given = c >= '0' && c <= '9' && given < 100000000 ? given * 10 + (c - '0') : given;
      row_ = given > 0 ? given : row_ + 1;
      column_ = 0;
    } else if (name == "c") {
      std::uint64_t column = 0, row = 0;
      if (ParseCellName(attributes.Value("r"), column, row)) {
        column_ = column;
        row_ = row;
      } else {
        ++column_;
      }
      type_ = attributes.Value("t");
      value_.clear();
      inlineText_ = RichText();
      inCell_ = true;
    } else if (name == "v" && inCell_) {
      inValue_ = true;
    } else if (name == "is" && inCell_) {
      inInline_ = true;
    } else if (inInline_) {
      inlineText_.Start(name);
    }
  }

  void End(std::string_view name, std::string_view) override {
    if (skip_.End()) return;
    if (name == "v") {
      inValue_ = false;
    } else if (name == "is") {
      inInline_ = false;
    } else if (name == "c" && inCell_) {
      inCell_ = false;
      const std::string* text = nullptr;
      std::size_t index = 0;
      if (type_ == "s") {
        for (char c : value_) index = c >= '0' && c <= '9' && index < strings_.size() ? index * 10 + (c - '0') : index;
        if (!value_.empty() && index < strings_.size()) text = &strings_[index];
      } else if (type_ == "inlineStr") {
        text = &inlineText_.text;
      } else if (type_ == "str") {
        text = &value_;
      }
      if (text && !text->empty()) out_.Line(*text, CellLocator(sheet_, column_, row_));
    } else if (inInline_) {
      inlineText_.End(name);
    }
  }

  void Text(std::string_view utf8) override {
    if (skip_.Active()) return;
    if (inValue_) value_ += utf8;
    else if (inInline_) inlineText_.Text(utf8);
  }

 private:
  LineOutput& out_;
  const std::string& sheet_;
  const std::vector<std::string>& strings_;
  Skip skip_;
  std::uint64_t row_ = 0, column_ = 0;
  std::string type_, value_;
  RichText inlineText_;
  bool inCell_ = false, inValue_ = false, inInline_ = false;
};

class CommentsHandler : public XmlHandler {
 public:
  CommentsHandler(LineOutput& out, const std::string& sheet) : out_(out), sheet_(sheet) {}
  void Start(std::string_view name, std::string_view, const XmlAttributes& attributes) override {
    if (name == "comment") {
      reference_ = attributes.Value("ref");
      rich_ = RichText();
    }
    rich_.Start(name);
  }
  void End(std::string_view name, std::string_view) override {
    rich_.End(name);
    if (name != "comment") return;
    std::uint64_t column = 0, row = 0;
    const std::string where = ParseCellName(reference_, column, row) ? CellLocator(sheet_, column, row)
                                                                      : sheet_ + "!" + reference_;
    if (!rich_.text.empty()) out_.Line(rich_.text, where + " comment");
  }
  void Text(std::string_view utf8) override { rich_.Text(utf8); }

 private:
  LineOutput& out_;
  const std::string& sheet_;
  std::string reference_;
  RichText rich_;
};

}  // namespace

ConverterExit ReadSpreadsheetXml(std::string_view document, const ReadBounds& bounds, LineOutput& out,
                                    std::string& problem) {
  Package package;
  std::string main;
  std::vector<Relationship> relationships;
  ConverterExit status = package.OpenMainPart(document, bounds, "workbook", main, relationships, problem);
  if (status != ConverterExit::Converted) return status;
  WorkbookHandler workbook;
  if ((status = package.Parse(main, workbook, problem)) != ConverterExit::Converted) return status;
  SharedStringsHandler shared;
  if (const std::string part = Package::Target(relationships, "sharedStrings"); !part.empty())
    if ((status = package.Parse(part, shared, problem)) != ConverterExit::Converted) return status;

  int number = 0;
  for (const Sheet& sheet : workbook.sheets) {
    out.Line(sheet.name, "sheet " + std::to_string(++number));
    const std::string part = Package::TargetById(relationships, sheet.relationshipId);
    if (part.empty()) continue;
    std::vector<Relationship> sheetRelationships;
    if ((status = package.Relationships(part, sheetRelationships, problem)) != ConverterExit::Converted)
      return status;
    const std::string quoted = QuotedSheetName(sheet.name);
    // A chart sheet's part is read too, and yields no cells.
    WorksheetHandler cells(out, quoted, shared.strings);
    if ((status = package.Parse(part, cells, problem)) != ConverterExit::Converted) return status;
    if (const std::string comments = Package::Target(sheetRelationships, "comments"); !comments.empty()) {
      CommentsHandler handler(out, quoted);
      if ((status = package.Parse(comments, handler, problem)) != ConverterExit::Converted) return status;
    }
  }
  return ConverterExit::Converted;
}

}  // namespace textifier
