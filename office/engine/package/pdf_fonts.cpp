#include "office/engine/package/pdf_fonts.h"

#include "office/engine/package/pdf_shown_codes.h"
#include "office/engine/package/pdf_unicode_map.h"
#include "office/engine/package/truetype_font.h"
#include "office/engine/package/type1_font.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <vector>

namespace vexlo::engine {

namespace {

using Fonts = std::map<QPDFObjGen, QPDFObjectHandle>;

// Every font in `resources` (and in those of the forms it holds) that text is set in, by object;
// the others go from the resources. Empty when done, otherwise why the fonts cannot be told apart.
std::string CollectFonts(QPDFObjectHandle resources, const std::set<QPDFObjGen>& selected, Fonts& fonts,
                         std::set<QPDFObjGen>& visited) {
  if (!resources.isDictionary()) return "";
  if (QPDFObjectHandle dict = resources.getKey("/Font"); dict.isDictionary()) {
    std::vector<std::string> unused;
    for (auto& [name, font] : dict.ditems()) {
      if (!font.isIndirect()) return "PDF中的字体无法精简";
      if (selected.contains(font.getObjGen())) fonts[font.getObjGen()] = font;
      else unused.push_back(name);
    }
    for (const std::string& name : unused) dict.removeKey(name);
  }
  if (QPDFObjectHandle xobjects = resources.getKey("/XObject"); xobjects.isDictionary()) {
    for (auto& [name, x] : xobjects.ditems()) {
      if (!x.isStream() || !visited.insert(x.getObjGen()).second) continue;
      if (std::string error = CollectFonts(x.getDict().getKey("/Resources"), selected, fonts, visited);
          !error.empty()) {
        return error;
      }
    }
  }
  return "";
}

std::string StreamBytes(QPDFObjectHandle stream) {
  std::shared_ptr<Buffer> data = stream.getStreamData(qpdf_dl_generalized);
  return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
}

QPDFObjectHandle Integer(std::size_t value) { return QPDFObjectHandle::newInteger(static_cast<long long>(value)); }

// The code range runs from the first code shown to the last, with the widths of codes not shown
// nothing; a font that shows nothing keeps code 0 alone. Empty when done.
std::string TrimWidths(QPDFObjectHandle font, const std::bitset<256>& used) {
  QPDFObjectHandle widths = font.getKey("/Widths");
  if (!widths.isArray()) return "";
  if (!font.getKey("/FirstChar").isInteger()) return "PDF中的字体无法精简";
  const long long first = font.getKey("/FirstChar").getIntValue();
  int lo = 0, hi = 0;
  for (int c = 255; c >= 0; --c) lo = used.test(static_cast<std::size_t>(c)) ? c : lo;
  for (int c = 0; c < 256; ++c) hi = used.test(static_cast<std::size_t>(c)) ? c : hi;
  QPDFObjectHandle kept = QPDFObjectHandle::newArray();
  for (int c = lo; c <= hi; ++c) {
    if (!used.test(static_cast<std::size_t>(c))) {
      kept.appendItem(QPDFObjectHandle::newInteger(0));
      continue;
    }
    // A shown code outside the widths takes the descriptor's width, which the range would change.
    if (c < first || c - first >= widths.getArrayNItems()) return "PDF中的字体无法精简";
    kept.appendItem(widths.getArrayItem(static_cast<int>(c - first)));
  }
  font.replaceKey("/FirstChar", QPDFObjectHandle::newInteger(lo));
  font.replaceKey("/LastChar", QPDFObjectHandle::newInteger(hi));
  font.replaceKey("/Widths", kept);
  return "";
}

// An encoding's differences name only the glyphs of codes shown.
void TrimDifferences(QPDFObjectHandle font, const std::bitset<256>& used) {
  QPDFObjectHandle encoding = font.getKey("/Encoding");
  if (!encoding.isDictionary() || !encoding.getKey("/Differences").isArray()) return;
  QPDFObjectHandle kept = QPDFObjectHandle::newArray();
  long long code = 0;
  for (QPDFObjectHandle item : encoding.getKey("/Differences").aitems()) {
    if (item.isInteger()) {
      code = item.getIntValue();
    } else if (item.isName()) {
      if (code >= 0 && code < 256 && used.test(static_cast<std::size_t>(code))) {
        kept.appendItem(QPDFObjectHandle::newInteger(code));
        kept.appendItem(item);
      }
      ++code;
    }
  }
  encoding.replaceKey("/Differences", kept);
}

std::string TrimUnicodeMap(QPDF& pdf, QPDFObjectHandle font, const std::bitset<256>& used) {
  QPDFObjectHandle to_unicode = font.getKey("/ToUnicode");
  if (!to_unicode.isStream()) return font.hasKey("/ToUnicode") ? "PDF中的字符映射无法读取" : "";
  std::optional<UnicodeMap> map = ReadUnicodeMap(StreamBytes(to_unicode));
  if (!map) return "PDF中的字符映射无法读取";
  std::erase_if(*map, [&](const auto& entry) { return entry.first > 255 || !used.test(entry.first); });
  font.replaceKey("/ToUnicode", pdf.newStream(WriteUnicodeMap(*map)));
  return "";
}

// The embedded program keeps the glyphs of the codes shown. Empty when done.
std::string TrimProgram(QPDF& pdf, QPDFObjectHandle descriptor, const std::bitset<256>& used) {
  if (!descriptor.isDictionary()) return "";  // not embedded
  if (descriptor.hasKey("/FontFile3")) return "PDF中的字体无法精简";
  // The names of the glyphs of the whole subset.
  descriptor.removeKey("/CharSet");
  if (QPDFObjectHandle file = descriptor.getKey("/FontFile2"); file.isStream()) {
    const std::optional<std::string> trimmed = TrimTrueType(StreamBytes(file), used);
    if (!trimmed) return "PDF中的字体无法读取";
    QPDFObjectHandle fresh = pdf.newStream(*trimmed);
    fresh.getDict().replaceKey("/Length1", Integer(trimmed->size()));
    descriptor.replaceKey("/FontFile2", fresh);
    return "";
  }
  QPDFObjectHandle file = descriptor.getKey("/FontFile");
  if (!file.isStream()) return descriptor.hasKey("/FontFile") ? "PDF中的字体无法读取" : "";
  QPDFObjectHandle dict = file.getDict();
  if (!dict.getKey("/Length1").isInteger() || !dict.getKey("/Length2").isInteger() ||
      dict.getKey("/Length1").getIntValue() < 0 || dict.getKey("/Length2").getIntValue() < 0) {
    return "PDF中的字体无法读取";
  }
  const Type1Lengths lengths{static_cast<std::size_t>(dict.getKey("/Length1").getIntValue()),
                             static_cast<std::size_t>(dict.getKey("/Length2").getIntValue())};
  Type1Lengths kept;
  const std::optional<std::string> trimmed = TrimType1(StreamBytes(file), lengths, used, &kept);
  if (!trimmed) return "PDF中的字体无法读取";
  QPDFObjectHandle fresh = pdf.newStream(*trimmed);
  fresh.getDict().replaceKey("/Length1", Integer(kept.clear));
  fresh.getDict().replaceKey("/Length2", Integer(kept.encrypted));
  fresh.getDict().replaceKey("/Length3", Integer(trimmed->size() - kept.clear - kept.encrypted));
  descriptor.replaceKey("/FontFile", fresh);
  return "";
}

// Trims one simple font to `used`; empty when done.
std::string TrimFont(QPDF& pdf, QPDFObjectHandle font, const std::bitset<256>& used) {
  const std::string subtype = font.getKey("/Subtype").isName() ? font.getKey("/Subtype").getName() : "";
  if (subtype != "/Type1" && subtype != "/TrueType") return "PDF中含有 " + subtype + " 字体";
  TrimDifferences(font, used);
  for (const std::string& error : {TrimWidths(font, used), TrimUnicodeMap(pdf, font, used),
                                   TrimProgram(pdf, font.getKey("/FontDescriptor"), used)}) {
    if (!error.empty()) return error;
  }
  return "";
}

}  // namespace

std::string TrimFontsToPages(QPDF& pdf) {
  const ShownCodes shown = ReadShownCodes(pdf);
  if (!shown.error.empty()) return shown.error;
  Fonts fonts;
  std::set<QPDFObjGen> visited;
  for (QPDFPageObjectHelper page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    const std::string error = CollectFonts(page.getAttribute("/Resources", false), shown.selected, fonts, visited);
    if (!error.empty()) return error;
  }
  for (auto& [id, font] : fonts) {
    const auto codes = shown.codes.find(id);
    const std::string error = TrimFont(pdf, font, codes == shown.codes.end() ? std::bitset<256>() : codes->second);
    if (!error.empty()) return error;
  }
  return "";
}

}  // namespace vexlo::engine
