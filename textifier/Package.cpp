#include "textifier/Package.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <zip.h>

#include <cstring>
#include <mutex>

#include "textifier/WordText.h"

namespace textifier {
namespace {

std::string_view View(const xmlChar* text) {
  return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

// No entity, DTD or schema is ever loaded from a file or the network, also
// not through a path the parser would take despite its options.
xmlParserInputPtr NoLoading(const char*, const char*, xmlParserCtxtPtr) { return nullptr; }

void InitXmlOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    xmlSetExternalEntityLoader(NoLoading);
  });
}

// A part in the streaming parser: the handler, and why the reading stopped
// when the document itself was at fault beyond not being well-formed.
struct ParseState {
  XmlHandler* handler = nullptr;
  xmlParserCtxtPtr context = nullptr;
  ConverterExit refused = ConverterExit::Converted;
  std::string problem;
};

ParseState& StateOf(void* data) { return *static_cast<ParseState*>(data); }

void Refuse(void* data, ConverterExit status, const char* problem) {
  ParseState& state = StateOf(data);
  if (state.refused != ConverterExit::Converted) return;
  state.refused = status;
  state.problem = problem;
  xmlStopParser(state.context);
}

void OnStart(void* data, const xmlChar* name, const xmlChar*, const xmlChar* ns, int, const xmlChar**, int count,
             int, const xmlChar** attributes) {
  StateOf(data).handler->Start(View(name), View(ns), XmlAttributes(attributes, count));
}

void OnEnd(void* data, const xmlChar* name, const xmlChar*, const xmlChar* ns) {
  StateOf(data).handler->End(View(name), View(ns));
}

void OnText(void* data, const xmlChar* text, int length) {
  StateOf(data).handler->Text(std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)));
}

// The document formats read here never carry a document type declaration;
// one that names an outside file, or declares entities, is an attack on the
// reader, and the part is refused before any of it is used.
void OnInternalSubset(void* data, const xmlChar*, const xmlChar* publicId, const xmlChar* systemId) {
  if (publicId || systemId) Refuse(data, ConverterExit::ExternalEntity, "the XML names an external DTD");
}

void OnEntityDeclaration(void* data, const xmlChar*, int type, const xmlChar*, const xmlChar*, xmlChar*) {
  if (type == XML_INTERNAL_GENERAL_ENTITY || type == XML_INTERNAL_PARAMETER_ENTITY)
    Refuse(data, ConverterExit::EntityExpansion, "the XML declares entities to expand");
  else
    Refuse(data, ConverterExit::ExternalEntity, "the XML declares an external entity");
}

void OnUnparsedEntity(void* data, const xmlChar*, const xmlChar*, const xmlChar*, const xmlChar*) {
  Refuse(data, ConverterExit::ExternalEntity, "the XML declares an external entity");
}

// Called at the end of every document type declaration.
void OnExternalSubset(void* data, const xmlChar*, const xmlChar*, const xmlChar*) {
  Refuse(data, ConverterExit::ExternalEntity, "the XML has a DTD");
}

void OnError(void* data, xmlError* error) {
  ParseState& state = StateOf(data);
  if (state.problem.empty() && error && error->message && error->level >= XML_ERR_ERROR) {
    state.problem = error->message;
    while (!state.problem.empty() && (state.problem.back() == '\n' || state.problem.back() == ' '))
      state.problem.pop_back();
  }
}

xmlSAXHandler MakeHandler() {
  xmlSAXHandler sax;
  std::memset(&sax, 0, sizeof sax);
  sax.initialized = XML_SAX2_MAGIC;
  sax.startElementNs = OnStart;
  sax.endElementNs = OnEnd;
  sax.characters = OnText;
  sax.cdataBlock = OnText;
  sax.internalSubset = OnInternalSubset;
  sax.externalSubset = OnExternalSubset;
  sax.entityDecl = OnEntityDeclaration;
  sax.unparsedEntityDecl = OnUnparsedEntity;
  sax.serror = OnError;
  return sax;
}

