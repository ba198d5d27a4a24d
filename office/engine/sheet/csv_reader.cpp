#include "office/engine/sheet/csv_reader.h"

#include "app/runtime_error.h"
#include "office/engine/sheet/text_decoding.h"
#include "office/engine/sheet/text_table.h"

namespace vexlo::engine::sheet {
namespace {

// Walks the text field by field; a line break ends a record (CR LF, LF or CR alone). Counts the
// file's lines as it goes, so that a quote left open can be placed.
class CsvParser {
 public:
  CsvParser(std::string_view text, char separator, const std::string& display_name)
      : text_(text), separator_(separator), display_name_(display_name) {}

  void ReadInto(TextTable& table) {
    uint32_t row = 0;
    uint32_t column = 0;
    while (at_ < text_.size()) {
      table.Add(row, column, ReadField());
      if (at_ >= text_.size()) break;
      if (text_[at_] == separator_) {
        ++at_;
        ++column;
        if (at_ == text_.size()) break;
        continue;
      }
      SkipLineBreak();
      ++row;
      column = 0;
    }
  }

 private:
  bool AtRecordEnd() const {
    return at_ >= text_.size() || text_[at_] == separator_ || text_[at_] == '\n' || text_[at_] == '\r';
  }

  void SkipLineBreak() {
    if (text_[at_] == '\r' && at_ + 1 < text_.size() && text_[at_ + 1] == '\n') ++at_;
    ++at_;
    ++line_;
  }

  std::string ReadField() {
    if (at_ < text_.size() && text_[at_] == '"') return ReadQuoted();
    const size_t start = at_;
    while (!AtRecordEnd()) ++at_;
    return std::string(text_.substr(start, at_ - start));
  }

  // The position of the quote that closes the field whose content starts at `from`: a quote
  // not followed by another (two stand for one quote in the text).
  size_t ClosingQuote(size_t from) const {
    for (size_t q = text_.find('"', from); q != std::string_view::npos; q = text_.find('"', q + 2)) {
      if (q + 1 >= text_.size() || text_[q + 1] != '"') return q;
    }
    throw app::RuntimeError::Format(
        display_name_, "第 " + std::to_string(line_) +
                           " 行有一个引号没有结束：从这个引号起直到文件末尾都没有与它配对的引号。"
                           "请在表格软件或记事本中检查这一行，补上缺少的引号");
  }

  // A quoted field; whatever follows its closing quote up to the separator is kept too, as
  // spreadsheet programs do with `"a"b`. The closing quote is found first, so that the field is
  // built in one piece of the size it needs.
  std::string ReadQuoted() {
    const size_t start = at_ + 1;
    const size_t close = ClosingQuote(start);
    std::string field;
    field.reserve(close - start);
    for (at_ = start; at_ < close;) {
      const size_t special = text_.find_first_of("\"\r\n", at_);
      const size_t stop = std::min(special, close);
      field.append(text_.substr(at_, stop - at_));
      at_ = stop;
      if (at_ >= close) break;
      if (text_[at_] == '"') {  // the first of two
        field += '"';
        at_ += 2;
        continue;
      }
      // A line break inside the field: CR LF and CR alone become LF.
      if (text_[at_] == '\r' && at_ + 1 < close && text_[at_ + 1] == '\n') ++at_;
      field += '\n';
      ++at_;
      ++line_;
    }
    at_ = close + 1;
    const size_t rest = at_;
    while (!AtRecordEnd()) ++at_;
    field.append(text_.substr(rest, at_ - rest));
    return field;
  }

  std::string_view text_;
  char separator_;
  const std::string& display_name_;
  size_t at_ = 0;
  size_t line_ = 1;  // the line of the file at_ is on
};

}  // namespace

char CsvSeparator(std::string_view text) {
  size_t commas = 0, tabs = 0, semicolons = 0;
  bool quoted = false;
  for (const char c : text) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\n' || c == '\r') break;
    commas += c == ',';
    tabs += c == '\t';
    semicolons += c == ';';
  }
  if (tabs > commas && tabs >= semicolons) return '\t';
  if (semicolons > commas) return ';';
  return ',';
}

WorkbookData ReadCsv(std::string bytes, const std::string& display_name) {
  const std::optional<std::string> text = DecodeText(std::move(bytes));
  if (!text) throw app::RuntimeError::Format(display_name, "不是Excel工作簿（无法识别的文件格式）");
  TextTable table(display_name);
  CsvParser(*text, CsvSeparator(*text), display_name).ReadInto(table);
  if (table.empty()) throw app::RuntimeError::Format(display_name, "中没有任何数据");
  return table.Take();
}

}  // namespace vexlo::engine::sheet
