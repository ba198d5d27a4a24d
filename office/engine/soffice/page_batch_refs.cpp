#include "office/engine/soffice/page_batch_refs.h"

#include <cctype>
#include <set>
#include <vector>

namespace vexlo::engine {

namespace {

// A word of a field's instruction: where it stands and what it says (quotes taken off).
struct Word {
  std::size_t at, size;
  std::string text;
};

std::vector<Word> Words(const std::string& instruction) {
  std::vector<Word> words;
  std::size_t i = 0;
  while (i < instruction.size()) {
    if (instruction[i] == ' ') {
      ++i;
      continue;
    }
    const std::size_t at = i;
    if (instruction[i] == '"') {
      const std::size_t end = instruction.find('"', i + 1);
      i = end == std::string::npos ? instruction.size() : end + 1;
      words.push_back({at, i - at, instruction.substr(at + 1, (end == std::string::npos ? i : end) - at - 1)});
    } else {
      while (i < instruction.size() && instruction[i] != ' ') ++i;
      words.push_back({at, i - at, instruction.substr(at, i - at)});
    }
  }
  return words;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool HasSwitch(const std::vector<Word>& words, const char* flag) {
  for (const Word& w : words) {
    if (Upper(w.text) == flag) return true;
  }
  return false;
}

std::string Renamed(const std::string& name, std::size_t k) { return name + "_vx" + std::to_string(k); }

// Visits the elements under `root` in document order; `visit` returns false to stop.
bool EachElement(pugi::xml_node root, const std::function<bool(pugi::xml_node)>& visit) {
  for (pugi::xml_node n = root.first_child(); n; n = n.next_sibling()) {
    if (n.type() != pugi::node_element) continue;
    if (!visit(n) || !EachElement(n, visit)) return false;
  }
  return true;
}

}  // namespace

bool RewriteInstructions(pugi::xml_node root, const std::function<void(std::string&)>& change) {
  std::vector<pugi::xml_node> texts;  // the instruction runs of the complex field being read
  bool open = false;
  return EachElement(root, [&](pugi::xml_node n) {
    const std::string_view name = n.name();
    if (name == "w:fldSimple") {
      std::string instruction = n.attribute("w:instr").value();
      change(instruction);
      n.attribute("w:instr").set_value(instruction.c_str());
    } else if (name == "w:fldChar") {
      const std::string_view type = n.attribute("w:fldCharType").value();
      if (type == "begin") {
        if (open) return false;
        open = true;
        texts.clear();
      } else if (open && (type == "separate" || type == "end")) {
        open = false;
        if (texts.empty()) return true;
        std::string instruction;
        for (pugi::xml_node t : texts) instruction += t.text().get();
        change(instruction);
        texts.front().text().set(instruction.c_str());
        for (std::size_t i = 1; i < texts.size(); ++i) texts[i].text().set("");
      }
    } else if (name == "w:instrText" && open) {
      texts.push_back(n);
    }
    return true;
  });
}

Status CheckReferences(pugi::xml_node root) {
  std::string why;
  if (!RewriteInstructions(root, [&why](std::string& instruction) {
        const std::vector<Word> words = Words(instruction);
        if (words.empty()) return;
        const std::string field = Upper(words[0].text);
        if (field == "SEQ" && HasSwitch(words, "\\C")) why = "含有重复上一编号的题注";
      })) {
    return Status::Refused("含有嵌套的域");
  }
  if (!why.empty()) return Status::Refused(std::move(why));
  return Status::Ok();
}

bool OwnReferences(pugi::xml_node body, std::size_t k) {
  std::set<std::string> names;
  for (pugi::xpath_node b : body.select_nodes(".//w:bookmarkStart")) names.insert(b.node().attribute("w:name").value());
  for (const std::string& name : names) {
    if (names.count(Renamed(name, k)) != 0) return false;
  }
  const auto rename = [&](pugi::xml_attribute a) {
    if (a && names.count(a.value()) != 0) a.set_value(Renamed(a.value(), k).c_str());
  };
  for (pugi::xpath_node b : body.select_nodes(".//w:bookmarkStart")) rename(b.node().attribute("w:name"));
  for (pugi::xpath_node h : body.select_nodes(".//w:hyperlink[@w:anchor]")) rename(h.node().attribute("w:anchor"));
  for (pugi::xpath_node f : body.select_nodes(".//w:ffData/w:name")) rename(f.node().attribute("w:val"));
  std::set<std::string> sequences;  // those whose first caption in this record has been met
  return RewriteInstructions(body, [&](std::string& instruction) {
    const std::vector<Word> words = Words(instruction);
    if (words.size() < 2) return;
    const std::string field = Upper(words[0].text);
    const Word* target = nullptr;
    if (field == "REF" || field == "PAGEREF") target = &words[1];
    if (field == "HYPERLINK") {
      for (std::size_t i = 1; i + 1 < words.size(); ++i) {
        if (Upper(words[i].text) == "\\L") target = &words[i + 1];
      }
    }
    if (target != nullptr && names.count(target->text) != 0) {
      instruction.replace(target->at, target->size, "\"" + Renamed(target->text, k) + "\"");
    }
    // The first caption of a sequence starts it again, unless it says where to start.
    if (field == "SEQ" && sequences.insert(words[1].text).second && !HasSwitch(words, "\\R")) {
      instruction += " \\r 1 ";
    }
  });
}

}  // namespace vexlo::engine
