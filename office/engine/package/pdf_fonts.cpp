#include "office/engine/package/pdf_fonts.h"

// The handles of qpdf 11 are std::shared_ptr based.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <algorithm>
#include <cctype>
#include <cstdint>
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

// Whether `s` is a number of 1 to `max_digits` decimal digits.
bool IsNumber(const std::string& s, std::size_t max_digits) {
  return !s.empty() && s.size() <= max_digits &&
         std::all_of(s.begin(), s.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

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
    if (!IsNumber(length, 6)) return false;
    at = SkipSpace(plain, at);
    Token(plain, at);  // RD or -|
    at += 1 + std::stoul(length);  // one space, then the charstring
    if (at > plain.size()) return false;
    at = SkipSpace(plain, at);
    if (Token(plain, at) == "noaccess") {  // "noaccess def" spelled out
      at = SkipSpace(plain, at);
      Token(plain, at);
    }
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
    if (!IsNumber(code, 3) || name.size() < 2 || name[0] != '/' || put != "put") {
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

// --- TrueType font programs ----------------------------------------------------------------

std::uint32_t U32(const std::string& s, std::size_t at) {
  return (static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) << 24) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 2])) << 8) |
         static_cast<unsigned char>(s[at + 3]);
}

std::uint16_t U16(const std::string& s, std::size_t at) {
  return static_cast<std::uint16_t>((static_cast<unsigned char>(s[at]) << 8) | static_cast<unsigned char>(s[at + 1]));
}

void Put32(std::string& s, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) s += static_cast<char>((v >> shift) & 0xFF);
}

void Put16(std::string& s, std::uint16_t v) {
  s += static_cast<char>(v >> 8);
  s += static_cast<char>(v & 0xFF);
}

std::uint32_t Checksum(const std::string& table) {
  std::string padded = table;
  padded.resize((padded.size() + 3) / 4 * 4, '\0');
  std::uint32_t sum = 0;
  for (std::size_t at = 0; at < padded.size(); at += 4) sum += U32(padded, at);
  return sum;
}

struct Table {
  std::string tag;
  std::string data;
};

// The tables of a font program, in directory order; nullopt when it cannot be read.
std::optional<std::vector<Table>> ReadTables(const std::string& font) {
  if (font.size() < 12) return std::nullopt;
  const std::uint32_t version = U32(font, 0);
  if (version != 0x00010000 && version != 0x74727565) return std::nullopt;  // TrueType outlines
  const std::size_t count = U16(font, 4);
  if (12 + 16 * count > font.size()) return std::nullopt;
  std::vector<Table> tables;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = 12 + 16 * i;
    const std::size_t offset = U32(font, entry + 8);
    const std::size_t length = U32(font, entry + 12);
    if (offset > font.size() || length > font.size() - offset) return std::nullopt;
    tables.push_back({font.substr(entry, 4), font.substr(offset, length)});
  }
  return tables;
}

const std::string* Find(const std::vector<Table>& tables, const char* tag) {
  for (const Table& t : tables) {
    if (t.tag == tag) return &t.data;
  }
  return nullptr;
}

// The glyph a character map subtable gives `code`; 0 when none (formats 0, 4 and 6).
std::uint16_t Lookup(const std::string& cmap, std::size_t sub, std::uint32_t code) {
  if (sub + 6 > cmap.size()) return 0;
  const std::uint16_t format = U16(cmap, sub);
  if (format == 0) {
    return code < 256 && sub + 6 + 256 <= cmap.size() ? static_cast<unsigned char>(cmap[sub + 6 + code]) : 0;
  }
  if (format == 6) {
    if (sub + 10 > cmap.size()) return 0;
    const std::uint16_t first = U16(cmap, sub + 6);
    const std::uint16_t count = U16(cmap, sub + 8);
    if (code < first || code >= first + count || sub + 10 + 2 * (code - first) + 2 > cmap.size()) return 0;
    return U16(cmap, sub + 10 + 2 * (code - first));
  }
  if (format == 4) {
    if (sub + 14 > cmap.size()) return 0;
    const std::size_t segments = U16(cmap, sub + 6) / 2;
    const std::size_t ends = sub + 14, starts = ends + 2 * segments + 2;
    const std::size_t deltas = starts + 2 * segments, offsets = deltas + 2 * segments;
    if (offsets + 2 * segments > cmap.size()) return 0;
    for (std::size_t i = 0; i < segments; ++i) {
      if (code > U16(cmap, ends + 2 * i)) continue;
      const std::uint16_t start = U16(cmap, starts + 2 * i);
      if (code < start) return 0;
      const std::uint16_t delta = U16(cmap, deltas + 2 * i);
      const std::uint16_t range = U16(cmap, offsets + 2 * i);
      if (range == 0) return static_cast<std::uint16_t>(code + delta);
      const std::size_t at = offsets + 2 * i + range + 2 * (code - start);
      if (at + 2 > cmap.size()) return 0;
      const std::uint16_t glyph = U16(cmap, at);
      return glyph == 0 ? 0 : static_cast<std::uint16_t>(glyph + delta);
    }
  }
  return 0;
}

