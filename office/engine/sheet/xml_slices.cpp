#include "office/engine/sheet/xml_slices.h"

#include <algorithm>
#include <optional>

namespace vexlo::engine::sheet {
namespace {

// Slices are about this many bytes. The fuzz build makes them tiny, so that slicing and its
// fallback are exercised on small inputs.
#ifndef VEXLO_XLSX_SLICE_BYTES
#define VEXLO_XLSX_SLICE_BYTES (256 << 10)
#endif
constexpr size_t kSliceBytes = VEXLO_XLSX_SLICE_BYTES;

bool IsNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-' || c == '.' || c == ':' || static_cast<unsigned char>(c) >= 0x80;
}

// The local name of the tag whose name starts at `at` ("x:row" -> "row").
std::string_view LocalNameAt(std::string_view xml, size_t at) {
  size_t end = at;
  while (end < xml.size() && IsNameChar(xml[end])) ++end;
  std::string_view name = xml.substr(at, end - at);
  const size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// Where a slice that starts at `pos` ends: after the first end tag of an item at least
// kSliceBytes on, or at the container's end tag (`last`).
struct Cut {
  size_t at;
  bool last;
};

// Walks the markup from `pos` (a place between tags), passing over comments, CDATA sections and
// processing instructions, whose text may look like tags. nullopt when the XML ends first.
std::optional<Cut> NextCut(std::string_view xml, size_t pos, std::string_view container,
                           std::string_view item) {
  auto past = [&](size_t from, std::string_view end) -> size_t {
    const size_t found = xml.find(end, from);
    return found == std::string_view::npos ? xml.size() : found + end.size() - 1;
  };
  for (size_t lt = xml.find('<', pos); lt != std::string_view::npos; lt = xml.find('<', lt + 1)) {
    if (xml.compare(lt, 4, "<!--") == 0) {
      lt = past(lt + 4, "-->");
    } else if (xml.compare(lt, 9, "<![CDATA[") == 0) {
      lt = past(lt + 9, "]]>");
    } else if (xml.compare(lt, 2, "<?") == 0) {
      lt = past(lt + 2, "?>");
    } else if (xml.compare(lt, 2, "</") == 0) {
      const std::string_view name = LocalNameAt(xml, lt + 2);
      if (name == container) return Cut{lt, true};
      if (name == item && lt >= pos + kSliceBytes) {
        const size_t gt = xml.find('>', lt);
        if (gt == std::string_view::npos) return std::nullopt;
        return Cut{gt + 1, false};
      }
    }
  }
  return std::nullopt;
}

}  // namespace

bool ForEachXmlSlice(std::string_view xml, std::string_view container, std::string_view item,
                     const std::function<void(const pugi::xml_node&)>& read) {
  const size_t open = FindXmlTag(xml, 0, container, false);
  if (open == std::string_view::npos) return false;
  const size_t open_end = xml.find('>', open);
  if (open_end == std::string_view::npos) return false;
  if (xml[open_end - 1] == '/') return true;  // <sheetData/>: nothing inside
  // Each cut is looked for from the last one on, so the part is scanned once.
  for (size_t pos = open_end + 1;;) {
    const std::optional<Cut> cut = NextCut(xml, pos, container, item);
    if (!cut) return false;
    pugi::xml_document doc;
    if (!doc.load_buffer(xml.data() + pos, cut->at - pos,
                         kXmlSliceParseOptions | pugi::parse_fragment, pugi::encoding_utf8)) {
      return false;
    }
    read(doc);
    if (cut->last) return true;
    pos = cut->at;
  }
}

size_t FindXmlTag(std::string_view xml, size_t from, std::string_view local, bool closing) {
  auto name_char = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           c == '_' || c == '-' || c == '.';
  };
  for (size_t at = xml.find(local, from); at != std::string_view::npos;
       at = xml.find(local, at + 1)) {
    size_t lt = at;
    if (lt > 0 && xml[lt - 1] == ':') {
      --lt;
      while (lt > 0 && name_char(xml[lt - 1])) --lt;
    }
    if (closing) {
      if (lt < 2 || xml[lt - 1] != '/' || xml[lt - 2] != '<') continue;
      lt -= 2;
    } else {
      if (lt < 1 || xml[lt - 1] != '<') continue;
      lt -= 1;
    }
    const size_t after = at + local.size();
    if (after >= xml.size()) continue;
    const char c = xml[after];
    if (c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\r' || c == '\n') return lt;
  }
  return std::string_view::npos;
}

}  // namespace vexlo::engine::sheet