// Joins a relationship's target to the folder of the part that names it.
std::string Resolve(const std::string& source, const std::string& target) {
  std::string path;
  if (target.empty() || target[0] != '/') {
    const std::size_t slash = source.rfind('/');
    if (slash != std::string::npos) path = source.substr(0, slash + 1);
  }
  path += target;
  std::vector<std::string> segments;
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string segment = path.substr(start, end - start);
    if (segment == "..") {
      if (!segments.empty()) segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::string joined;
  for (const std::string& segment : segments) joined += (joined.empty() ? "" : "/") + segment;
  return joined;
}

// An Office Open XML package protected by a password is a compound file that
// holds it encrypted.
bool IsEncryptedPackage(std::string_view bytes) {
  GsfInput* input = gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.data()),
                                         static_cast<gsf_off_t>(bytes.size()), FALSE);
  GError* error = nullptr;
  GsfInfile* file = gsf_infile_msole_new(input, &error);
  g_object_unref(input);
  if (error) g_error_free(error);
  if (!file) return false;
  GsfInput* package = gsf_infile_child_by_name(file, "EncryptedPackage");
  if (package) g_object_unref(package);
  g_object_unref(file);
  return package != nullptr;
}

std::string RelationshipPart(const std::string& part) {
  const std::size_t slash = part.rfind('/');
  if (slash == std::string::npos) return "_rels/" + part + ".rels";
  return part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels";
}

class RelationshipHandler : public XmlHandler {
 public:
  RelationshipHandler(const std::string& source, std::vector<Relationship>& found) : source_(source), found_(found) {}
  void Start(std::string_view name, std::string_view, const XmlAttributes& attributes) override {
    if (name != "Relationship" || attributes.Value("TargetMode") == "External") return;
    std::string type = attributes.Value("Type");
    type.erase(0, type.rfind('/') + 1);
    found_.push_back({attributes.Value("Id"), type, Resolve(source_, attributes.Value("Target"))});
  }
  void End(std::string_view, std::string_view) override {}
  void Text(std::string_view) override {}

 private:
  const std::string& source_;
  std::vector<Relationship>& found_;
};

}  // namespace

std::string XmlAttributes::Value(std::string_view localName, std::string_view namespaceEnd) const {
  for (int i = 0; i < count_; ++i) {
    const unsigned char** a = raw_ + 5 * i;  // local name, prefix, namespace, value, value's end
    if (View(a[0]) != localName) continue;
    if (!namespaceEnd.empty() && !View(a[2]).ends_with(namespaceEnd)) continue;
    std::string value(reinterpret_cast<const char*>(a[3]), static_cast<std::size_t>(a[4] - a[3]));
    // Without entity substitution libxml2 keeps an escaped ampersand of an
    // attribute as this character reference.
    for (std::size_t at = value.find("&#38;"); at != std::string::npos; at = value.find("&#38;", at + 1))
      value.replace(at, 5, 1, '&');
    return value;
  }
  return {};
}

bool XmlAttributes::Has(std::string_view localName) const {
  for (int i = 0; i < count_; ++i)
    if (View(raw_[5 * i]) == localName) return true;
  return false;
}

struct Package::Archive {
  zip_t* zip = nullptr;
  ~Archive() {
    if (zip) zip_discard(zip);
  }
};

Package::Package() = default;
Package::~Package() = default;

ConverterExit Package::Open(std::string_view bytes, const ReadBounds& bounds, std::string& problem) {
  InitXmlOnce();
  bounds_ = bounds;
  if (IsCompoundFile(bytes)) {
    if (IsEncryptedPackage(bytes)) {
      problem = "the document is encrypted";
      return ConverterExit::Encrypted;
    }
    problem = "a compound file, no zip container";
    return ConverterExit::Damaged;
  }
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  zip_t* zip = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
  if (!zip) {
    if (source) zip_source_free(source);
    zip_error_fini(&error);
    problem = "no zip container, or one cut short";
    return ConverterExit::Damaged;
  }
  zip_error_fini(&error);
  archive_ = std::make_unique<Archive>();
  archive_->zip = zip;
  return ConverterExit::Converted;
}

bool Package::Has(const std::string& part) const {
  return !part.empty() && zip_name_locate(archive_->zip, part.c_str(), ZIP_FL_NOCASE) >= 0;
}

