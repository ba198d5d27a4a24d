#include "office/engine/sheet/csv_reader.h"

#include "app/runtime_error.h"
#include "office/engine/sheet/text_decoding.h"
#include "office/engine/sheet/text_table.h"

namespace vexlo::engine::sheet {
namespace {

// Walks the text field by field; a line break ends a record (CR LF, LF or CR alone).
class CsvParser {
 public:
  CsvParser(std::string_view text, char separator) : text_(text), separator_(separator) {}

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
  }

  std::string ReadField() {
    if (at_ < text_.size() && text_[at_] == '"') return ReadQuoted();
    const size_t start = at_;
    while (!AtRecordEnd()) ++at_;
    return std::string(text_.substr(start, at_ - start));
  }

  // A quoted field; whatever follows its closing quote up to the separator is kept too, as
  // spreadsheet programs do with `"a"b`.
  std::string ReadQuoted() {
    std::string field;
    ++at_;
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c != '"') {
        if (c == '\r' && at_ < text_.size() && text_[at_] == '\n') continue;  // CR LF inside: LF
        field += c == '\r' ? '\n' : c;
        continue;
      }
      if (at_ < text_.size() && text_[at_] == '"') {
        field += '"';
        ++at_;
        continue;
      }
      break;
    }
    while (!AtRecordEnd()) field += text_[at_++];
    return field;
  }

  std::string_view text_;
  char separator_;
  size_t at_ = 0;
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

WorkbookData ReadCsv(std::string_view bytes, const std::string& display_name) {
  const std::string text = DecodeText(bytes);
  TextTable table(display_name);
  CsvParser(text, CsvSeparator(text)).ReadInto(table);
  if (table.empty()) throw app::RuntimeError::Format(display_name, "中没有任何数据");
  return table.Take();
}

}  // namespace vexlo::engine::sheet
