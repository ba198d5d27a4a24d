#include "office/engine/package/type1_font.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace vexlo::engine {

namespace {

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

// One "dup <code> /<name> put" of the clear part, with the line end after it.
struct EncodingEntry {
  unsigned code = 0;
  std::string name;
  std::size_t begin = 0;
  std::size_t end = 0;
};

std::vector<EncodingEntry> ReadEncoding(const std::string& clear) {
  std::vector<EncodingEntry> entries;
  for (std::size_t dup = clear.find("dup "); dup != std::string::npos; dup = clear.find("dup ", dup + 4)) {
    std::size_t k = dup + 4;
    const std::string code = Token(clear, k);
    k = SkipSpace(clear, k);
    const std::string name = Token(clear, k);
    k = SkipSpace(clear, k);
    const std::string put = Token(clear, k);
    if (!IsNumber(code, 3) || std::stoul(code) > 255 || name.size() < 2 || name[0] != '/' || put != "put") {
      continue;
    }
    if (k < clear.size() && clear[k] == '\n') ++k;
    entries.push_back({static_cast<unsigned>(std::stoul(code)), name.substr(1), dup, k});
  }
  return entries;
}

struct Glyph {
  std::string name;
  std::size_t begin = 0;  // the whole entry "/name len RD <bytes> ND"
  std::size_t end = 0;
};

// The glyph dictionary of the decrypted part: "/CharStrings <count> dict dup begin", its entries,
// "end".
struct CharStrings {
  std::vector<Glyph> glyphs;
  std::size_t count_begin = 0, count_end = 0;  // the declared count
  std::size_t first = 0, last = 0;             // the entries
  int declared = 0;
};

std::optional<CharStrings> ReadCharStrings(const std::string& plain) {
  CharStrings cs;
  std::size_t at = plain.find("/CharStrings");
  if (at == std::string::npos) return std::nullopt;
  cs.count_begin = SkipSpace(plain, at + 12);
  at = cs.count_begin;
  const std::string count = Token(plain, at);
  cs.count_end = at;
  at = SkipSpace(plain, at);
  if (!IsNumber(count, 5) || Token(plain, at) != "dict") return std::nullopt;
  cs.declared = std::stoi(count);
  at = plain.find("begin", at);
  if (at == std::string::npos) return std::nullopt;
  cs.first = at + 5;
  at = cs.first;
  for (;;) {
    at = SkipSpace(plain, at);
    if (at >= plain.size()) return std::nullopt;
    if (plain.compare(at, 3, "end") == 0) break;
    if (plain[at] != '/') return std::nullopt;
    Glyph g;
    g.begin = at;
    g.name = Token(plain, at).substr(1);
    at = SkipSpace(plain, at);
    const std::string length = Token(plain, at);
    if (!IsNumber(length, 6)) return std::nullopt;
    at = SkipSpace(plain, at);
    Token(plain, at);  // RD or -|
    at += 1 + std::stoul(length);  // one space, then the charstring
    if (at > plain.size()) return std::nullopt;
    at = SkipSpace(plain, at);
    if (Token(plain, at) == "noaccess") {  // "noaccess def" spelled out
      at = SkipSpace(plain, at);
      Token(plain, at);
    }
    g.end = at;
    cs.glyphs.push_back(std::move(g));
  }
  cs.last = at;
  return cs;
}

// The clear and the decrypted part; nullopt when the lengths do not fit the program.
std::optional<std::pair<std::string, std::string>> Parts(const std::string& program, Type1Lengths lengths) {
  if (lengths.clear > program.size() || lengths.encrypted > program.size() - lengths.clear ||
      lengths.encrypted < 4) {
    return std::nullopt;
  }
  return std::pair{program.substr(0, lengths.clear),
                   Eexec(program.substr(lengths.clear, lengths.encrypted), true)};
}

}  // namespace

std::optional<Type1Contents> ReadType1(const std::string& program, Type1Lengths lengths) {
  const auto parts = Parts(program, lengths);
  if (!parts) return std::nullopt;
  const std::optional<CharStrings> cs = ReadCharStrings(parts->second);
  if (!cs) return std::nullopt;
  Type1Contents contents;
  for (const EncodingEntry& e : ReadEncoding(parts->first)) contents.encoding[static_cast<int>(e.code)] = e.name;
  for (const Glyph& g : cs->glyphs) contents.glyphs.push_back(g.name);
  contents.declared_glyphs = cs->declared;
  return contents;
}

std::optional<std::string> TrimType1(const std::string& program, Type1Lengths lengths, const FontCodes& codes,
                                     Type1Lengths* trimmed) {
  const auto parts = Parts(program, lengths);
  if (!parts) return std::nullopt;
  const auto& [clear, plain] = *parts;
  // A hexadecimal eexec part is not what the office writes.
  const std::string head = program.substr(lengths.clear, 4);
  if (std::all_of(head.begin(), head.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); })) {
    return std::nullopt;
  }
  if (clear.find("/Encoding 256 array") == std::string::npos) return std::nullopt;
  // The encoding entries of codes not shown go, the others take their new codes.
  std::set<std::string> keep = {".notdef"};
  std::string new_clear;
  std::size_t at = 0;
  for (const EncodingEntry& e : ReadEncoding(clear)) {
    new_clear.append(clear, at, e.begin - at);
    if (codes[e.code] >= 0) {
      new_clear += "dup " + std::to_string(codes[e.code]) + " /" + e.name + " put\n";
      keep.insert(e.name);
    }
    at = e.end;
  }
  new_clear.append(clear, at, std::string::npos);

  // The glyph programs of codes not shown go, and the dictionary is declared with those left.
  const std::optional<CharStrings> cs = ReadCharStrings(plain);
  if (!cs) return std::nullopt;
  std::string entries;
  int kept = 0;
  for (const Glyph& g : cs->glyphs) {
    if (!keep.contains(g.name)) continue;
    entries += "\n" + plain.substr(g.begin, g.end - g.begin);
    ++kept;
  }
  const std::string new_plain = plain.substr(0, cs->count_begin) + std::to_string(kept) +
                                plain.substr(cs->count_end, cs->first - cs->count_end) + entries + "\n" +
                                plain.substr(cs->last);
  // The first four bytes were random before encryption and stay as they were.
  const std::string new_encrypted = Eexec(new_plain, false);
  trimmed->clear = new_clear.size();
  trimmed->encrypted = new_encrypted.size();
  return new_clear + new_encrypted + program.substr(lengths.clear + lengths.encrypted);
}

}  // namespace vexlo::engine
