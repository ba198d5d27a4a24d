#include "delivery/mail_encoding.h"

#include <cstdio>

namespace vexlo::delivery {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kWordBytes = 39;    // bytes of text per encoded word (52 base64 chars)
constexpr std::size_t kParameterChars = 60;  // characters of a %-encoded value per continuation

std::string Base64(std::string_view bytes) {
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned v = b(i) << 16 | b(i + 1) << 8 | b(i + 2);
    for (int s = 18; s >= 0; s -= 6) out += kAlphabet[(v >> s) & 63];
  }
  if (i < bytes.size()) {
    const unsigned v = b(i) << 16 | (i + 1 < bytes.size() ? b(i + 1) << 8 : 0);
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

bool IsPlainHeaderText(std::string_view text) {
  for (unsigned char c : text) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  // An ASCII text that looks like an encoded word would be decoded by the reader.
  return text.find("=?") == std::string_view::npos;
}

// The length of the UTF-8 character that starts with byte `c` (1 for a stray byte).
std::size_t CharLength(unsigned char c) {
  return c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
}

// `text` cut into pieces of at most `limit` bytes, never inside a character.
template <typename Emit>
void SplitAtCharacters(std::string_view text, std::size_t limit, Emit emit) {
  std::size_t start = 0, pos = 0;
  while (pos < text.size()) {
    std::size_t len = CharLength(static_cast<unsigned char>(text[pos]));
    if (pos + len > text.size()) len = text.size() - pos;
    if (pos + len - start > limit && pos > start) {
      emit(text.substr(start, pos - start));
      start = pos;
    }
    pos += len;
  }
  if (pos > start) emit(text.substr(start, pos - start));
}

bool IsAttributeChar(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("!#$&+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos;
}

std::string PercentEncoded(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    if (IsAttributeChar(c)) {
      out += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

bool IsQuotedStringSafe(std::string_view text) {
  for (unsigned char c : text) {
    if (c < 0x20 || c > 0x7E || c == '"' || c == '\\') return false;
  }
  return true;
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string Base64Lines(std::string_view bytes) {
  const std::string all = Base64(bytes);
  std::string out;
  out.reserve(all.size() + all.size() / 76 * 2 + 2);
  for (std::size_t i = 0; i < all.size(); i += 76) {
    out.append(all, i, 76);
    out += "\r\n";
  }
  return out;
}

std::string HeaderText(std::string_view text) {
  if (IsPlainHeaderText(text)) return std::string(text);
  std::string out;
  SplitAtCharacters(text, kWordBytes, [&](std::string_view piece) {
    if (!out.empty()) out += "\r\n ";
    out += "=?UTF-8?B?" + Base64(piece) + "?=";
  });
  return out;
}

std::string HeaderParameter(std::string_view name, std::string_view value) {
  const std::string key(name);
  if (IsQuotedStringSafe(value) && value.size() <= kParameterChars) {
    return ";\r\n " + key + "=\"" + std::string(value) + "\"";
  }
  // Continuations are cut between characters, so that each piece decodes on its own too.
  std::string out;
  int n = 0;
  SplitAtCharacters(value, kParameterChars / 3, [&](std::string_view piece) {
    out += ";\r\n " + key + "*" + std::to_string(n) + "*=" + (n == 0 ? "UTF-8''" : "") +
           PercentEncoded(piece);
    ++n;
  });
  if (n == 1) {
    // One piece needs no number.
    const std::string numbered = key + "*0*=";
    out.replace(out.find(numbered), numbered.size(), key + "*=");
  }
  return out;
}

std::string EncodedWordParameter(std::string_view name, std::string_view value) {
  if (IsQuotedStringSafe(value)) return ";\r\n " + std::string(name) + "=\"" + std::string(value) + "\"";
  std::string words;
  SplitAtCharacters(value, kWordBytes, [&](std::string_view piece) {
    if (!words.empty()) words += "\r\n ";
    words += "=?UTF-8?B?" + Base64(piece) + "?=";
  });
  return ";\r\n " + std::string(name) + "=\"" + words + "\"";
}

bool IsMailAddress(std::string_view address) {
  const std::size_t at = address.rfind('@');
  if (at == std::string_view::npos || at == 0 || at + 1 >= address.size()) return false;
  if (address.size() > 254 || at > 64) return false;
  for (unsigned char c : address) {
    if (c <= 0x20 || c == 0x7F || c == '"' || c == '<' || c == '>' || c == '(' || c == ')' ||
        c == ',' || c == ';' || c == ':' || c == '\\' || c == '[' || c == ']') {
      return false;
    }
  }
  const std::string_view local = address.substr(0, at), domain = address.substr(at + 1);
  if (local.find('@') != std::string_view::npos) return false;
  if (local.front() == '.' || local.back() == '.' || local.find("..") != std::string_view::npos) {
    return false;
  }
  if (domain.find('.') == std::string_view::npos) return false;
  std::size_t label_start = 0;
  for (std::size_t i = 0; i <= domain.size(); ++i) {
    if (i == domain.size() || domain[i] == '.') {
      if (i == label_start) return false;  // an empty label: "a@b..c", "a@.b"
      if (domain[label_start] == '-' || domain[i - 1] == '-') return false;
      label_start = i + 1;
    }
  }
  return true;
}

std::optional<Mailbox> ParseMailbox(std::string_view text) {
  text = Trimmed(text);
  Mailbox box;
  const std::size_t open = text.rfind('<');
  if (open != std::string_view::npos) {
    if (text.back() != '>') return std::nullopt;
    box.address = std::string(Trimmed(text.substr(open + 1, text.size() - open - 2)));
    std::string_view name = Trimmed(text.substr(0, open));
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
      name = name.substr(1, name.size() - 2);
    }
    box.name = std::string(name);
  } else {
    box.address = std::string(text);
  }
  if (!IsMailAddress(box.address)) return std::nullopt;
  return box;
}

std::string MailboxHeader(const Mailbox& mailbox) {
  if (mailbox.name.empty()) return mailbox.address;
  const std::string name = IsQuotedStringSafe(mailbox.name)
                               ? "\"" + mailbox.name + "\""
                               : HeaderText(mailbox.name);
  return name + " <" + mailbox.address + ">";
}

}  // namespace vexlo::delivery
