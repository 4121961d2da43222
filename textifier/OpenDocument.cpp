// OpenDocument text, spreadsheets and presentations: the body of content.xml
// (which of the three it is, its first element says), then the headers and
// footers of the master pages in styles.xml.
#include <algorithm>
#include <tuple>

#include "textifier/CellNames.h"
#include "textifier/DocumentReader.h"
#include "textifier/Package.h"
#include "textifier/Paragraphs.h"

namespace textifier {
namespace {

// Namespaces by their last words: "urn:oasis:names:tc:opendocument:xmlns:text:1.0" is "text".
bool In(std::string_view ns, std::string_view kind) {
  if (ns.size() < kind.size() + 5 || !ns.ends_with(":1.0")) return false;
  const std::size_t at = ns.size() - 4 - kind.size();
  return ns[at - 1] == ':' && ns.substr(at, kind.size()) == kind;
}

// Drawn shapes that hold text of their own in a text document.
bool IsShape(std::string_view name) {
  static constexpr std::string_view kShapes[] = {"text-box", "custom-shape", "rect",    "ellipse", "circle",
                                                 "polygon",  "polyline",     "path",    "line",    "connector",
                                                 "caption",  "regular-polygon", "measure"};
  return std::find(std::begin(kShapes), std::end(kShapes), name) != std::end(kShapes);
}

std::uint64_t Repeat(const XmlAttributes& attributes, const char* name, std::uint64_t cap) {
  std::uint64_t n = 0;
  for (char c : attributes.Value(name)) {
    if (c < '0' || c > '9') break;
    n = std::min(cap, n * 10 + static_cast<std::uint64_t>(c - '0'));
  }
  return n == 0 ? 1 : n;
}

// A place inside the body whose paragraphs are located apart: a note, a
// comment, a shape of a text document (numbered once it holds a paragraph),
// a slide's notes, a header or footer.
struct Context {
  std::string locator;
  bool numberedShape = false;
};

enum class Body { None, Text, Spreadsheet, Presentation };

class OpenDocumentHandler : public XmlHandler {
 public:
  OpenDocumentHandler(LineOutput& out, bool styles) : out_(out), paragraphs_(out), styles_(styles) {}

  void Start(std::string_view name, std::string_view ns, const XmlAttributes& attributes) override {
    const bool text = In(ns, "text"), office = In(ns, "office"), draw = In(ns, "drawing"), table = In(ns, "table");
    // Deleted text of tracked changes, the note's mark, shapes' titles and
    // descriptions, a comment's author and date, embedded pictures.
    const bool hidden = (text && (name == "tracked-changes" || name == "note-citation")) ||
                        ns == "http://purl.org/dc/elements/1.1/" ||
                        (In(ns, "svg-compatible") && (name == "title" || name == "desc")) ||
                        (office && name == "binary-data");
    if (skip_.Start(hidden)) return;
    ++depth_;
    Push(name, ns, attributes, text, office, draw, table);
    if (text && (name == "p" || name == "h")) {
      if (styles_ && contexts_.empty()) {
        skip_.Start(true);
        --depth_;
        return;
      }
      paragraphs_.Begin(Locator());
      spacing_.push_back({atStart_, spaced_});
      atStart_ = true;
      spaced_ = false;
    } else if (text && name == "s") {
      Append(std::string(Repeat(attributes, "c", 1000), ' '));
    } else if (text && name == "tab") {
      Append("\t");
    } else if (text && name == "line-break") {
      Append("\n");
      atStart_ = true;
    }
  }

  void End(std::string_view name, std::string_view ns) override {
    if (skip_.End()) return;
    --depth_;
    if (In(ns, "text") && (name == "p" || name == "h") && !spacing_.empty()) {
      paragraphs_.End();
      std::tie(atStart_, spaced_) = spacing_.back();
      spacing_.pop_back();
    }
    if (!contexts_.empty() && contextDepths_.back() == depth_) {
      contexts_.pop_back();
      contextDepths_.pop_back();
    }
    if (body_ == Body::Spreadsheet && In(ns, "table")) {
      if (name == "table-cell" || name == "covered-table-cell") {
        nextColumn_ = column_ + columns_;
        inCell_ = false;
      } else if (name == "table-row") {
        nextRow_ = row_ + rows_;
      }
    }
  }

  // Blanks, tabs and line ends of the XML collapse into one blank, and none
  // opens a paragraph; text:s, text:tab and text:line-break are the
  // document's own.
  void Text(std::string_view utf8) override {
    if (skip_.Active() || !paragraphs_.IsOpen()) return;
    std::size_t from = 0;
    for (std::size_t i = 0; i <= utf8.size(); ++i) {
      const bool blank = i < utf8.size() && (utf8[i] == ' ' || utf8[i] == '\t' || utf8[i] == '\n' || utf8[i] == '\r');
      if (i < utf8.size() && !blank) continue;
      if (i > from) {
        paragraphs_.Append(utf8.substr(from, i - from));
        atStart_ = spaced_ = false;
      }
      if (blank && !atStart_ && !spaced_) {
        paragraphs_.Append(" ");
        spaced_ = true;
      }
      from = i + 1;
    }
  }

 private:
  void Append(std::string_view text) {
    paragraphs_.Append(text);
    atStart_ = false;
    spaced_ = false;
  }

