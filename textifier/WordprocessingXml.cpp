// Word-processing documents of Office Open XML: the main part, then the
// headers and footers the sections name, the footnotes, endnotes and
// comments.
#include <algorithm>

#include "textifier/DocumentReader.h"
#include "textifier/Package.h"
#include "textifier/Paragraphs.h"

namespace textifier {
namespace {

enum class WordPart { Body, Header, Footer, Footnotes, Endnotes, Comments };

// Deleted and moved-away text of tracked changes, field instructions, the
// fallback copy of alternate content (a text box is there twice), tab stops
// and the history of properties hold nothing a reader sees.
bool Hidden(std::string_view name) {
  static constexpr std::string_view kHidden[] = {"del",      "moveFrom", "delText",   "delInstrText", "instrText",
                                                 "Fallback", "tabs",     "pPrChange", "rPrChange",    "sectPrChange"};
  return std::find(std::begin(kHidden), std::end(kHidden), name) != std::end(kHidden);
}

class WordHandler : public XmlHandler {
 public:
  WordHandler(LineOutput& out, WordPart part, int number) : paragraphs_(out), part_(part), number_(number) {}

  void Start(std::string_view name, std::string_view, const XmlAttributes& attributes) override {
    if (skip_.Start(Hidden(name))) return;
    if (name == "p") {
      paragraphs_.Begin(Locator());
    } else if (name == "t") {
      inText_ = true;
    } else if (name == "tab" || name == "ptab") {
      paragraphs_.Append("\t");
    } else if (name == "br" || name == "cr") {
      paragraphs_.Append("\n");
    } else if (name == "noBreakHyphen") {
      paragraphs_.Append("-");
    } else if (name == "txbxContent") {
      if (textBoxDepth_++ == 0) textBox_ = 0;
    } else if ((name == "footnote" && part_ == WordPart::Footnotes) ||
               (name == "endnote" && part_ == WordPart::Endnotes)) {
      // Separators between the text and its notes are no notes.
      const std::string type = attributes.Value("type");
      if (!type.empty() && type != "normal") skip_.Start(true);
      else ++number_;
    } else if (name == "comment" && part_ == WordPart::Comments) {
      ++number_;
    } else if (name == "headerReference" || name == "footerReference") {
      std::vector<std::string>& ids = name == "headerReference" ? headers : footers;
      const std::string id = RelationshipId(attributes);
      if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
    }
  }

  void End(std::string_view name, std::string_view) override {
    if (skip_.End()) return;
    if (name == "p") paragraphs_.End();
    else if (name == "t") inText_ = false;
    else if (name == "txbxContent" && textBoxDepth_ > 0) --textBoxDepth_;
  }

  void Text(std::string_view utf8) override {
    if (inText_ && !skip_.Active()) paragraphs_.Append(utf8);
  }

  // The header and footer parts the sections name, in the order they are
  // first named.
  std::vector<std::string> headers, footers;

 private:
  std::string Locator() {
    switch (part_) {
      case WordPart::Body:
        if (textBoxDepth_ > 0) {
          if (textBox_ == 0) textBox_ = ++textBoxes_;
          return "text box " + std::to_string(textBox_);
        }
        return "paragraph " + std::to_string(++bodyParagraphs_);
      case WordPart::Header: return "header " + std::to_string(number_);
      case WordPart::Footer: return "footer " + std::to_string(number_);
      case WordPart::Footnotes: return "footnote " + std::to_string(number_);
      case WordPart::Endnotes: return "endnote " + std::to_string(number_);
      case WordPart::Comments: return "comment " + std::to_string(number_);
    }
    return {};
  }

  ParagraphStack paragraphs_;
  Skip skip_;
  WordPart part_;
  int number_;
  bool inText_ = false;
  int textBoxDepth_ = 0, textBox_ = 0, textBoxes_ = 0, bodyParagraphs_ = 0;
};

}  // namespace

ConverterExit ReadWordprocessingXml(std::string_view document, const ReadBounds& bounds, LineOutput& out,
                                       std::string& problem) {
  Package package;
  std::string main;
  std::vector<Relationship> relationships;
  ConverterExit status = package.OpenMainPart(document, bounds, "document", main, relationships, problem);
  if (status != ConverterExit::Converted) return status;

  WordHandler body(out, WordPart::Body, 0);
  if ((status = package.Parse(main, body, problem)) != ConverterExit::Converted) return status;
  struct Also {
    WordPart part;
    std::vector<std::string> targets;
  };
  std::vector<Also> also = {{WordPart::Header, {}}, {WordPart::Footer, {}}};
  for (const std::string& id : body.headers) also[0].targets.push_back(Package::TargetById(relationships, id));
  for (const std::string& id : body.footers) also[1].targets.push_back(Package::TargetById(relationships, id));
  also.push_back({WordPart::Footnotes, {Package::Target(relationships, "footnotes")}});
  also.push_back({WordPart::Endnotes, {Package::Target(relationships, "endnotes")}});
  also.push_back({WordPart::Comments, {Package::Target(relationships, "comments")}});
  for (const Also& kind : also) {
    int number = 0;
    for (const std::string& target : kind.targets) {
      if (target.empty()) continue;
      const bool numbered = kind.part == WordPart::Header || kind.part == WordPart::Footer;
      WordHandler handler(out, kind.part, numbered ? ++number : 0);
      if ((status = package.Parse(target, handler, problem)) != ConverterExit::Converted) return status;
    }
  }
  return ConverterExit::Converted;
}

}  // namespace textifier
