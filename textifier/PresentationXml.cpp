// Presentations of Office Open XML: the slides in the presentation's order,
// each slide's paragraphs (shapes, text boxes, tables), then its notes.
#include "textifier/DocumentReader.h"
#include "textifier/Package.h"
#include "textifier/Paragraphs.h"

namespace textifier {
namespace {

class SlideListHandler : public XmlHandler {
 public:
  void Start(std::string_view name, std::string_view, const XmlAttributes& attributes) override {
    if (name == "sldId") slides.push_back(RelationshipId(attributes));
  }
  void End(std::string_view, std::string_view) override {}
  void Text(std::string_view) override {}
  std::vector<std::string> slides;
};

class SlideHandler : public XmlHandler {
 public:
  SlideHandler(LineOutput& out, std::string locator) : paragraphs_(out), locator_(std::move(locator)) {}

  void Start(std::string_view name, std::string_view, const XmlAttributes&) override {
    if (skip_.Start(name == "Fallback")) return;
    if (name == "p") paragraphs_.Begin(locator_);
    else if (name == "t") inText_ = true;
    else if (name == "br") paragraphs_.Append("\n");
  }
  void End(std::string_view name, std::string_view) override {
    if (skip_.End()) return;
    if (name == "p") paragraphs_.End();
    else if (name == "t") inText_ = false;
  }
  void Text(std::string_view utf8) override {
    if (inText_ && !skip_.Active()) paragraphs_.Append(utf8);
  }

 private:
  ParagraphStack paragraphs_;
  Skip skip_;
  std::string locator_;
  bool inText_ = false;
};

}  // namespace

ConverterExit ReadPresentationXml(std::string_view document, const ReadBounds& bounds, LineOutput& out,
                                     std::string& problem) {
  Package package;
  std::string main;
  std::vector<Relationship> relationships;
  ConverterExit status = package.OpenMainPart(document, bounds, "presentation", main, relationships, problem);
  if (status != ConverterExit::Converted) return status;
  SlideListHandler list;
  if ((status = package.Parse(main, list, problem)) != ConverterExit::Converted) return status;

  int number = 0;
  for (const std::string& id : list.slides) {
    const std::string slide = "slide " + std::to_string(++number);
    const std::string part = Package::TargetById(relationships, id);
    if (part.empty()) continue;
    std::vector<Relationship> slideRelationships;
    if ((status = package.Relationships(part, slideRelationships, problem)) != ConverterExit::Converted)
      return status;
    SlideHandler text(out, slide);
    if ((status = package.Parse(part, text, problem)) != ConverterExit::Converted) return status;
    if (const std::string notes = Package::Target(slideRelationships, "notesSlide"); !notes.empty()) {
      SlideHandler notesText(out, slide + " notes");
      if ((status = package.Parse(notes, notesText, problem)) != ConverterExit::Converted) return status;
    }
  }
  return ConverterExit::Converted;
}

}  // namespace textifier
