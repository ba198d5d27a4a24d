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

void Collect(const pugi::xml_node& node, std::string& text) {
  for (const pugi::xml_node& child : node.children()) {
    const char* local = Local(child);
    if (std::strcmp(local, "t") == 0) {
      text += child.text().get();
    } else if (std::strcmp(local, "tab") == 0) {
      text += "    ";
    } else if (std::strcmp(local, "br") == 0 || std::strcmp(local, "cr") == 0) {
      text += ' ';
    } else if (std::strcmp(local, "del") != 0 && std::strcmp(local, "instrText") != 0) {
      Collect(child, text);
    }
  }
}

void Paragraphs(const pugi::xml_node& node, std::vector<std::string>& out, std::size_t limit) {
  for (const pugi::xml_node& child : node.children()) {
    if (out.size() >= limit) return;
    if (std::strcmp(Local(child), "p") == 0) {
      std::string text;
      Collect(child, text);
      out.push_back(std::move(text));
    } else {
      Paragraphs(child, out, limit);
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
  Paragraphs(doc.document_element(), out, limit);
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

std::vector<std::string> TemplateParagraphs(const std::string& path, std::size_t limit) {
  try {
    if (!engine::word::IsConvertedExtension(engine::word::ExtensionOf(path))) {
      return DocxParagraphs(path, limit);
    }
    return PackageParagraphs(
        engine::ZipReader::FromBytes(engine::word::ConvertToDocx(path), path), limit);
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace vexlo::ui
