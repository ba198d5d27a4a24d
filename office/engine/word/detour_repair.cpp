#include "office/engine/word/detour_repair.h"

#include <vector>

#include "app/runtime_error.h"
#include "office/engine/package/zip_reader.h"
#include "office/engine/package/zip_writer.h"

namespace vexlo::engine::word {
namespace {

constexpr std::string_view kMainPart = "word/document.xml";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Gives the first field of each table of contents the name TOC where it has another one.
bool NameTocFields(std::string& xml) {
  bool changed = false;
  for (std::size_t at = xml.find("<w:sdt>"); at != std::string::npos; at = xml.find("<w:sdt>", at + 1)) {
    const std::size_t content = xml.find("<w:sdtContent>", at);
    if (content == std::string::npos) break;
    if (xml.substr(at, content - at).find("w:docPartGallery w:val=\"Table of Contents\"") == std::string::npos) {
      continue;
    }
    const std::size_t end = xml.find("</w:sdtContent>", content);
    const std::size_t instr = xml.find("<w:instrText", content);
    if (instr == std::string::npos || instr > end) continue;
    const std::size_t open_end = xml.find('>', instr);
    if (open_end == std::string::npos || xml[open_end - 1] == '/') continue;
    const std::size_t close = xml.find("</w:instrText>", open_end);
    if (close == std::string::npos) continue;
    // The field's name: what stands before its first switch.
    std::size_t name = open_end + 1;
    while (name < close && IsSpace(xml[name])) ++name;
    std::size_t name_end = xml.find('\\', name);
    if (name_end == std::string::npos || name_end > close) name_end = close;
    while (name_end > name && IsSpace(xml[name_end - 1])) --name_end;
    std::string upper = xml.substr(name, name_end - name);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper.empty() || upper == "TOC") continue;
    xml.replace(name, name_end - name, "TOC");
    changed = true;
  }
  return changed;
}

// Whether [begin, end) holds only empty runs (their properties) and bookmarks: no text, no
// break, no tab, no field, no drawing.
bool OnlyEmptyRuns(std::string_view xml) {
  std::size_t at = 0;
  while (at < xml.size()) {
    if (IsSpace(xml[at])) {
      ++at;
      continue;
    }
    if (xml[at] != '<') return false;
    const std::size_t close = xml.find('>', at);
    if (close == std::string_view::npos) return false;
    const std::string_view tag = xml.substr(at, close + 1 - at);
    if (tag == "<w:rPr>") {
      const std::size_t end = xml.find("</w:rPr>", close);
      if (end == std::string_view::npos) return false;
      at = end + 8;
      continue;
    }
    const bool allowed = tag == "<w:r>" || tag == "</w:r>" || tag == "<w:r/>" || tag == "<w:rPr/>" ||
                         tag.starts_with("<w:bookmarkStart ") || tag.starts_with("<w:bookmarkEnd ");
    if (!allowed) return false;
    at = close + 1;
  }
  return true;
}

// Puts a plain empty paragraph before each empty paragraph that carries a section's properties.
bool KeepSectionEndParagraphs(std::string& xml) {
  bool changed = false;
  for (std::size_t at = xml.find("<w:p>"); at != std::string::npos; at = xml.find("<w:p>", at + 1)) {
    constexpr std::string_view kOpen = "<w:p><w:pPr>";
    if (xml.compare(at, kOpen.size(), kOpen) != 0) continue;
    const std::size_t ppr_end = xml.find("</w:pPr>", at);
    const std::size_t p_end = xml.find("</w:p>", at);
    if (ppr_end == std::string::npos || p_end == std::string::npos || p_end < ppr_end) continue;
    const std::size_t inner = at + kOpen.size();
    const std::string_view ppr = std::string_view(xml).substr(inner, ppr_end - inner);
    const std::size_t sect = ppr.find("<w:sectPr");
    if (sect == std::string_view::npos) continue;
    const std::size_t sect_close = ppr.find("</w:sectPr>", sect);
    if (sect_close == std::string_view::npos) continue;
    const std::size_t body = ppr_end + 8;
    if (!OnlyEmptyRuns(std::string_view(xml).substr(body, p_end - body))) continue;
    const std::string plain = std::string(kOpen) + std::string(ppr.substr(0, sect)) +
                              std::string(ppr.substr(sect_close + 11)) + "</w:pPr></w:p>";
    xml.insert(at, plain);
    at += plain.size();
    changed = true;
  }
  return changed;
}

}  // namespace

std::optional<std::string> RepairDetourXml(std::string_view xml) {
  std::string repaired(xml);
  const bool toc = NameTocFields(repaired);
  const bool sections = KeepSectionEndParagraphs(repaired);
  if (!toc && !sections) return std::nullopt;
  return repaired;
}

std::optional<std::string> RepairConvertedDocx(const std::string& docx) {
  try {
    std::unique_ptr<ZipReader> reader = ZipReader::FromBytes(docx, "converted.docx");
    std::vector<std::string> inflated;
    const std::vector<RawEntry> entries = ReadRawEntries(*reader, docx.size(), &inflated);
    ZipWriter writer;
    bool repaired = false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      std::optional<std::string> xml;
      if (entries[i].name == kMainPart) xml = RepairDetourXml(inflated[i]);
      if (xml) {
        writer.Add(entries[i].name, *xml);
        repaired = true;
      } else {
        writer.Add(entries[i]);
      }
    }
    if (!repaired) return std::nullopt;
    return writer.Finish();
  } catch (const app::RuntimeError&) {
    return std::nullopt;
  }
}

}  // namespace vexlo::engine::word
