#include "office/engine/package/pdf_fonts.h"

// The handles of qpdf 11 are std::shared_ptr based.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>
#include <vector>

namespace vexlo::engine {

namespace {

// --- Type 1 font programs ------------------------------------------------------------------

constexpr unsigned kEexecKey = 55665;

std::string Eexec(const std::string& in, bool decrypt) {
  std::string out(in.size(), '\0');
  unsigned r = kEexecKey;
  for (std::size_t i = 0; i < in.size(); ++i) {
    const auto c = static_cast<unsigned char>(in[i]);
    const auto p = static_cast<unsigned char>(c ^ (r >> 8));
    out[i] = static_cast<char>(p);
    const unsigned cipher = decrypt ? c : p;
    r = ((cipher + r) * 52845u + 22719u) & 0xFFFFu;
  }
  return out;
}

bool IsSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

std::size_t SkipSpace(const std::string& s, std::size_t at) {
  while (at < s.size() && IsSpace(s[at])) ++at;
  return at;
}

// The token at `at` (up to white space) and where it ends.
std::string Token(const std::string& s, std::size_t& at) {
  const std::size_t begin = at;
  while (at < s.size() && !IsSpace(s[at])) ++at;
  return s.substr(begin, at - begin);
}

struct Glyph {
  std::string name;
  std::size_t begin = 0;  // the whole entry "/name len RD <bytes> ND"
  std::size_t end = 0;
};

// The entries of the CharStrings dictionary in the decrypted part, and where the dictionary's
// entries begin and end; false when it cannot be read.
bool ReadCharStrings(const std::string& plain, std::vector<Glyph>& glyphs, std::size_t& first,
                     std::size_t& last) {
  std::size_t at = plain.find("/CharStrings");
  if (at == std::string::npos) return false;
  at = plain.find("begin", at);
  if (at == std::string::npos) return false;
  at += 5;
  first = at;
  for (;;) {
    at = SkipSpace(plain, at);
    if (at >= plain.size()) return false;
    if (plain.compare(at, 3, "end") == 0) break;
    if (plain[at] != '/') return false;
    Glyph g;
    g.begin = at;
    g.name = Token(plain, at).substr(1);
    at = SkipSpace(plain, at);
    const std::string length = Token(plain, at);
    if (length.empty() || length.size() > 6 ||
        !std::all_of(length.begin(), length.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
      return false;
    }
    at = SkipSpace(plain, at);
    Token(plain, at);  // RD or -|
    at += 1 + std::stoul(length);  // one space, then the charstring
    at = SkipSpace(plain, at);
    if (Token(plain, at) == "noaccess") {  // "noaccess def" spelled out
      at = SkipSpace(plain, at);
      Token(plain, at);
    }
    if (at > plain.size()) return false;
    g.end = at;
    glyphs.push_back(std::move(g));
  }
  last = at;
  return true;
}

}  // namespace

std::optional<std::string> Type1GlyphNames(const std::string& program, std::size_t clear_length,
                                           std::size_t encrypted_length) {
  if (clear_length + encrypted_length > program.size() || encrypted_length < 4) return std::nullopt;
  const std::string plain = Eexec(program.substr(clear_length, encrypted_length), true);
  std::vector<Glyph> glyphs;
  std::size_t first = 0, last = 0;
  if (!ReadCharStrings(plain, glyphs, first, last)) return std::nullopt;
  std::string names;
  for (const Glyph& g : glyphs) names += (names.empty() ? "" : " ") + g.name;
  return names;
}

std::optional<std::string> TrimType1(const std::string& program, std::size_t clear_length,
                                     std::size_t encrypted_length, const std::bitset<256>& used,
                                     Type1Lengths* lengths) {
  if (clear_length + encrypted_length > program.size() || encrypted_length < 4) return std::nullopt;
  const std::string clear = program.substr(0, clear_length);
  const std::string encrypted = program.substr(clear_length, encrypted_length);
  const std::string trailer = program.substr(clear_length + encrypted_length);
  // A hexadecimal eexec part is not what the office writes.
  if (std::all_of(encrypted.begin(), encrypted.begin() + 4,
                  [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); })) {
    return std::nullopt;
  }
  // The encoding: "dup <code> /<name> put" for each code. Entries of unused codes go.
  if (clear.find("/Encoding 256 array") == std::string::npos) return std::nullopt;
  std::set<std::string> keep = {".notdef"};
  std::string new_clear;
  std::size_t at = 0;
  for (;;) {
    const std::size_t dup = clear.find("dup ", at);
    if (dup == std::string::npos) break;
    std::size_t k = dup + 4;
    const std::string code = Token(clear, k);
    k = SkipSpace(clear, k);
    const std::string name = Token(clear, k);
    k = SkipSpace(clear, k);
    const std::string put = Token(clear, k);
    if (code.empty() || !std::all_of(code.begin(), code.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }) ||
        name.size() < 2 || name[0] != '/' || put != "put") {
      new_clear.append(clear, at, dup + 4 - at);
      at = dup + 4;
      continue;
    }
    const unsigned long n = std::stoul(code);
    new_clear.append(clear, at, dup - at);
    if (n < 256 && used.test(n)) {
      new_clear.append(clear, dup, k - dup);
      keep.insert(name.substr(1));
    }
    at = k;
    if (at < clear.size() && clear[at] == '\n' && n < 256 && !used.test(n)) ++at;
  }
  new_clear.append(clear, at, std::string::npos);

