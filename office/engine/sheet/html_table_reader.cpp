#include "office/engine/sheet/html_table_reader.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "app/runtime_error.h"
#include "office/engine/sheet/html_cell_text.h"
#include "office/engine/sheet/text_decoding.h"
#include "office/engine/sheet/text_table.h"

namespace vexlo::engine::sheet {
namespace {

constexpr uint32_t kMaxColspan = 1000;

char LowerChar(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(), LowerChar);
  return out;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Whether `text` at `at` holds `lower` in any case.
bool StartsWithNoCase(std::string_view text, size_t at, std::string_view lower) {
  if (text.size() - at < lower.size()) return false;
  for (size_t i = 0; i < lower.size(); ++i) {
    if (LowerChar(text[at + i]) != lower[i]) return false;
  }
  return true;
}

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

// Elements whose content is no markup a table could be read from: raw text, or (template) a
// fragment the browser keeps aside.
bool SkipsContent(const std::string& name) {
  return name == "script" || name == "style" || name == "textarea" || name == "title" ||
         name == "xmp" || name == "iframe" || name == "noembed" || name == "noframes" ||
         name == "template";
}

// One tag: its lower-case name ("td", "/tr"), its attributes' text and where it ends.
struct Tag {
  std::string name;
  std::string_view attributes;
  size_t end = 0;
};

// REQUIRES: text[open] is '<', followed by a letter or by '/' and a letter.
Tag ReadTag(std::string_view text, size_t open) {
  Tag tag;
  size_t at = open + 1;
  const size_t name_start = at;
  while (at < text.size() && !IsSpace(text[at]) && text[at] != '>' &&
         !(text[at] == '/' && at > name_start)) {
    ++at;
  }
  tag.name = Lower(text.substr(name_start, at - name_start));
  // A quote opens a value only after '=' (spaces between allowed); a stray one is a character.
  const size_t attributes_start = at;
  char quote = 0;
  char last = 0;  // the last character outside quotes that is no space
  while (at < text.size() && (quote || text[at] != '>')) {
    const char c = text[at];
    if (quote) {
      if (c == quote) quote = 0;
    } else if ((c == '"' || c == '\'') && last == '=') {
      quote = c;
    }
    if (!quote && !IsSpace(c)) last = c;
    ++at;
  }
  tag.attributes = text.substr(attributes_start, at - attributes_start);
  tag.end = std::min(at + 1, text.size());
  return tag;
}

uint32_t Colspan(std::string_view raw_attributes) {
  const std::string attributes = Lower(raw_attributes);
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

// Walks the page from its start to the end of its first table, passing over comments and the
// content of the elements that hold no table a browser shows.
class TableWalker {
 public:
  TableWalker(std::string_view text, TextTable& table) : text_(text), table_(table) {}

  // False when the page has no table.
  bool Walk() {
    size_t at = 0;
    while (at < text_.size()) {
      const size_t lt = std::min(text_.find('<', at), text_.size());
      if (in_cell_) cell_.AddRaw(text_.substr(at, lt - at));
      at = lt;
      if (at >= text_.size()) break;
      const char next = at + 1 < text_.size() ? text_[at + 1] : '\0';
      if (next == '!' || next == '?') {
        at = SkipDeclaration(at);
        continue;
      }
      const bool end_tag = next == '/';
      const char first = end_tag ? (at + 2 < text_.size() ? text_[at + 2] : '\0') : next;
      if (!IsLetter(first)) {
        // "</>" and "</3" are dropped up to their '>'; "<" before anything else is a character.
        if (end_tag) {
          at = EndOf('>', at);
          continue;
        }
        if (in_cell_) cell_.AddRaw("<");
        ++at;
        continue;
      }
      const Tag tag = ReadTag(text_, at);
      at = tag.end;
      if (SkipsContent(tag.name)) {
        at = tag.name == "template" ? SkipTemplate(at) : SkipRawText(tag.name, at);
        continue;
      }
      if (!OnTag(tag)) break;
    }
    EndCell();
    return found_;
  }

 private:
  // Just past the next `c` from `from` on, or the end of the page.
  size_t EndOf(char c, size_t from) const {
    const size_t found = text_.find(c, from);
    return found == std::string_view::npos ? text_.size() : found + 1;
  }

  // Past a comment ("<!--" to "-->"), a doctype, a CDATA section or a processing instruction.
  size_t SkipDeclaration(size_t at) const {
    if (text_.compare(at, 4, "<!--") != 0) return EndOf('>', at);
    // "<!-->" and "<!--->" end at once, as browsers read them.
    if (text_.compare(at + 4, 1, ">") == 0) return at + 5;
    if (text_.compare(at + 4, 2, "->") == 0) return at + 6;
    const size_t close = text_.find("-->", at + 4);
    return close == std::string_view::npos ? text_.size() : close + 3;
  }

  // Whether an end tag of `name` starts at `at` ("</name" then a space, '/' or '>').
  bool IsEndTag(size_t at, std::string_view name) const {
    if (text_.compare(at, 2, "</") != 0 || !StartsWithNoCase(text_, at + 2, name)) return false;
    const size_t after = at + 2 + name.size();
    return after >= text_.size() || IsSpace(text_[after]) || text_[after] == '/' ||
           text_[after] == '>';
  }

  // Past a raw-text element's content and its end tag.
  size_t SkipRawText(const std::string& name, size_t at) const {
    for (size_t close = text_.find("</", at); close != std::string_view::npos;
         close = text_.find("</", close + 2)) {
      if (IsEndTag(close, name)) return EndOf('>', close);
    }
    return text_.size();
  }

  // Past a template's content, templates inside it included, and its end tag.
  size_t SkipTemplate(size_t at) const {
    int depth = 1;
    for (size_t lt = text_.find('<', at); lt != std::string_view::npos; lt = text_.find('<', lt + 1)) {
      if (IsEndTag(lt, "template")) {
        if (--depth == 0) return EndOf('>', lt);
      } else if (StartsWithNoCase(text_, lt + 1, "template") &&
                 (lt + 9 >= text_.size() || IsSpace(text_[lt + 9]) || text_[lt + 9] == '>')) {
        ++depth;
      }
    }
    return text_.size();
  }

  // False once the first table has ended.
  bool OnTag(const Tag& tag) {
    if (tag.name == "table") {
      found_ = true;
      ++depth_;
    }
    if (depth_ == 0) return true;  // before the first table
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
    // Spans past the last column stop there: a later cell with text is refused, never wraps.
    column_ = std::min<uint32_t>(column_ + span_, kMaxColumns);
  }

  std::string_view text_;
  TextTable& table_;
  HtmlCellText cell_;
  bool found_ = false;  // a table has begun
  int depth_ = 0;       // tables open, the first one included
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

WorkbookData ReadHtmlTable(std::string bytes, const std::string& display_name) {
  const std::string declared = HasUtf16Bom(bytes) ? "" : DeclaredCharset(bytes);
  const std::optional<std::string> text = DecodeText(std::move(bytes), declared);
  if (!text) throw app::RuntimeError::Format(display_name, "不是Excel工作簿（无法识别的文件格式）");
  TextTable table(display_name);
  if (!TableWalker(*text, table).Walk()) {
    throw app::RuntimeError::Format(display_name, "是网页文件，其中没有表格");
  }
  if (table.empty()) throw app::RuntimeError::Format(display_name, "是网页文件，其中的表格是空的");
  return table.Take();
}

}  // namespace vexlo::engine::sheet
