#include "office/engine/word/seq_fields.h"

#include <cctype>
#include <cstring>
#include <set>
#include <vector>

namespace vexlo::engine::word {

namespace {

std::vector<std::string> Tokens(std::string_view s) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    const size_t start = i;
    while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    if (i > start) out.emplace_back(s.substr(start, i - start));
  }
  return out;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// True when a token after the identifier is switch `letter` (upper case).
bool HasSwitch(const std::vector<std::string>& tokens, char letter) {
  for (size_t i = 2; i < tokens.size(); ++i) {
    if (tokens[i].size() >= 2 && tokens[i][0] == '\\' &&
        std::toupper(static_cast<unsigned char>(tokens[i][1])) == letter) {
      return true;
    }
  }
  return false;
}

// Walks the story in document order and collects each complex field's instruction.
class FieldWalk {
 public:
  explicit FieldWalk(const std::string& w) : w_(w) {}

  void Visit(const pugi::xml_node& n) {
    const std::string_view name = n.name();
    if (name == w_ + "fldChar") {
      const std::string_view type = n.attribute((w_ + "fldCharType").c_str()).value();
      if (type == "begin") {
        open_.push_back({});
      } else if (!open_.empty() && (type == "separate" || type == "end")) {
        if (!open_.back().done) Decide(open_.back().instr, open_.back().last);
        open_.back().done = true;
        if (type == "end") open_.pop_back();
      }
    } else if (name == w_ + "instrText" && !open_.empty() && !open_.back().done) {
      open_.back().instr += n.text().get();
      open_.back().last = n;
    } else if (name == w_ + "fldSimple") {
      Decide(n.attribute((w_ + "instr").c_str()).value(), n);
    }
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
      if (c.type() == pugi::node_element) Visit(c);
    }
  }

  std::unordered_set<const void*> marked;

 private:
  struct Open {
    std::string instr;
    pugi::xml_node last;
    bool done = false;
  };

  void Decide(std::string_view instr, const pugi::xml_node& end) {
    const std::string id = CountingSequence(instr);
    if (!id.empty() && end && seen_.insert(id).second) marked.insert(end.internal_object());
    if (id.empty()) {
      // A SEQ field that sets its number restarts the sequence in every copy by itself.
      const std::vector<std::string> t = Tokens(instr);
      if (t.size() >= 2 && Upper(t[0]) == "SEQ" && HasSwitch(t, 'R')) {
        seen_.insert(Upper(t[1]));
      }
    }
  }

  const std::string& w_;
  std::vector<Open> open_;
  std::set<std::string> seen_;
};

}  // namespace

std::string CountingSequence(std::string_view instr) {
  const std::vector<std::string> t = Tokens(instr);
  if (t.size() < 2 || Upper(t[0]) != "SEQ" || t[1].front() == '\\') return {};
  if (HasSwitch(t, 'R') || HasSwitch(t, 'C')) return {};
  return Upper(t[1]);
}

std::unordered_set<const void*> FirstSequenceFields(const pugi::xml_node& root, const std::string& w) {
  FieldWalk walk(w);
  walk.Visit(root);
  return std::move(walk.marked);
}

}  // namespace vexlo::engine::word