  void PushContext(std::string locator, bool numberedShape = false) {
    contexts_.push_back({std::move(locator), numberedShape});
    contextDepths_.push_back(depth_ - 1);
  }

  void Push(std::string_view name, std::string_view ns, const XmlAttributes& attributes, bool text, bool office,
            bool draw, bool table) {
    if (office && body_ == Body::None) {
      if (name == "text") body_ = Body::Text;
      else if (name == "spreadsheet") body_ = Body::Spreadsheet;
      else if (name == "presentation") body_ = Body::Presentation;
    }
    if (styles_) {
      if (In(ns, "style") && (name == "header" || name == "header-left" || name == "header-first"))
        PushContext("header " + std::to_string(++headers_));
      else if (In(ns, "style") && (name == "footer" || name == "footer-left" || name == "footer-first"))
        PushContext("footer " + std::to_string(++footers_));
      return;
    }
    if (text && name == "note") {
      const bool endnote = attributes.Value("note-class") == "endnote";
      PushContext(endnote ? "endnote " + std::to_string(++endnotes_) : "footnote " + std::to_string(++footnotes_));
    } else if (office && name == "annotation") {
      PushContext(inCell_ ? CellName() + " comment" : "comment " + std::to_string(++comments_));
    } else if (draw && body_ == Body::Text && IsShape(name)) {
      PushContext({}, true);
    } else if (draw && body_ == Body::Presentation && name == "page") {
      ++slides_;
    } else if (In(ns, "presentation") && name == "notes" && body_ == Body::Presentation) {
      PushContext("slide " + std::to_string(slides_) + " notes");
    } else if (table && body_ == Body::Spreadsheet) {
      if (name == "table") {
        const std::string sheetName = attributes.Value("name");
        sheet_ = QuotedSheetName(sheetName);
        out_.Line(sheetName, "sheet " + std::to_string(++sheets_));
        nextRow_ = 1;
      } else if (name == "table-row") {
        row_ = nextRow_;
        rows_ = Repeat(attributes, "number-rows-repeated", std::uint64_t{1} << 24);
        nextColumn_ = 1;
      } else if (name == "table-cell" || name == "covered-table-cell") {
        column_ = nextColumn_;
        columns_ = Repeat(attributes, "number-columns-repeated", std::uint64_t{1} << 20);
        inCell_ = true;
      }
    }
  }

  std::string CellName() const {
    return CellLocator(sheet_, column_, row_, column_ + columns_ - 1, row_ + rows_ - 1);
  }

  std::string Locator() {
    if (!contexts_.empty()) {
      Context& context = contexts_.back();
      if (context.numberedShape && context.locator.empty()) context.locator = "text box " + std::to_string(++shapes_);
      return context.locator;
    }
    switch (body_) {
      case Body::Text: return "paragraph " + std::to_string(++bodyParagraphs_);
      case Body::Spreadsheet: return inCell_ ? CellName() : "sheet " + std::to_string(sheets_);
      case Body::Presentation: return "slide " + std::to_string(slides_);
      case Body::None: break;
    }
    return {};
  }

  LineOutput& out_;
  ParagraphStack paragraphs_;
  Skip skip_;
  const bool styles_;
  Body body_ = Body::None;
  int depth_ = 0;
  std::vector<Context> contexts_;
  std::vector<int> contextDepths_;  // the depth of each context's element
  // Whether the innermost paragraph has nothing yet, or ends in a collapsed
  // blank; and the same for each paragraph around it.
  bool atStart_ = true, spaced_ = false;
  std::vector<std::pair<bool, bool>> spacing_;
  int bodyParagraphs_ = 0, footnotes_ = 0, endnotes_ = 0, comments_ = 0, shapes_ = 0, slides_ = 0, sheets_ = 0;
  int headers_ = 0, footers_ = 0;
  std::string sheet_;
  std::uint64_t row_ = 0, rows_ = 1, nextRow_ = 1, column_ = 0, columns_ = 1, nextColumn_ = 1;
  bool inCell_ = false;
};

// The manifest lists how each encrypted entry was encrypted.
class ManifestHandler : public XmlHandler {
 public:
  void Start(std::string_view name, std::string_view, const XmlAttributes&) override {
    if (name == "encryption-data") encrypted = true;
  }
  void End(std::string_view, std::string_view) override {}
  void Text(std::string_view) override {}
  bool encrypted = false;
};

}  // namespace

ConverterExit ReadOpenDocument(std::string_view document, const ReadBounds& bounds, LineOutput& out,
                                  std::string& problem) {
  Package package;
  ConverterExit status = package.Open(document, bounds, problem);
  if (status != ConverterExit::Converted) return status;
  if (package.Has("META-INF/manifest.xml")) {
    ManifestHandler manifest;
    if ((status = package.Parse("META-INF/manifest.xml", manifest, problem)) != ConverterExit::Converted)
      return status;
    if (manifest.encrypted) {
      problem = "the document is encrypted";
      return ConverterExit::Encrypted;
    }
  }
  OpenDocumentHandler content(out, false);
  if ((status = package.Parse("content.xml", content, problem)) != ConverterExit::Converted) return status;
  if (!package.Has("styles.xml")) return ConverterExit::Converted;
  OpenDocumentHandler styles(out, true);
  return package.Parse("styles.xml", styles, problem);
}

}  // namespace textifier