// The glyph of a simple font's code, as a PDF reader finds it: the (3,0) subtable at 0xF000 + code
// or code, else the (1,0) subtable at code.
std::uint16_t GlyphOf(const std::string& cmap, std::uint32_t code) {
  if (cmap.size() < 4) return 0;
  const std::size_t count = U16(cmap, 2);
  for (const auto& [platform, encoding] : {std::pair{3, 0}, std::pair{1, 0}}) {
    for (std::size_t i = 0; i < count && 4 + 8 * i + 8 <= cmap.size(); ++i) {
      if (U16(cmap, 4 + 8 * i) != platform || U16(cmap, 4 + 8 * i + 2) != encoding) continue;
      const std::size_t sub = U32(cmap, 4 + 8 * i + 4);
      if (platform == 3) {
        if (std::uint16_t g = Lookup(cmap, sub, 0xF000 + code)) return g;
      }
      if (std::uint16_t g = Lookup(cmap, sub, code)) return g;
    }
  }
  return 0;
}

struct Outlines {
  std::vector<std::size_t> offsets;  // numGlyphs + 1 offsets into glyf
  bool long_offsets = false;
};

std::optional<Outlines> ReadLoca(const std::vector<Table>& tables) {
  const std::string* head = Find(tables, "head");
  const std::string* maxp = Find(tables, "maxp");
  const std::string* loca = Find(tables, "loca");
  const std::string* glyf = Find(tables, "glyf");
  if (!head || !maxp || !loca || !glyf || head->size() < 54 || maxp->size() < 6) return std::nullopt;
  Outlines o;
  o.long_offsets = U16(*head, 50) == 1;
  const std::size_t glyphs = U16(*maxp, 4);
  if (loca->size() < (glyphs + 1) * (o.long_offsets ? 4 : 2)) return std::nullopt;
  for (std::size_t i = 0; i <= glyphs; ++i) {
    const std::size_t offset = o.long_offsets ? U32(*loca, 4 * i) : 2u * U16(*loca, 2 * i);
    if (offset > glyf->size() || (i > 0 && offset < o.offsets.back())) return std::nullopt;
    o.offsets.push_back(offset);
  }
  return o;
}

// Adds the glyphs a composite glyph is made of to `keep`.
void AddComponents(const std::string& glyf, const Outlines& o, std::uint16_t glyph,
                   std::set<std::uint16_t>& keep) {
  if (glyph + 1u >= o.offsets.size()) return;
  const std::size_t begin = o.offsets[glyph], end = o.offsets[glyph + 1];
  if (end - begin < 10 || static_cast<std::int16_t>(U16(glyf, begin)) >= 0) return;
  for (std::size_t at = begin + 10; at + 4 <= end;) {
    const std::uint16_t flags = U16(glyf, at);
    const std::uint16_t component = U16(glyf, at + 2);
    if (keep.insert(component).second) AddComponents(glyf, o, component, keep);
    at += 4 + ((flags & 0x0001) ? 4 : 2);
    if (flags & 0x0008) at += 2;
    else if (flags & 0x0040) at += 4;
    else if (flags & 0x0080) at += 8;
    if (!(flags & 0x0020)) break;
  }
}

}  // namespace

int TrueTypeOutlines(const std::string& program) {
  const std::optional<std::vector<Table>> tables = ReadTables(program);
  if (!tables) return -1;
  const std::optional<Outlines> o = ReadLoca(*tables);
  if (!o) return -1;
  int n = 0;
  for (std::size_t i = 0; i + 1 < o->offsets.size(); ++i) n += o->offsets[i + 1] > o->offsets[i];
  return n;
}