ConverterExit Package::Parse(const std::string& part, XmlHandler& handler, std::string& problem) {
  const zip_int64_t index = part.empty() ? -1 : zip_name_locate(archive_->zip, part.c_str(), ZIP_FL_NOCASE);
  zip_stat_t stat;
  if (index < 0 || zip_stat_index(archive_->zip, static_cast<zip_uint64_t>(index), 0, &stat) != 0) {
    problem = "the part " + part + " is missing";
    return ConverterExit::Damaged;
  }
  zip_file_t* file = zip_fopen_index(archive_->zip, static_cast<zip_uint64_t>(index), 0);
  if (!file) {
    const int code = zip_error_code_zip(zip_get_error(archive_->zip));
    if (code == ZIP_ER_NOPASSWD || code == ZIP_ER_WRONGPASSWD || code == ZIP_ER_ENCRNOTSUPP) {
      problem = "the part " + part + " is encrypted";
      return ConverterExit::Encrypted;
    }
    problem = "the part " + part + " cannot be read";
    return ConverterExit::Damaged;
  }
  const std::uint64_t compressed = (stat.valid & ZIP_STAT_COMP_SIZE) ? stat.comp_size : 0;

  const xmlSAXHandler sax = MakeHandler();
  ParseState state;
  state.handler = &handler;
  state.context = xmlCreatePushParserCtxt(const_cast<xmlSAXHandler*>(&sax), &state, nullptr, 0, part.c_str());
  if (!state.context) {
    zip_fclose(file);
    throw std::bad_alloc();
  }
  xmlCtxtUseOptions(state.context, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);

  ConverterExit status = ConverterExit::Converted;
  std::uint64_t read = 0;
  char buffer[1 << 16];
  for (;;) {
    const zip_int64_t got = zip_fread(file, buffer, sizeof buffer);
    if (got < 0) {
      status = ConverterExit::Damaged;
      problem = "the part " + part + " is damaged";
      break;
    }
    read += static_cast<std::uint64_t>(got);
    expanded_ += static_cast<std::uint64_t>(got);
    if (read > bounds_.partBytes || expanded_ > bounds_.documentBytes ||
        (read > bounds_.ratioFrom && read / bounds_.ratio > compressed)) {
      status = ConverterExit::TooLarge;
      problem = "the part " + part + " expands past the bound";
      break;
    }
    if (std::chrono::steady_clock::now() > bounds_.deadline) {
      status = ConverterExit::OutOfTime;
      problem = "the time ran out";
      break;
    }
    const int failed = xmlParseChunk(state.context, buffer, static_cast<int>(got), got == 0);
    if (state.refused != ConverterExit::Converted) {
      status = state.refused;
      problem = state.problem;
      break;
    }
    if (failed != 0 || (got == 0 && !state.context->wellFormed)) {
      status = ConverterExit::NotWellFormed;
      problem = part + ": " + (state.problem.empty() ? "not well-formed XML" : state.problem);
      break;
    }
    if (got == 0) break;
  }
  zip_fclose(file);
  // libxml2 keeps declarations it met in a document of its own, even when
  // the handler builds none; it is the caller's to free.
  if (state.context->myDoc) xmlFreeDoc(state.context->myDoc);
  xmlFreeParserCtxt(state.context);
  return status;
}

ConverterExit Package::Relationships(const std::string& part, std::vector<Relationship>& found,
                                        std::string& problem) {
  found.clear();
  const std::string relationships = RelationshipPart(part);
  if (!Has(relationships)) return ConverterExit::Converted;
  RelationshipHandler handler(part, found);
  return Parse(relationships, handler, problem);
}

ConverterExit Package::OpenMainPart(std::string_view bytes, const ReadBounds& bounds, std::string_view what,
                                   std::string& main, std::vector<Relationship>& relationships,
                                   std::string& problem) {
  std::vector<Relationship> root;
  ConverterExit status = Open(bytes, bounds, problem);
  if (status == ConverterExit::Converted) status = Relationships("", root, problem);
  if (status != ConverterExit::Converted) return status;
  main = Target(root, "officeDocument");
  if (main.empty()) {
    problem = "the package names no " + std::string(what);
    return ConverterExit::Damaged;
  }
  return Relationships(main, relationships, problem);
}

std::string Package::Target(const std::vector<Relationship>& relationships, std::string_view type) {
  for (const Relationship& r : relationships)
    if (r.type == type) return r.target;
  return {};
}

std::string Package::TargetById(const std::vector<Relationship>& relationships, std::string_view id) {
  for (const Relationship& r : relationships)
    if (r.id == id) return r.target;
  return {};
}

}  // namespace textifier
