#include "office/engine/sheet/html_cell_text.h"

#include <algorithm>
#include <cstdlib>

#include "office/engine/sheet/utf8.h"

namespace vexlo::engine::sheet {
namespace {

// The longest entity we decode, '&' and ';' included: "&#x10FFFF;" and "&#1114111;" with some
// leading zeros. An '&' further than this from the next ';' is a plain '&'.
constexpr size_t kMaxEntityLength = 12;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// The character an entity ("amp", "#20320", "#x4F60") stands for; empty when unknown.
std::string EntityText(std::string_view name) {
  if (name.size() > 1 && name[0] == '#') {
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const std::string digits(name.substr(hex ? 2 : 1));
    if (digits.empty() || digits.size() > 7) return {};
    char* end = nullptr;
    const unsigned long cp = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
    if (*end != '\0' || cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {};
    std::string out;
    AppendUtf8(out, static_cast<uint32_t>(cp == 0xA0 ? ' ' : cp));
    return out;
  }
  if (name == "amp") return "&";
  if (name == "lt") return "<";
  if (name == "gt") return ">";
  if (name == "quot") return "\"";
  if (name == "apos") return "'";
  if (name == "nbsp") return " ";
  return {};
}

}  // namespace

void HtmlCellText::AddRaw(std::string_view text) {
  // Grow by at least half, so that a huge run is stored once and many small ones stay linear.
  if (out_.capacity() < out_.size() + text.size()) {
    out_.reserve(std::max(out_.size() + text.size(), out_.capacity() + out_.capacity() / 2));
  }
  size_t at = 0;
  while (at < text.size()) {
    const char c = text[at];
    if (IsSpace(c)) {
      pending_space_ = !out_.empty() && out_.back() != '\n';
      ++at;
    } else if (c == '&') {
      at = AddEntity(text, at);
    } else {
      // Up to the next space or entity in one piece.
      size_t end = at + 1;
      while (end < text.size() && !IsSpace(text[end]) && text[end] != '&') ++end;
      Put(text.substr(at, end - at));
      at = end;
    }
  }
}

void HtmlCellText::Break() {
  out_ += '\n';
  pending_space_ = false;
}

std::string HtmlCellText::Take() {
  pending_space_ = false;
  const size_t first = out_.find_first_not_of(" \n");
  if (first == std::string::npos) {
    out_.clear();
    return {};
  }
  out_.resize(out_.find_last_not_of(" \n") + 1);
  out_.erase(0, first);
  std::string text = std::move(out_);
  out_ = std::string();
  return text;
}

void HtmlCellText::Put(std::string_view text) {
  if (pending_space_) out_ += ' ';
  pending_space_ = false;
  out_ += text;
}

size_t HtmlCellText::AddEntity(std::string_view text, size_t at) {
  const size_t semicolon = text.substr(at, kMaxEntityLength).find(';');
  if (semicolon != std::string_view::npos) {
    const std::string decoded = EntityText(text.substr(at + 1, semicolon - 1));
    if (!decoded.empty()) {
      Put(decoded);  // a no-break space stays even between words
      return at + semicolon + 1;
    }
  }
  Put("&");
  return at + 1;
}

}  // namespace vexlo::engine::sheet
