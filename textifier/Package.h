// A zip container of XML parts (Office Open XML, OpenDocument), read within
// the bounds, each part streamed through libxml2 with no DTD, no entity and
// no network: the readers only map elements to lines.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "textifier/DocumentReader.h"

namespace textifier {

// An element's attributes as libxml2 hands them over.
class XmlAttributes {
 public:
  XmlAttributes(const unsigned char** raw, int count) : raw_(raw), count_(count) {}
  // The value of the attribute with that local name, in any namespace, or in
  // one whose name ends with namespaceEnd; "" when there is none.
  std::string Value(std::string_view localName, std::string_view namespaceEnd = {}) const;
  bool Has(std::string_view localName) const;

 private:
  const unsigned char** raw_;
  int count_;
};

// Receives a part's elements and text. Names are local names and namespace
// names; text is UTF-8 in pieces.
class XmlHandler {
 public:
  virtual ~XmlHandler() = default;
  virtual void Start(std::string_view name, std::string_view ns, const XmlAttributes& attributes) = 0;
  virtual void End(std::string_view name, std::string_view ns) = 0;
  virtual void Text(std::string_view utf8) = 0;
};

struct Relationship {
  std::string id;
  std::string type;    // the last segment of the type's URI ("header", "officeDocument")
  std::string target;  // the part it names, from the package's root
};

class Package {
 public:
  Package();
  ~Package();
  Package(const Package&) = delete;
  Package& operator=(const Package&) = delete;

  // Opens the container; bytes must outlive the package.
  ConverterExit Open(std::string_view bytes, const ReadBounds& bounds, std::string& problem);
  bool Has(const std::string& part) const;
  // Streams the part through handler.
  ConverterExit Parse(const std::string& part, XmlHandler& handler, std::string& problem);
  // The relationships of a part ("" for the package's own), in file order;
  // an absent relationship part has none. External targets are left out.
  ConverterExit Relationships(const std::string& part, std::vector<Relationship>& found, std::string& problem);
  // The first target of that type, or "".
  static std::string Target(const std::vector<Relationship>& relationships, std::string_view type);
  // Opens an Office Open XML package and finds its main part (what names
  // the part for the problem when there is none) and that part's
  // relationships.
  ConverterExit OpenMainPart(std::string_view bytes, const ReadBounds& bounds, std::string_view what,
                             std::string& main, std::vector<Relationship>& relationships, std::string& problem);
  static std::string TargetById(const std::vector<Relationship>& relationships, std::string_view id);

 private:
  struct Archive;
  std::unique_ptr<Archive> archive_;
  ReadBounds bounds_;
  std::uint64_t expanded_ = 0;
};

// The relationship attribute (r:id) of OOXML elements, in the transitional
// and the strict namespace alike.
inline std::string RelationshipId(const XmlAttributes& attributes) { return attributes.Value("id", "relationships"); }

}  // namespace textifier