std::optional<std::string> TrimTrueType(const std::string& program, const std::bitset<256>& used) {
  std::optional<std::vector<Table>> tables = ReadTables(program);
  if (!tables) return std::nullopt;
  const std::optional<Outlines> o = ReadLoca(*tables);
  const std::string* cmap = Find(*tables, "cmap");
  if (!o || !cmap) return std::nullopt;
  const std::string& glyf = *Find(*tables, "glyf");
  std::set<std::uint16_t> keep = {0};
  for (std::uint32_t code = 0; code < 256; ++code) {
    if (!used.test(code)) continue;
    const std::uint16_t glyph = GlyphOf(*cmap, code);
    // A shown code the map does not lead to a glyph: the reader finds it some other way.
    if (glyph == 0) return std::nullopt;
    if (keep.insert(glyph).second) AddComponents(glyf, *o, glyph, keep);
  }
  // The outlines of the glyphs kept, the others empty; offsets in the font's own format.
  std::string new_glyf, new_loca;
  for (std::size_t g = 0; g + 1 < o->offsets.size(); ++g) {
    o->long_offsets ? Put32(new_loca, static_cast<std::uint32_t>(new_glyf.size()))
                    : Put16(new_loca, static_cast<std::uint16_t>(new_glyf.size() / 2));
    if (keep.contains(static_cast<std::uint16_t>(g))) {
      new_glyf.append(glyf, o->offsets[g], o->offsets[g + 1] - o->offsets[g]);
      new_glyf.resize((new_glyf.size() + 3) / 4 * 4, '\0');
    }
  }
  o->long_offsets ? Put32(new_loca, static_cast<std::uint32_t>(new_glyf.size()))
                  : Put16(new_loca, static_cast<std::uint16_t>(new_glyf.size() / 2));
  for (Table& t : *tables) {
    if (t.tag == "glyf") t.data = new_glyf;
    if (t.tag == "loca") t.data = new_loca;
    // Glyph names (version 2) go: version 3 says there are none.
    if (t.tag == "post" && t.data.size() >= 32 && U32(t.data, 0) == 0x00020000) {
      t.data = t.data.substr(0, 32);
      t.data[0] = 0, t.data[1] = 3, t.data[2] = 0, t.data[3] = 0;
    }
    if (t.tag == "head") t.data.replace(8, 4, std::string(4, '\0'));  // checkSumAdjustment, below
  }
  // The font anew: offset table, directory, tables on 4-byte boundaries.
  const std::size_t count = tables->size();
  std::string font = program.substr(0, 12);
  std::size_t offset = 12 + 16 * count;
  for (const Table& t : *tables) {
    font += t.tag;
    Put32(font, Checksum(t.data));
    Put32(font, static_cast<std::uint32_t>(offset));
    Put32(font, static_cast<std::uint32_t>(t.data.size()));
    offset += (t.data.size() + 3) / 4 * 4;
  }
  std::size_t head_at = 0;
  for (const Table& t : *tables) {
    if (t.tag == "head") head_at = font.size();
    font += t.data;
    font.resize((font.size() + 3) / 4 * 4, '\0');
  }
  if (head_at > 0) {
    const std::uint32_t adjustment = 0xB1B0AFBAu - Checksum(font);
    std::string value;
    Put32(value, adjustment);
    font.replace(head_at + 8, 4, value);
  }
  return font;
}

namespace {

// --- which codes the pages show ------------------------------------------------------------

using Codes = std::map<QPDFObjGen, std::bitset<256>>;

// Reads content streams and notes, per font, the codes shown. Fonts are set by Tf and restored
// by Q; forms drawn by Do are read with their own resources and the font in force.
class ShownCodes : public QPDFObjectHandle::ParserCallbacks {
 public:
  ShownCodes(QPDFObjectHandle resources, Codes& codes, std::string& error, QPDFObjectHandle font)
      : resources_(resources), codes_(codes), error_(error), font_(font) {}

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
        ShownCodes inner(own.isDictionary() ? own : resources_, codes_, error_, font_);
        form.parseAsContents(&inner);
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
  if (descriptor.isDictionary() && descriptor.hasKey("/FontFile3")) return "PDF中的字体无法精简";
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
  if (descriptor.isDictionary() && descriptor.getKey("/FontFile2").isStream()) {
    const std::optional<std::string> trimmed = TrimTrueType(StreamBytes(descriptor.getKey("/FontFile2")), used);
    if (!trimmed) return "PDF中的字体无法读取";
    QPDFObjectHandle fresh = pdf.newStream(*trimmed);
    fresh.getDict().replaceKey("/Length1", QPDFObjectHandle::newInteger(static_cast<long long>(trimmed->size())));
    descriptor.replaceKey("/FontFile2", fresh);
    return "";
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
  std::map<QPDFObjGen, QPDFObjectHandle> fonts;
  std::set<QPDFObjGen> visited;
  for (QPDFPageObjectHelper page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    QPDFObjectHandle resources = page.getAttribute("/Resources", false);
    ShownCodes shown(resources, codes, error, QPDFObjectHandle::newNull());
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