  // The glyph programs: those of unused codes go.
  const std::string plain = Eexec(encrypted, true);
  std::vector<Glyph> glyphs;
  std::size_t first = 0, last = 0;
  if (!ReadCharStrings(plain, glyphs, first, last)) return std::nullopt;
  std::string new_plain = plain.substr(0, first);
  for (const Glyph& g : glyphs) {
    if (keep.contains(g.name)) new_plain += "\n" + plain.substr(g.begin, g.end - g.begin);
  }
  new_plain += "\n" + plain.substr(last);
  // The first four bytes were random before encryption and stay as they were.
  const std::string new_encrypted = Eexec(new_plain, false);
  lengths->clear = new_clear.size();
  lengths->encrypted = new_encrypted.size();
  return new_clear + new_encrypted + trailer;
}

namespace {

// --- which codes the pages show ------------------------------------------------------------

using Codes = std::map<QPDFObjGen, std::bitset<256>>;

// Reads content streams and notes, per font, the codes shown. Fonts are set by Tf and restored
// by Q; forms drawn by Do are read with their own resources and the font in force.
class ShownCodes : public QPDFObjectHandle::ParserCallbacks {
 public:
  ShownCodes(QPDFObjectHandle resources, Codes& codes, std::string& error,
             std::set<QPDFObjGen>& forms, QPDFObjectHandle font)
      : resources_(resources), codes_(codes), error_(error), forms_(forms), font_(font) {}

  void handleObject(QPDFObjectHandle obj) override {
    if (!obj.isOperator()) {
      operands_.push_back(obj);
      return;
    }
    const std::string op = obj.getOperatorValue();
    if (op == "q") {
      saved_.push_back(font_);
    } else if (op == "Q") {
      if (!saved_.empty()) {
        font_ = saved_.back();
        saved_.pop_back();
      }
    } else if (op == "Tf" && operands_.size() >= 2 && operands_[operands_.size() - 2].isName()) {
      font_ = resources_.getKey("/Font").getKey(operands_[operands_.size() - 2].getName());
      if (!font_.isDictionary()) error_ = "PDF中的字体找不到";
    } else if ((op == "Tj" || op == "'" || op == "\"") && !operands_.empty()) {
      Show(operands_.back());
    } else if (op == "TJ" && !operands_.empty() && operands_.back().isArray()) {
      for (QPDFObjectHandle item : operands_.back().aitems()) Show(item);
    } else if (op == "gs" && !operands_.empty() && operands_.back().isName()) {
      QPDFObjectHandle state = resources_.getKey("/ExtGState").getKey(operands_.back().getName());
      if (state.isDictionary() && state.hasKey("/Font")) error_ = "PDF的图形状态中含有字体";
    } else if (op == "Do" && !operands_.empty() && operands_.back().isName()) {
      QPDFObjectHandle form = resources_.getKey("/XObject").getKey(operands_.back().getName());
      if (form.isStream() && form.getDict().getKey("/Subtype").isName() &&
          form.getDict().getKey("/Subtype").getName() == "/Form") {
        QPDFObjectHandle own = form.getDict().getKey("/Resources");
        ShownCodes inner(own.isDictionary() ? own : resources_, codes_, error_, forms_, font_);
        form.parseAsContents(&inner);
        forms_.insert(form.getObjGen());
      }
    }
    operands_.clear();
  }

  void handleEOF() override {}

 private:
  void Show(QPDFObjectHandle text) {
    if (!text.isString()) return;
    if (!font_.isDictionary()) {
      error_ = "PDF中的文字没有字体";
      return;
    }
    std::bitset<256>& shown = codes_[font_.getObjGen()];
    for (unsigned char c : text.getStringValue()) shown.set(c);
  }

