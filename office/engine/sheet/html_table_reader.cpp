#include "office/engine/sheet/html_table_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "app/runtime_error.h"
#include "office/engine/sheet/text_decoding.h"
#include "office/engine/sheet/text_table.h"
#include "office/engine/sheet/utf8.h"

namespace vexlo::engine::sheet {
namespace {

constexpr uint32_t kMaxColspan = 1000;

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// The charset a page declares in its first few kilobytes ("charset=gb2312"), empty when none.
std::string DeclaredCharset(std::string_view bytes) {
  const std::string head = Lower(bytes.substr(0, 4096));
  const size_t at = head.find("charset=");
  if (at == std::string::npos) return {};
  size_t start = at + 8;
  while (start < head.size() && (head[start] == '"' || head[start] == '\'')) ++start;
  size_t end = start;
  while (end < head.size() && (std::isalnum(static_cast<unsigned char>(head[end])) ||
                               head[end] == '-' || head[end] == '_')) {
    ++end;
  }
  return head.substr(start, end - start);
}

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

// Collects a cell's text the way a browser lays it out: runs of white space become one space,
// none at the start or end, and a <br> breaks the line.
class CellText {
 public:
  void AddRaw(std::string_view text) {
    size_t at = 0;
    while (at < text.size()) {
      const char c = text[at];
      if (IsSpace(c)) {
        pending_space_ = !out_.empty() && out_.back() != '\n';
        ++at;
      } else if (c == '&') {
        at = AddEntity(text, at);
      } else {
        Put(std::string_view(&text[at], 1));
        ++at;
      }
    }
  }
  void Break() {
    out_ += '\n';
    pending_space_ = false;
  }
  // The text without blank lines or spaces at its ends: a cell of only &nbsp; is empty.
  std::string Take() {
    pending_space_ = false;
    const size_t first = out_.find_first_not_of(" \n");
    if (first == std::string::npos) {
      out_.clear();
      return {};
    }
    const size_t last = out_.find_last_not_of(" \n");
    std::string text = out_.substr(first, last - first + 1);
    out_.clear();
    return text;
  }

 private:
  void Put(std::string_view text) {
    if (pending_space_) out_ += ' ';
    pending_space_ = false;
    out_ += text;
  }
  size_t AddEntity(std::string_view text, size_t at) {
    const size_t semicolon = text.find(';', at);
    if (semicolon != std::string_view::npos && semicolon - at <= 10) {
      const std::string decoded = EntityText(text.substr(at + 1, semicolon - at - 1));
      if (!decoded.empty()) {
        if (decoded == " ") {
          Put(" ");  // a no-break space stays even between words
        } else {
          Put(decoded);
        }
        return semicolon + 1;
      }
    }
    Put("&");
    return at + 1;
  }

  std::string out_;
  bool pending_space_ = false;
};

// One tag: its lower-case name ("td", "/tr"), its attributes' text and where it ends.
struct Tag {
  std::string name;
  std::string attributes;
  size_t end = 0;
};

Tag ReadTag(std::string_view text, size_t open) {
  Tag tag;
  size_t at = open + 1;
  const size_t name_start = at;
  while (at < text.size() && !IsSpace(text[at]) && text[at] != '>' &&
         !(text[at] == '/' && at > name_start)) {
    ++at;
  }
  tag.name = Lower(text.substr(name_start, at - name_start));
  char quote = 0;
  const size_t attributes_start = at;
  while (at < text.size() && (quote || text[at] != '>')) {
    if (quote && text[at] == quote) quote = 0;
    else if (!quote && (text[at] == '"' || text[at] == '\'')) quote = text[at];
    ++at;
  }
  tag.attributes = Lower(text.substr(attributes_start, at - attributes_start));
  tag.end = std::min(at + 1, text.size());
  return tag;
}

uint32_t Colspan(const std::string& attributes) {
  const size_t at = attributes.find("colspan");
  if (at == std::string::npos) return 1;
  size_t digit = at + 7;
  while (digit < attributes.size() && !std::isdigit(static_cast<unsigned char>(attributes[digit]))) {
    if (attributes[digit] != '=' && attributes[digit] != '"' && attributes[digit] != '\'' &&
        !IsSpace(attributes[digit])) {
      return 1;
    }
    ++digit;
  }
  const unsigned long span = std::strtoul(attributes.c_str() + digit, nullptr, 10);
  return span < 1 ? 1 : static_cast<uint32_t>(std::min<unsigned long>(span, kMaxColspan));
}

// Walks the page from its first <table> to that table's end.
class TableWalker {
 public:
  TableWalker(std::string_view text, TextTable& table) : text_(text), table_(table) {}

