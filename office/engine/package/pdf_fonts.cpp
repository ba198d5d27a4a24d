#include "office/engine/package/pdf_fonts.h"

#include "office/engine/package/pdf_code_numbering.h"
#include "office/engine/package/pdf_flate.h"
#include "office/engine/package/pdf_shown_codes.h"
#include "office/engine/package/pdf_unicode_map.h"
#include "office/engine/package/truetype_font.h"
#include "office/engine/package/type1_font.h"

#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace vexlo::engine {

// Each by the key of its stream (StreamKey); nullopt: could not be read.
struct FontSources::Store {
  std::unordered_map<std::string, std::optional<Type1Program>> type1;
  std::unordered_map<std::string, std::string> decoded;
  std::unordered_map<std::string, std::optional<UnicodeMap>> maps;
};

FontSources::FontSources() : store_(std::make_unique<Store>()) {}
FontSources::~FontSources() = default;

namespace {

using Store = FontSources::Store;

using Fonts = std::map<QPDFObjGen, QPDFObjectHandle>;

// Every font in `resources` (and in those of the forms it holds) that text is set in, by object;
// the others go from the resources. Ok when done, otherwise why the fonts cannot be told apart.
Status CollectFonts(QPDFObjectHandle resources, const std::set<QPDFObjGen>& selected, Fonts& fonts,
                    std::set<QPDFObjGen>& visited) {
  if (!resources.isDictionary()) return Status::Ok();
  if (QPDFObjectHandle dict = resources.getKey("/Font"); dict.isDictionary()) {
    std::vector<std::string> unused;
    for (auto& [name, font] : dict.ditems()) {
      if (!font.isIndirect()) return Status::Refused("PDF中的字体无法精简");
      if (selected.contains(font.getObjGen())) fonts[font.getObjGen()] = font;
      else unused.push_back(name);
    }
    for (const std::string& name : unused) dict.removeKey(name);
  }
  if (QPDFObjectHandle xobjects = resources.getKey("/XObject"); xobjects.isDictionary()) {
    for (auto& [name, x] : xobjects.ditems()) {
      if (!x.isStream() || !visited.insert(x.getObjGen()).second) continue;
      if (Status collected = CollectFonts(x.getDict().getKey("/Resources"), selected, fonts, visited);
          !collected.ok()) {
        return collected;
      }
    }
  }
  return Status::Ok();
}

std::string StreamBytes(QPDFObjectHandle stream) {
  std::shared_ptr<Buffer> data = stream.getStreamData(qpdf_dl_generalized);
  return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
}

// What tells a stream's data from any other's: its bytes as stored and the filters they pass.
std::string StreamKey(QPDFObjectHandle stream) {
  QPDFObjectHandle dict = stream.getDict();
  std::shared_ptr<Buffer> raw = stream.getRawStreamData();
  return dict.getKey("/Filter").unparseResolved() + " " + dict.getKey("/DecodeParms").unparseResolved() + "\n" +
         std::string(reinterpret_cast<const char*>(raw->getBuffer()), raw->getSize());
}

// The decoded bytes of `stream`, read once.
const std::string& Decoded(Store& store, QPDFObjectHandle stream) {
  auto [it, added] = store.decoded.try_emplace(StreamKey(stream));
  if (added) it->second = StreamBytes(stream);
  return it->second;
}

QPDFObjectHandle Integer(std::size_t value) { return QPDFObjectHandle::newInteger(static_cast<long long>(value)); }

// The code range runs from the first code shown to the last, each width at the code's new
// place, the codes not shown without width; a font that shows nothing keeps code 0 alone.
Status TrimWidths(QPDFObjectHandle font, const FontCodes& codes) {
  QPDFObjectHandle widths = font.getKey("/Widths");
  if (!widths.isArray()) return Status::Ok();
  if (!font.getKey("/FirstChar").isInteger()) return Status::Refused("PDF中的字体无法精简");
  const long long first = font.getKey("/FirstChar").getIntValue();
  int lo = 256, hi = 0;
  for (int code : codes) {
    if (code >= 0) lo = std::min(lo, code), hi = std::max(hi, code);
  }
  lo = std::min(lo, hi);
  std::vector<QPDFObjectHandle> kept(static_cast<std::size_t>(hi - lo + 1), QPDFObjectHandle::newInteger(0));
  for (int c = 0; c < 256; ++c) {
    if (codes[c] < 0) continue;
    // A shown code outside the widths takes the descriptor's width, which the range would change.
    if (c < first || c - first >= widths.getArrayNItems()) return Status::Refused("PDF中的字体无法精简");
    kept[static_cast<std::size_t>(codes[c] - lo)] = widths.getArrayItem(static_cast<int>(c - first));
  }
  font.replaceKey("/FirstChar", QPDFObjectHandle::newInteger(lo));
  font.replaceKey("/LastChar", QPDFObjectHandle::newInteger(hi));
  font.replaceKey("/Widths", QPDFObjectHandle::newArray(kept));
  return Status::Ok();
}

// An encoding's differences name only the glyphs of codes shown, under their new codes.
void TrimDifferences(QPDFObjectHandle font, const FontCodes& codes) {
  QPDFObjectHandle encoding = font.getKey("/Encoding");
  if (!encoding.isDictionary() || !encoding.getKey("/Differences").isArray()) return;
  std::map<int, QPDFObjectHandle> names;
  long long code = 0;
  for (QPDFObjectHandle item : encoding.getKey("/Differences").aitems()) {
    if (item.isInteger()) {
      code = item.getIntValue();
    } else if (item.isName()) {
      if (code >= 0 && code < 256 && codes[static_cast<std::size_t>(code)] >= 0) {
        names[codes[static_cast<std::size_t>(code)]] = item;
      }
      ++code;
    }
  }
  QPDFObjectHandle kept = QPDFObjectHandle::newArray();
  for (const auto& [new_code, name] : names) {
    kept.appendItem(QPDFObjectHandle::newInteger(new_code));
    kept.appendItem(name);
  }
  encoding.replaceKey("/Differences", kept);
}

Status TrimUnicodeMap(QPDF& pdf, QPDFObjectHandle font, const FontCodes& codes, Store& store) {
  QPDFObjectHandle to_unicode = font.getKey("/ToUnicode");
  if (!to_unicode.isStream()) return font.hasKey("/ToUnicode") ? Status::Refused("PDF中的字符映射无法读取") : Status::Ok();
  auto [read, added] = store.maps.try_emplace(StreamKey(to_unicode));
  if (added) read->second = ReadUnicodeMap(StreamBytes(to_unicode));
  const std::optional<UnicodeMap>& map = read->second;
  if (!map) return Status::Refused("PDF中的字符映射无法读取");
  UnicodeMap kept;
  for (const auto& [code, text] : *map) {
    if (code < 256 && codes[code] >= 0) kept[static_cast<unsigned>(codes[code])] = text;
  }
  font.replaceKey("/ToUnicode", NewFlateStream(pdf, WriteUnicodeMap(kept)));
  return Status::Ok();
}

// The embedded program keeps the glyphs of the codes shown.
Status TrimProgram(QPDF& pdf, QPDFObjectHandle descriptor, const FontCodes& codes, Store& store) {
  if (!descriptor.isDictionary()) return Status::Ok();  // not embedded
  if (descriptor.hasKey("/FontFile3")) return Status::Refused("PDF中的字体无法精简");
  // The names of the glyphs of the whole subset.
  descriptor.removeKey("/CharSet");
  if (QPDFObjectHandle file = descriptor.getKey("/FontFile2"); file.isStream()) {
    const std::optional<std::string> trimmed = TrimTrueType(Decoded(store, file), codes);
    if (!trimmed) return Status::Refused("PDF中的字体无法读取");
    QPDFObjectHandle fresh = NewFlateStream(pdf, *trimmed);
    fresh.getDict().replaceKey("/Length1", Integer(trimmed->size()));
    descriptor.replaceKey("/FontFile2", fresh);
    return Status::Ok();
  }
  QPDFObjectHandle file = descriptor.getKey("/FontFile");
  if (!file.isStream()) return descriptor.hasKey("/FontFile") ? Status::Refused("PDF中的字体无法读取") : Status::Ok();
  QPDFObjectHandle dict = file.getDict();
  if (!dict.getKey("/Length1").isInteger() || !dict.getKey("/Length2").isInteger() ||
      dict.getKey("/Length1").getIntValue() < 0 || dict.getKey("/Length2").getIntValue() < 0) {
    return Status::Refused("PDF中的字体无法读取");
  }
  const Type1Lengths lengths{static_cast<std::size_t>(dict.getKey("/Length1").getIntValue()),
                             static_cast<std::size_t>(dict.getKey("/Length2").getIntValue())};
  auto [read, added] = store.type1.try_emplace(std::to_string(lengths.clear) + " " +
                                               std::to_string(lengths.encrypted) + " " + StreamKey(file));
  if (added) read->second = Type1Program::Read(StreamBytes(file), lengths);
  if (!read->second) return Status::Refused("PDF中的字体无法读取");
  const Type1Program::Parts trimmed = read->second->Trim(codes);
  // The encrypted part does not compress: it is stored as it is.
  QPDFObjectHandle fresh =
      NewFlateStream(pdf, {{trimmed.clear, true}, {trimmed.encrypted, false}, {trimmed.trailer, true}});
  fresh.getDict().replaceKey("/Length1", Integer(trimmed.clear.size()));
  fresh.getDict().replaceKey("/Length2", Integer(trimmed.encrypted.size()));
  fresh.getDict().replaceKey("/Length3", Integer(trimmed.trailer.size()));
  descriptor.replaceKey("/FontFile", fresh);
  return Status::Ok();
}

// Trims one simple font to the codes shown, under their new codes.
Status TrimFont(QPDF& pdf, QPDFObjectHandle font, const FontCodes& codes, Store& store) {
  const std::string subtype = font.getKey("/Subtype").isName() ? font.getKey("/Subtype").getName() : "";
  if (subtype != "/Type1" && subtype != "/TrueType") return Status::Refused("PDF中含有 " + subtype + " 字体");
  TrimDifferences(font, codes);
  if (Status widths = TrimWidths(font, codes); !widths.ok()) return widths;
  if (Status map = TrimUnicodeMap(pdf, font, codes, store); !map.ok()) return map;
  return TrimProgram(pdf, font.getKey("/FontDescriptor"), codes, store);
}

}  // namespace

Status TrimFontsToPages(QPDF& pdf) {
  FontSources sources;
  return TrimFontsToPages(pdf, sources);
}

Status TrimFontsToPages(QPDF& pdf, FontSources& sources) {
  const ShownCodes shown = ReadShownCodes(pdf);
  if (!shown.status.ok()) return shown.status;
  Fonts fonts;
  std::set<QPDFObjGen> visited;
  for (QPDFPageObjectHelper page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    Status collected = CollectFonts(page.getAttribute("/Resources", false), shown.selected, fonts, visited);
    if (!collected.ok()) return collected;
  }
  // The codes numbered afresh where every string can be rewritten, otherwise kept as they are.
  const std::optional<std::map<QPDFObjGen, FontCodes>> numbered = NumberShownCodes(pdf, shown);
  for (auto& [id, font] : fonts) {
    const auto used = shown.codes.find(id);
    FontCodes codes = KeepCodes({});  // set for text, nothing shown
    if (used != shown.codes.end()) codes = numbered ? numbered->at(id) : KeepCodes(used->second);
    if (Status trimmed = TrimFont(pdf, font, codes, sources.store()); !trimmed.ok()) return trimmed;
  }
  return Status::Ok();
}

}  // namespace vexlo::engine
