// PDF through poppler: each page's text in reading order, as pdftotext gives
// it, line by line.
#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>

#include <climits>
#include <memory>

#include "textifier/DocumentReader.h"

namespace textifier {
namespace {

// poppler reports each fault of a damaged file; the status says enough.
void Quiet(const std::string&, void*) {}

}  // namespace

ConverterExit ReadPdf(std::string_view document, const ReadBounds& bounds, LineOutput& out, std::string& problem) {
  poppler::set_debug_error_function(Quiet, nullptr);
  if (document.size() > INT_MAX) {
    problem = "the document is too large";
    return ConverterExit::TooLarge;
  }
  const std::unique_ptr<poppler::document> pdf(
      poppler::document::load_from_raw_data(document.data(), static_cast<int>(document.size())));
  if (!pdf) {
    problem = "no readable PDF";
    return ConverterExit::Damaged;
  }
  if (pdf->is_locked()) {
    problem = "the document needs a password";
    return ConverterExit::Encrypted;
  }
  const int pages = pdf->pages();
  for (int i = 0; i < pages; ++i) {
    if (std::chrono::steady_clock::now() > bounds.deadline) {
      problem = "the time ran out after " + std::to_string(i) + " of " + std::to_string(pages) + " pages";
      return ConverterExit::OutOfTime;
    }
    const std::unique_ptr<poppler::page> page(pdf->create_page(i));
    if (!page) continue;
    const poppler::byte_array utf8 =
        page->text(poppler::rectf(), poppler::page::non_raw_non_physical_layout).to_utf8();
    std::string_view text(utf8.data(), utf8.size());
    // Each page's text ends with a blank line and a form feed.
    while (!text.empty() && (text.back() == '\f' || text.back() == '\n')) text.remove_suffix(1);
    const std::string locator = "page " + std::to_string(i + 1);
    while (!text.empty()) {
      const std::size_t end = text.find('\n');
      out.Line(text.substr(0, end), locator);
      if (end == std::string_view::npos) break;
      text.remove_prefix(end + 1);
    }
  }
  return ConverterExit::Converted;
}

}  // namespace textifier