  QPDFObjectHandle resources_;
  Codes& codes_;
  std::string& error_;
  std::set<QPDFObjGen>& forms_;
  QPDFObjectHandle font_;
  std::vector<QPDFObjectHandle> saved_;
  std::vector<QPDFObjectHandle> operands_;
};

// Every font dictionary in `resources` (and in those of the forms it holds), by object.
void CollectFonts(QPDFObjectHandle resources, std::map<QPDFObjGen, QPDFObjectHandle>& fonts,
                  std::set<QPDFObjGen>& visited) {
  if (!resources.isDictionary()) return;
  if (QPDFObjectHandle dict = resources.getKey("/Font"); dict.isDictionary()) {
    for (auto& [name, font] : dict.ditems()) {
      if (font.isDictionary()) fonts[font.getObjGen()] = font;
    }
  }
  if (QPDFObjectHandle xobjects = resources.getKey("/XObject"); xobjects.isDictionary()) {
    for (auto& [name, x] : xobjects.ditems()) {
      if (!x.isStream() || !visited.insert(x.getObjGen()).second) continue;
      CollectFonts(x.getDict().getKey("/Resources"), fonts, visited);
    }
  }
}

std::string Hex(unsigned code) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02X", code & 0xFFu);
  return buf;
}

unsigned long HexValue(const std::string& hex) { return std::stoul(hex, nullptr, 16); }

// The code → text map of a character map (bfchar and bfrange entries, one-byte codes).
std::optional<std::map<unsigned, std::string>> ReadCMap(const std::string& cmap) {
  std::map<unsigned, std::string> map;
  std::vector<std::string> tokens;
  for (std::size_t at = 0; at < cmap.size();) {
    if (cmap[at] == '<') {
      const std::size_t close = cmap.find('>', at);
      if (close == std::string::npos) return std::nullopt;
      tokens.push_back(cmap.substr(at, close + 1 - at));
      at = close + 1;
    } else if (cmap[at] == '[' || cmap[at] == ']') {
      tokens.emplace_back(1, cmap[at++]);
    } else if (IsSpace(cmap[at])) {
      ++at;
    } else {
      tokens.push_back(Token(cmap, at));
    }
  }
  const auto inner = [](const std::string& t) { return t.substr(1, t.size() - 2); };
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i] == "beginbfchar") {
      for (++i; i + 1 < tokens.size() && tokens[i] != "endbfchar"; i += 2) {
        if (tokens[i].size() != 4) return std::nullopt;  // "<XX>": one byte
        map[HexValue(inner(tokens[i]))] = inner(tokens[i + 1]);
      }
    } else if (tokens[i] == "beginbfrange") {
      for (++i; i + 2 < tokens.size() && tokens[i] != "endbfrange";) {
        if (tokens[i].size() != 4 || tokens[i + 1].size() != 4) return std::nullopt;
        const unsigned lo = HexValue(inner(tokens[i]));
        const unsigned hi = HexValue(inner(tokens[i + 1]));
        if (tokens[i + 2] == "[") {
          std::size_t k = i + 3;
          for (unsigned c = lo; c <= hi && k < tokens.size() && tokens[k] != "]"; ++c, ++k) {
            map[c] = inner(tokens[k]);
          }
          while (k < tokens.size() && tokens[k] != "]") ++k;
          i = k + 1;
        } else {
          // Consecutive codes map to consecutive texts: the last unit goes up by one each.
          std::string text = inner(tokens[i + 2]);
          if (text.size() < 4 || text.size() % 4 != 0) return std::nullopt;
          const unsigned base = static_cast<unsigned>(HexValue(text.substr(text.size() - 4)));
          for (unsigned c = lo; c <= hi && c < 256; ++c) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "%04X", (base + (c - lo)) & 0xFFFFu);
            map[c] = text.substr(0, text.size() - 4) + buf;
          }
          i += 3;
        }
      }
    }
  }
  return map;
}

