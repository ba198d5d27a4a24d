#include "office/engine/package/pdf_content_scan.h"

namespace vexlo::engine {

namespace {

bool IsWhite(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0'; }

bool IsDelimiter(char c) {
  return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' ||
         c == '/' || c == '%';
}

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

int HexValue(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

class Scanner {
 public:
  explicit Scanner(std::string_view bytes) : s_(bytes) {}

  std::optional<std::vector<ContentOperation>> Run() {
    std::vector<ContentOperation> operations;
    std::vector<ContentOperand> operands;
    for (;;) {
      SkipWhite();
      if (at_ >= s_.size()) return operations;
      const std::size_t begin = at_;
      const char c = s_[at_];
      ContentOperand operand;
      operand.offset = begin;
      if (c == '/') {
        operand.kind = ContentOperand::Kind::kName;
        if (!Name(operand.name)) return std::nullopt;
      } else if (c == '(') {
        operand.kind = ContentOperand::Kind::kString;
        if (!LiteralString()) return std::nullopt;
      } else if (c == '<' && Peek(1) == '<') {
        operand.kind = ContentOperand::Kind::kDictionary;
        if (!Composite()) return std::nullopt;
      } else if (c == '<') {
        operand.kind = ContentOperand::Kind::kString;
        if (!HexString()) return std::nullopt;
      } else if (c == '[') {
        operand.kind = ContentOperand::Kind::kArray;
        if (!Composite()) return std::nullopt;
      } else if (IsDelimiter(c)) {
        return std::nullopt;  // a closing bracket without its opening one, a brace
      } else {
        const std::string_view word = Regular();
        if (IsOperand(word)) {
          operand.kind = ContentOperand::Kind::kOther;
        } else {
          // An inline image holds bytes that are no tokens: left to libqpdf.
          if (word == "BI" || word == "ID" || word == "EI") return std::nullopt;
          operations.push_back({std::string(word), std::move(operands)});
          operands.clear();
          continue;
        }
      }
      operand.length = at_ - begin;
      operands.push_back(std::move(operand));
    }
  }

 private:
  char Peek(std::size_t ahead) const { return at_ + ahead < s_.size() ? s_[at_ + ahead] : '\0'; }

  void SkipWhite() {
    while (at_ < s_.size()) {
      if (IsWhite(s_[at_])) {
        ++at_;
      } else if (s_[at_] == '%') {
        while (at_ < s_.size() && s_[at_] != '\n' && s_[at_] != '\r') ++at_;
      } else {
        return;
      }
    }
  }

  std::string_view Regular() {
    const std::size_t begin = at_;
    while (at_ < s_.size() && !IsWhite(s_[at_]) && !IsDelimiter(s_[at_])) ++at_;
    return s_.substr(begin, at_ - begin);
  }

  // Numbers (a sign, digits and at most one point), and the keywords that stand for values;
  // any other word is an operator.
  static bool IsOperand(std::string_view word) {
    if (word == "true" || word == "false" || word == "null") return true;
    std::size_t i = word.front() == '-' || word.front() == '+' ? 1 : 0;
    int digits = 0, points = 0;
    for (; i < word.size(); ++i) {
      if (word[i] >= '0' && word[i] <= '9') ++digits;
      else if (word[i] == '.') ++points;
      else return false;
    }
    return digits > 0 && points <= 1;
  }

  bool Name(std::string& name) {
    ++at_;  // the slash
    name.assign(1, '/');
    const std::string_view raw = Regular();
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != '#') {
        name += raw[i];
      } else if (i + 2 < raw.size() && IsHexDigit(raw[i + 1]) && IsHexDigit(raw[i + 2])) {
        const char decoded = static_cast<char>(HexValue(raw[i + 1]) * 16 + HexValue(raw[i + 2]));
        if (decoded == '\0') return false;
        name += decoded;
        i += 2;
      } else {
        return false;  // a stray #: left to libqpdf
      }
    }
    return true;
  }

  // From "(" to its balancing ")", past escaped characters.
  bool LiteralString() {
    int depth = 0;
    while (at_ < s_.size()) {
      const char c = s_[at_++];
      if (c == '\\') {
        ++at_;
      } else if (c == '(') {
        ++depth;
      } else if (c == ')' && --depth == 0) {
        return true;
      }
    }
    return false;
  }

  bool HexString() {
    ++at_;
    while (at_ < s_.size() && s_[at_] != '>') {
      if (!IsHexDigit(s_[at_]) && !IsWhite(s_[at_])) return false;
      ++at_;
    }
    if (at_ >= s_.size()) return false;
    ++at_;
    return true;
  }

  // An array or a dictionary, with what it holds, to its closing bracket.
  bool Composite() {
    std::string open;  // the brackets open: '[' or '<'
    do {
      SkipWhite();
      if (at_ >= s_.size()) return false;
      const char c = s_[at_];
      if (c == '[') {
        open += '[';
        ++at_;
      } else if (c == '<' && Peek(1) == '<') {
        open += '<';
        at_ += 2;
      } else if (c == ']' || (c == '>' && Peek(1) == '>')) {
        if (open.back() != (c == ']' ? '[' : '<')) return false;
        open.pop_back();
        at_ += c == ']' ? 1 : 2;
      } else if (c == '(') {
        if (!LiteralString()) return false;
      } else if (c == '<') {
        if (!HexString()) return false;
      } else if (c == '/') {
        std::string ignored;
        if (!Name(ignored)) return false;
      } else if (IsDelimiter(c)) {
        return false;
      } else {
        // An operator inside brackets is no content the office writes.
        if (!IsOperand(Regular())) return false;
      }
    } while (!open.empty());
    return true;
  }

  std::string_view s_;
  std::size_t at_ = 0;
};

}  // namespace

std::optional<std::vector<ContentOperation>> ScanContent(std::string_view bytes) { return Scanner(bytes).Run(); }

}  // namespace vexlo::engine