  // False when the page has no table.
  bool Walk() {
    const size_t start = Lower(text_).find("<table");
    if (start == std::string::npos) return false;
    size_t at = start;
    while (at < text_.size()) {
      if (text_[at] != '<') {
        const size_t next = std::min(text_.find('<', at), text_.size());
        if (in_cell_) cell_.AddRaw(text_.substr(at, next - at));
        at = next;
        continue;
      }
      if (text_.substr(at, 4) == "<!--") {
        const size_t close = text_.find("-->", at + 4);
        at = close == std::string_view::npos ? text_.size() : close + 3;
        continue;
      }
      const Tag tag = ReadTag(text_, at);
      at = tag.end;
      if (tag.name == "script" || tag.name == "style") at = SkipElement(tag.name, at);
      if (!OnTag(tag)) break;
    }
    EndCell();
    return true;
  }

 private:
  // Past a script's or style's content, to its end tag (found without regard to case).
  size_t SkipElement(const std::string& name, size_t at) {
    const std::string end_tag = "</" + name;
    for (size_t close = text_.find("</", at); close != std::string_view::npos;
         close = text_.find("</", close + 2)) {
      if (Lower(text_.substr(close, end_tag.size())) == end_tag) return close;
    }
    return text_.size();
  }

  // False once the first table has ended.
  bool OnTag(const Tag& tag) {
    if (tag.name == "table") ++depth_;
    if (tag.name == "/table" && --depth_ == 0) return false;
    if (depth_ != 1) {
      if (tag.name == "br" && in_cell_) cell_.Break();
      return true;
    }
    if (tag.name == "tr") {
      EndCell();
      if (row_started_) ++row_;
      row_started_ = true;
      column_ = 0;
    } else if (tag.name == "td" || tag.name == "th") {
      EndCell();
      if (!row_started_) row_started_ = true;
      in_cell_ = true;
      span_ = Colspan(tag.attributes);
    } else if (tag.name == "/td" || tag.name == "/th" || tag.name == "/tr") {
      EndCell();
    } else if (tag.name == "br" && in_cell_) {
      cell_.Break();
    } else if ((tag.name == "p" || tag.name == "div" || tag.name == "/p" || tag.name == "/div") &&
               in_cell_) {
      cell_.AddRaw(" ");
    }
    return true;
  }

  void EndCell() {
    if (!in_cell_) return;
    in_cell_ = false;
    table_.Add(row_, column_, cell_.Take());
    column_ += span_;
  }

  std::string_view text_;
  TextTable& table_;
  CellText cell_;
  int depth_ = 0;
  bool in_cell_ = false;
  bool row_started_ = false;
  uint32_t row_ = 0;
  uint32_t column_ = 0;
  uint32_t span_ = 1;
};

}  // namespace

bool LooksLikeMarkup(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r\n\f");
  return first != std::string_view::npos && text[first] == '<';
}

WorkbookData ReadHtmlTable(std::string_view bytes, const std::string& display_name) {
  const std::string text = DecodeText(bytes, HasUtf16Bom(bytes) ? "" : DeclaredCharset(bytes));
  TextTable table(display_name);
  if (!TableWalker(text, table).Walk()) {
    throw app::RuntimeError::Format(display_name, "是网页文件，其中没有表格");
  }
  if (table.empty()) throw app::RuntimeError::Format(display_name, "是网页文件，其中的表格是空的");
  return table.Take();
}

}  // namespace vexlo::engine::sheet
