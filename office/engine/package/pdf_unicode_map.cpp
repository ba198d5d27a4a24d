#include "office/engine/package/pdf_unicode_map.h"

#include <cstdio>
#include <vector>

namespace vexlo::engine {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

// The tokens of a character map: <hex>, [, ], and words.
std::optional<std::vector<std::string>> Tokens(const std::string& cmap) {
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
      const std::size_t begin = at;
      while (at < cmap.size() && !IsSpace(cmap[at]) && cmap[at] != '<' && cmap[at] != '[') ++at;
      tokens.push_back(cmap.substr(begin, at - begin));
    }
  }
  return tokens;
}

std::string Inner(const std::string& token) { return token.substr(1, token.size() - 2); }

bool IsHex(const std::string& token) {
  return token.size() >= 2 && token.front() == '<' && token.back() == '>' &&
         token.find_first_not_of("0123456789abcdefABCDEF", 1) == token.size() - 1;
}

// "<XX>": a one-byte code.
bool IsCode(const std::string& token) { return token.size() == 4 && IsHex(token); }

unsigned HexValue(const std::string& hex) { return static_cast<unsigned>(std::stoul(hex, nullptr, 16)); }

std::string Hex(unsigned value, int digits) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%0*X", digits, value);
  return buf;
}

// The entries of a bfrange from `i` (at its first code); `i` ends after it. False when unreadable.
bool ReadRange(const std::vector<std::string>& tokens, std::size_t& i, UnicodeMap& map) {
  if (!IsCode(tokens[i]) || !IsCode(tokens[i + 1])) return false;
  const unsigned lo = HexValue(Inner(tokens[i])), hi = HexValue(Inner(tokens[i + 1]));
  if (tokens[i + 2] == "[") {
    std::size_t k = i + 3;
    for (unsigned c = lo; c <= hi && k < tokens.size() && tokens[k] != "]"; ++c, ++k) map[c] = Inner(tokens[k]);
    while (k < tokens.size() && tokens[k] != "]") ++k;
    i = k + 1;
    return true;
  }
  // Consecutive codes map to consecutive texts: the last unit goes up by one each.
  const std::string text = Inner(tokens[i + 2]);
  if (!IsHex(tokens[i + 2]) || text.size() < 4 || text.size() % 4 != 0) return false;
  const unsigned base = HexValue(text.substr(text.size() - 4));
  for (unsigned c = lo; c <= hi; ++c) map[c] = text.substr(0, text.size() - 4) + Hex((base + (c - lo)) & 0xFFFFu, 4);
  i += 3;
  return true;
}

}  // namespace

std::optional<UnicodeMap> ReadUnicodeMap(const std::string& cmap) {
  const std::optional<std::vector<std::string>> tokens = Tokens(cmap);
  if (!tokens) return std::nullopt;
  UnicodeMap map;
  for (std::size_t i = 0; i < tokens->size(); ++i) {
    if ((*tokens)[i] == "beginbfchar") {
      for (++i; i + 1 < tokens->size() && (*tokens)[i] != "endbfchar"; i += 2) {
        if (!IsCode((*tokens)[i])) return std::nullopt;
        map[HexValue(Inner((*tokens)[i]))] = Inner((*tokens)[i + 1]);
      }
    } else if ((*tokens)[i] == "beginbfrange") {
      for (++i; i + 2 < tokens->size() && (*tokens)[i] != "endbfrange";) {
        if (!ReadRange(*tokens, i, map)) return std::nullopt;
      }
    }
  }
  return map;
}

std::string WriteUnicodeMap(const UnicodeMap& map) {
  std::string out =
      "/CIDInit/ProcSet findresource begin\n12 dict begin\nbegincmap\n/CIDSystemInfo<<\n"
      "/Registry (Adobe)\n/Ordering (UCS)\n/Supplement 0\n>> def\n"
      "/CMapName/Adobe-Identity-UCS def\n/CMapType 2 def\n1 begincodespacerange\n<00> <FF>\n"
      "endcodespacerange\n";
  auto it = map.begin();
  while (it != map.end()) {
    std::string block;
    int n = 0;
    for (; it != map.end() && n < 100; ++it, ++n) block += "<" + Hex(it->first, 2) + "> <" + it->second + ">\n";
    out += std::to_string(n) + " beginbfchar\n" + block + "endbfchar\n";
  }
  return out + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}

}  // namespace vexlo::engine
