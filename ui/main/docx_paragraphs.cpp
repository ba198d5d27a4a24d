#include "ui/main/docx_paragraphs.h"

#include <pugixml.hpp>

#include <cstring>
#include <exception>

#include "office/engine/package/zip_reader.h"
#include "office/engine/word/doc_conversion.h"

namespace vexlo::ui {
namespace {

// The local part of a qualified name ("w:t" -> "t").
const char* Local(const pugi::xml_node& node) {
  const char* name = node.name();
  const char* colon = std::strchr(name, ':');
  return colon != nullptr ? colon + 1 : name;
}

// Where the first page ends, as far as the text says: a page break or Word's mark of one.
bool EndsPage(const pugi::xml_node& node) {
  const char* local = Local(node);
  if (std::strcmp(local, "lastRenderedPageBreak") == 0) return true;
  return std::strcmp(local, "br") == 0 &&
         std::strcmp(node.attribute("w:type").as_string(), "page") == 0;
}

// The text of `node`, stopping at the page's end (then `page_ended` is set).
void Collect(const pugi::xml_node& node, std::string& text, bool& page_ended) {
  for (const pugi::xml_node& child : node.children()) {
    if (page_ended) return;
    const char* local = Local(child);
    if (EndsPage(child)) {
      page_ended = true;
    } else if (std::strcmp(local, "t") == 0) {
      text += child.text().get();
    } else if (std::strcmp(local, "tab") == 0) {
      text += "    ";
    } else if (std::strcmp(local, "br") == 0 || std::strcmp(local, "cr") == 0) {
      text += ' ';
    } else if (std::strcmp(local, "del") != 0 && std::strcmp(local, "instrText") != 0) {
      Collect(child, text, page_ended);
    }
  }
}

// A row's cells, each cell's paragraphs (and tables within it) run together.
std::string RowText(const pugi::xml_node& row) {
  std::string text;
  for (const pugi::xml_node& cell : row.children()) {
    if (std::strcmp(Local(cell), "tc") != 0) continue;
    text += kCellSeparator;
    bool ignored = false;  // a page break inside a table does not end our page
    std::string cell_text;
    for (const pugi::xml_node& paragraph : cell.children()) {
      if (std::strcmp(Local(paragraph), "tcPr") == 0) continue;
      if (!cell_text.empty()) cell_text += ' ';
      Collect(paragraph, cell_text, ignored);
    }
    text += cell_text;
  }
  return text;
}

// A section break that starts a new page ends the page after its paragraph.
bool StartsNewPageAfter(const pugi::xml_node& paragraph) {
  const pugi::xml_node section = paragraph.child("w:pPr").child("w:sectPr");
  if (!section) return false;
  const char* type = section.child("w:type").attribute("w:val").as_string();
  return std::strcmp(type, "continuous") != 0;
}

void Paragraphs(const pugi::xml_node& node, std::vector<std::string>& out, std::size_t limit,
                bool& page_ended) {
  for (const pugi::xml_node& child : node.children()) {
    if (out.size() >= limit || page_ended) return;
    const char* local = Local(child);
    if (std::strcmp(local, "p") == 0) {
      if (!out.empty() && child.child("w:pPr").child("w:pageBreakBefore")) return;
      std::string text;
      Collect(child, text, page_ended);
      if (!(page_ended && text.empty())) out.push_back(std::move(text));
      if (StartsNewPageAfter(child)) page_ended = true;
    } else if (std::strcmp(local, "tbl") == 0) {
      for (const pugi::xml_node& row : child.children()) {
        if (out.size() >= limit) return;
        if (std::strcmp(Local(row), "tr") == 0) out.push_back(RowText(row));
      }
    } else {
      Paragraphs(child, out, limit, page_ended);
    }
  }
}

std::vector<std::string> PackageParagraphs(std::unique_ptr<engine::ZipReader> package,
                                           std::size_t limit) {
  std::vector<std::string> out;
  const std::optional<std::string> xml = package->Read("word/document.xml");
  if (!xml) return out;
  pugi::xml_document doc;
  if (!doc.load_buffer(xml->data(), xml->size())) return out;
  bool page_ended = false;
  Paragraphs(doc.document_element(), out, limit, page_ended);
  return out;
}

}  // namespace

std::vector<std::string> DocxParagraphs(const std::string& path, std::size_t limit) {
  try {
    if (engine::word::ExtensionOf(path) != ".docx") return {};
    return PackageParagraphs(engine::ZipReader::Open(path), limit);
  } catch (const std::exception&) {
    return {};  // not a package, or a file still being written: no text
  }
}

std::vector<std::string> TemplateParagraphs(engine::word::DocConversions& conversions,
                                            const std::string& path, std::size_t limit) {
  try {
    if (!engine::word::IsConvertedExtension(engine::word::ExtensionOf(path))) {
      return DocxParagraphs(path, limit);
    }
    return PackageParagraphs(
        engine::ZipReader::FromBytes(conversions.ConvertToDocx(path), path), limit);
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace vexlo::ui
