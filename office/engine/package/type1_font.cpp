#include "office/engine/package/type1_font.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

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
std::optional<std::pair<std::string, std::string>> SplitProgram(const std::string& program, Type1Lengths lengths) {
  if (lengths.clear > program.size() || lengths.encrypted > program.size() - lengths.clear ||
      lengths.encrypted < 4) {
    return std::nullopt;
  }
  return std::pair{program.substr(0, lengths.clear),
                   Eexec(program.substr(lengths.clear, lengths.encrypted), true)};
}

}  // namespace

std::optional<Type1Contents> ReadType1(const std::string& program, Type1Lengths lengths) {
  const auto parts = SplitProgram(program, lengths);
  if (!parts) return std::nullopt;
  const std::optional<CharStrings> cs = ReadCharStrings(parts->second);
  if (!cs) return std::nullopt;
  Type1Contents contents;
  for (const EncodingEntry& e : ReadEncoding(parts->first)) contents.encoding[static_cast<int>(e.code)] = e.name;
  for (const Glyph& g : cs->glyphs) contents.glyphs.push_back(g.name);
  contents.declared_glyphs = cs->declared;
  return contents;
}

struct Type1Program::Parsed {
  std::string clear;    // the clear part as it was
  std::string plain;    // the encrypted part decrypted
  std::string trailer;  // what follows the encrypted part
  std::vector<EncodingEntry> encoding;
  CharStrings glyphs;
  // The glyphs (indexes into glyphs.glyphs) named by each encoding entry, and by .notdef.
  std::vector<std::vector<std::size_t>> encoded;
  std::vector<std::size_t> notdef;
};

std::optional<Type1Program> Type1Program::Read(const std::string& program, Type1Lengths lengths) {
  auto parts = SplitProgram(program, lengths);
  if (!parts) return std::nullopt;
  // A hexadecimal eexec part is not what the office writes.
  const std::string head = program.substr(lengths.clear, 4);
  if (std::all_of(head.begin(), head.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); })) {
    return std::nullopt;
  }
  if (parts->first.find("/Encoding 256 array") == std::string::npos) return std::nullopt;
  std::optional<CharStrings> cs = ReadCharStrings(parts->second);
  if (!cs) return std::nullopt;
  auto parsed = std::make_shared<Parsed>();
  parsed->encoding = ReadEncoding(parts->first);
  parsed->clear = std::move(parts->first);
  parsed->plain = std::move(parts->second);
  parsed->trailer = program.substr(lengths.clear + lengths.encrypted);
  parsed->glyphs = std::move(*cs);
  std::unordered_map<std::string, std::vector<std::size_t>> named;
  for (std::size_t g = 0; g < parsed->glyphs.glyphs.size(); ++g) named[parsed->glyphs.glyphs[g].name].push_back(g);
  for (const EncodingEntry& e : parsed->encoding) {
    const auto found = named.find(e.name);
    parsed->encoded.push_back(found == named.end() ? std::vector<std::size_t>{} : found->second);
  }
  if (const auto found = named.find(".notdef"); found != named.end()) parsed->notdef = found->second;
  Type1Program read;
  read.parsed_ = std::move(parsed);
  return read;
}

Type1Program::Parts Type1Program::Trim(const FontCodes& codes) const {
  const std::string& clear = parsed_->clear;
  const std::string& plain = parsed_->plain;
  const CharStrings& cs = parsed_->glyphs;
  // The encoding entries of codes not shown go, the others take their new codes.
  std::vector<bool> keep(cs.glyphs.size());
  for (std::size_t g : parsed_->notdef) keep[g] = true;
  Parts out;
  std::size_t at = 0;
  for (std::size_t i = 0; i < parsed_->encoding.size(); ++i) {
    const EncodingEntry& e = parsed_->encoding[i];
    out.clear.append(clear, at, e.begin - at);
    if (codes[e.code] >= 0) {
      out.clear += "dup " + std::to_string(codes[e.code]) + " /" + e.name + " put\n";
      for (std::size_t g : parsed_->encoded[i]) keep[g] = true;
    }
    at = e.end;
  }
  out.clear.append(clear, at, std::string::npos);

  // The glyph programs of codes not shown go, and the dictionary is declared with those left.
  std::string new_plain = plain.substr(0, cs.count_begin);
  new_plain += std::to_string(std::count(keep.begin(), keep.end(), true));
  new_plain.append(plain, cs.count_end, cs.first - cs.count_end);
  for (std::size_t g = 0; g < cs.glyphs.size(); ++g) {
    if (!keep[g]) continue;
    new_plain += '\n';
    new_plain.append(plain, cs.glyphs[g].begin, cs.glyphs[g].end - cs.glyphs[g].begin);
  }
  new_plain += '\n';
  new_plain.append(plain, cs.last, std::string::npos);
  // The first four bytes were random before encryption and stay as they were.
  out.encrypted = Eexec(new_plain, false);
  out.trailer = parsed_->trailer;
  return out;
}

std::optional<std::string> TrimType1(const std::string& program, Type1Lengths lengths, const FontCodes& codes,
                                     Type1Lengths* trimmed) {
  const std::optional<Type1Program> read = Type1Program::Read(program, lengths);
  if (!read) return std::nullopt;
  const Type1Program::Parts parts = read->Trim(codes);
  trimmed->clear = parts.clear.size();
  trimmed->encrypted = parts.encrypted.size();
  return parts.clear + parts.encrypted + std::string(parts.trailer);
}

}  // namespace vexlo::engine