std::string WriteCMap(const std::map<unsigned, std::string>& map) {
  std::string out =
      "/CIDInit/ProcSet findresource begin\n12 dict begin\nbegincmap\n/CIDSystemInfo<<\n"
      "/Registry (Adobe)\n/Ordering (UCS)\n/Supplement 0\n>> def\n"
      "/CMapName/Adobe-Identity-UCS def\n/CMapType 2 def\n1 begincodespacerange\n<00> <FF>\n"
      "endcodespacerange\n";
  auto it = map.begin();
  while (it != map.end()) {
    std::string block;
    int n = 0;
    for (; it != map.end() && n < 100; ++it, ++n) block += "<" + Hex(it->first) + "> <" + it->second + ">\n";
    out += std::to_string(n) + " beginbfchar\n" + block + "endbfchar\n";
  }
  return out + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

std::string StreamBytes(QPDFObjectHandle stream) {
  std::shared_ptr<Buffer> data = stream.getStreamData(qpdf_dl_generalized);
  return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
}

// Trims one simple font to `used`; empty when done.
std::string TrimFont(QPDF& pdf, QPDFObjectHandle font, const std::bitset<256>& used) {
  const std::string subtype = font.getKey("/Subtype").isName() ? font.getKey("/Subtype").getName() : "";
  if (subtype != "/Type1" && subtype != "/TrueType") return "PDF中含有 " + subtype + " 字体";
  QPDFObjectHandle descriptor = font.getKey("/FontDescriptor");
  if (descriptor.isDictionary() && (descriptor.hasKey("/FontFile2") || descriptor.hasKey("/FontFile3"))) {
    return "PDF中的字体不是 Type 1 字体";
  }
  // The widths of codes not shown go to nothing.
  if (QPDFObjectHandle widths = font.getKey("/Widths"); widths.isArray() && font.getKey("/FirstChar").isInteger()) {
    const int first = font.getKey("/FirstChar").getIntValueAsInt();
    for (int i = 0; i < widths.getArrayNItems(); ++i) {
      const int code = first + i;
      if (code < 0 || code > 255 || !used.test(static_cast<std::size_t>(code))) {
        widths.setArrayItem(i, QPDFObjectHandle::newInteger(0));
      }
    }
  }
  if (QPDFObjectHandle to_unicode = font.getKey("/ToUnicode"); to_unicode.isStream()) {
    std::optional<std::map<unsigned, std::string>> map = ReadCMap(StreamBytes(to_unicode));
    if (!map) return "PDF中的字符映射无法读取";
    std::erase_if(*map, [&](const auto& entry) { return entry.first > 255 || !used.test(entry.first); });
    font.replaceKey("/ToUnicode", pdf.newStream(WriteCMap(*map)));
  } else if (font.hasKey("/ToUnicode")) {
    return "PDF中的字符映射无法读取";
  }
  if (!descriptor.isDictionary() || !descriptor.hasKey("/FontFile")) return "";  // not embedded
  QPDFObjectHandle file = descriptor.getKey("/FontFile");
  QPDFObjectHandle dict = file.getDict();
  if (!dict.getKey("/Length1").isInteger() || !dict.getKey("/Length2").isInteger()) {
    return "PDF中的字体无法读取";
  }
  Type1Lengths lengths;
  const std::optional<std::string> trimmed =
      TrimType1(StreamBytes(file), static_cast<std::size_t>(dict.getKey("/Length1").getIntValue()),
                static_cast<std::size_t>(dict.getKey("/Length2").getIntValue()), used, &lengths);
  if (!trimmed) return "PDF中的字体无法读取";
  QPDFObjectHandle fresh = pdf.newStream(*trimmed);
  fresh.getDict().replaceKey("/Length1", QPDFObjectHandle::newInteger(static_cast<long long>(lengths.clear)));
  fresh.getDict().replaceKey("/Length2", QPDFObjectHandle::newInteger(static_cast<long long>(lengths.encrypted)));
  fresh.getDict().replaceKey("/Length3", QPDFObjectHandle::newInteger(
                                             static_cast<long long>(trimmed->size() - lengths.clear - lengths.encrypted)));
  descriptor.replaceKey("/FontFile", fresh);
  return "";
}

}  // namespace

std::string TrimFontsToPages(QPDF& pdf) {
  Codes codes;
  std::string error;
  std::set<QPDFObjGen> forms;
  std::map<QPDFObjGen, QPDFObjectHandle> fonts;
  std::set<QPDFObjGen> visited;
  for (QPDFPageObjectHelper page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    QPDFObjectHandle resources = page.getAttribute("/Resources", false);
    ShownCodes shown(resources, codes, error, forms, QPDFObjectHandle::newNull());
    page.parseContents(&shown);
    if (!error.empty()) return error;
    CollectFonts(resources, fonts, visited);
    // Annotations draw their own appearances, which could show text as well.
    if (QPDFObjectHandle annots = page.getObjectHandle().getKey("/Annots"); annots.isArray()) {
      for (QPDFObjectHandle annot : annots.aitems()) {
        if (annot.isDictionary() && annot.hasKey("/AP")) return "PDF中的批注带有外观";
      }
    }
  }
  for (auto& [id, font] : fonts) {
    error = TrimFont(pdf, font, codes[id]);
    if (!error.empty()) return error;
  }
  return "";
}

}  // namespace vexlo::engine
