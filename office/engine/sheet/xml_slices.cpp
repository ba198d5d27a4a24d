#include "office/engine/sheet/xml_slices.h"

#include <algorithm>

namespace vexlo::engine::sheet {
namespace {

// Slices are about this many bytes. The fuzz build makes them tiny, so that slicing and its
// fallback are exercised on small inputs.
#ifndef VEXLO_XLSX_SLICE_BYTES
#define VEXLO_XLSX_SLICE_BYTES (256 << 10)
#endif
constexpr size_t kSliceBytes = VEXLO_XLSX_SLICE_BYTES;

}  // namespace

bool ForEachXmlSlice(std::string_view xml, std::string_view container, std::string_view item,
                     const std::function<void(const pugi::xml_node&)>& read) {
  const size_t open = FindXmlTag(xml, 0, container, false);
  if (open == std::string_view::npos) return false;
  const size_t open_end = xml.find('>', open);
  if (open_end == std::string_view::npos) return false;
  if (xml[open_end - 1] == '/') return true;  // <sheetData/>: nothing inside
  const size_t close = FindXmlTag(xml, open_end, container, true);
  if (close == std::string_view::npos) return false;
  // Each search for a cut starts past the last cut, so the part is scanned once.
  for (size_t pos = open_end + 1; pos < close;) {
    size_t cut = close;
    if (close - pos > kSliceBytes) {
      const size_t item_end = FindXmlTag(xml, pos + kSliceBytes, item, true);
      if (item_end != std::string_view::npos && item_end < close) {
        cut = std::min(close, xml.find('>', item_end) + 1);
      }
    }
    pugi::xml_document doc;
    if (!doc.load_buffer(xml.data() + pos, cut - pos, kXmlSliceParseOptions | pugi::parse_fragment,
                         pugi::encoding_utf8)) {
      return false;
    }
    read(doc);
    pos = cut;
  }
  return true;
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
