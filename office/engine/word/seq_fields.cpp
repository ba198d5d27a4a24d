#include "office/engine/word/seq_fields.h"

#include <cctype>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "office/engine/package/xml_string_writer.h"

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

// The identifier (upper-cased) of SEQ instruction `instr`, and whether it restarts the sequence.
std::pair<std::string, bool> Sequence(std::string_view instr) {
  const std::vector<std::string> t = Tokens(instr);
  if (t.size() < 2 || Upper(t[0]) != "SEQ" || t[1].front() == '\\') return {};
  return {Upper(t[1]), HasSwitch(t, 'R')};
}

// Replaces the sequence fields after their restarts by their results (see SequencesAsText).
class SequenceFlattener {
 public:
  explicit SequenceFlattener(std::string w) : w_(std::move(w)) {}

  void Visit(pugi::xml_node n) {
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
      if (c.type() == pugi::node_element) Element(c);
    }
  }

  // Removes what the walk replaced; false when it replaced nothing.
  bool Finish() {
    for (pugi::xml_node n : doomed_) n.parent().remove_child(n);
    return !doomed_.empty();
  }

 private:
  struct Open {
    pugi::xml_node begin, separate;  // their runs
    std::string instr;
    bool simple = true;  // every part in a run of its own, siblings of the begin's run
  };

  // The run `part` (a w:fldChar or w:instrText) stands in, when it holds nothing else.
  pugi::xml_node OwnRun(pugi::xml_node part) const {
    const pugi::xml_node run = part.parent();
    if (std::string_view(run.name()) != w_ + "r") return {};
    for (pugi::xml_node c = run.first_child(); c; c = c.next_sibling()) {
      if (c.type() == pugi::node_element && c != part && std::string_view(c.name()) != w_ + "rPr") return {};
    }
    return run;
  }

  bool Flattens(std::string_view instr) {
    const auto [id, restarts] = Sequence(instr);
    if (id.empty()) return false;
    if (restarts) restarted_.insert(id);
    return restarted_.count(id) != 0;
  }

  void Element(pugi::xml_node n) {
    const std::string_view name = n.name();
    if (name == w_ + "fldChar") {
      FieldChar(n);
    } else if (name == w_ + "instrText") {
      if (!open_.empty()) {
        open_.back().instr += n.text().get();
        const pugi::xml_node run = OwnRun(n);
        if (!run || run.parent() != open_.back().begin.parent()) open_.back().simple = false;
      }
    } else if (name == w_ + "fldSimple" && open_.empty()) {
      if (Flattens(n.attribute((w_ + "instr").c_str()).value())) {
        for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) n.parent().insert_copy_before(c, n);
        doomed_.push_back(n);
        return;
      }
    }
    Visit(n);
  }

  void FieldChar(pugi::xml_node n) {
    const std::string_view type = n.attribute((w_ + "fldCharType").c_str()).value();
    const pugi::xml_node run = OwnRun(n);
    if (type == "begin") {
      open_.push_back({run, {}, {}, run && open_.empty()});
      return;
    }
    if (open_.empty()) return;
    Open& field = open_.back();
    if (!run || run.parent() != field.begin.parent()) field.simple = false;
    if (type == "separate") {
      field.separate = run;
      return;
    }
    if (type != "end") return;
    // Every instruction counts towards the restarts, flattened or not.
    const bool flatten = Flattens(field.instr) && field.simple && field.separate;
    if (flatten) {
      for (pugi::xml_node c = field.begin; c; c = c.next_sibling()) {
        doomed_.push_back(c);
        if (c == field.separate) break;
      }
      doomed_.push_back(run);
    }
    open_.pop_back();
  }

  const std::string w_;
  std::vector<Open> open_;
  std::set<std::string> restarted_;
  std::vector<pugi::xml_node> doomed_;  // removed once the walk is over
};

}  // namespace

std::string SequencesAsText(const std::string& main_xml) {
  if (main_xml.find("SEQ") == std::string::npos) return main_xml;
  pugi::xml_document doc;
  constexpr unsigned kParse = pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration;
  if (!doc.load_buffer(main_xml.data(), main_xml.size(), kParse)) return main_xml;
  const pugi::xml_node root = doc.document_element();
  const std::string_view root_name = root.name();
  const std::size_t colon = root_name.find(':');
  SequenceFlattener flattener(colon == std::string_view::npos ? "" : std::string(root_name.substr(0, colon + 1)));
  flattener.Visit(root);
  if (!flattener.Finish()) return main_xml;
  XmlStringWriter out;
  doc.save(out, "", pugi::format_raw);
  return std::move(out.s);
}

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
