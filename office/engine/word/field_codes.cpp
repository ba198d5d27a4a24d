#include "office/engine/word/field_codes.h"

#include <pugixml.hpp>

#include <cctype>

#include "office/engine/package/xml_string_writer.h"

namespace vexlo::engine::word {

namespace {

constexpr unsigned kParse = pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration;

// One field with the nodes that make it up.
struct FieldNodes {
  pugi::xml_node simple;                   // a w:fldSimple
  pugi::xml_node begin, separate, end;     // a complex field's marks (w:fldChar)
  std::vector<pugi::xml_node> code_runs;   // runs wholly inside its instruction
  std::vector<pugi::xml_node> result_texts;  // w:t of its result
  std::string code;
  bool in_result = false;                  // the walk is past its separate mark
};

// Walks a part in document order and collects its fields.
class FieldWalk {
 public:
  explicit FieldWalk(std::string w) : w_(std::move(w)) {}

  std::vector<FieldNodes> fields;

  void Visit(const pugi::xml_node& n) {
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
      if (c.type() == pugi::node_element) Element(c);
    }
  }

 private:
  bool Is(const pugi::xml_node& n, std::string_view local) const {
    const std::string_view name = n.name();
    return name.size() == w_.size() + local.size() && name.substr(0, w_.size()) == w_ &&
           name.substr(w_.size()) == local;
  }

  void Element(const pugi::xml_node& n) {
    if (Is(n, "fldSimple")) {
      FieldNodes f;
      f.simple = n;
      f.code = n.attribute((w_ + "instr").c_str()).value();
      f.in_result = true;
      fields.push_back(std::move(f));
      open_.push_back(fields.size() - 1);
      Visit(n);
      open_.pop_back();
      return;
    }
    if (Is(n, "r")) {
      // A run inside an instruction (not one of the field's own marks) goes with it.
      if (!open_.empty() && !fields[open_.back()].in_result && !fields[open_.back()].simple &&
          !n.child((w_ + "fldChar").c_str())) {
        fields[open_.back()].code_runs.push_back(n);
      }
      Visit(n);
      return;
    }
    if (Is(n, "fldChar")) return FieldChar(n);
    if (Is(n, "instrText")) {
      if (!open_.empty() && !fields[open_.back()].in_result) fields[open_.back()].code += n.text().get();
      return;
    }
    if (Is(n, "t")) {
      for (size_t i : open_) {
        if (fields[i].in_result) fields[i].result_texts.push_back(n);
      }
      return;
    }
    Visit(n);
  }

  void FieldChar(const pugi::xml_node& n) {
    const std::string_view type = n.attribute((w_ + "fldCharType").c_str()).value();
    if (type == "begin") {
      FieldNodes f;
      f.begin = n;
      fields.push_back(std::move(f));
      open_.push_back(fields.size() - 1);
      return;
    }
    // Marks that close a simple field's inner complex ones only.
    if (open_.empty() || fields[open_.back()].simple) return;
    FieldNodes& f = fields[open_.back()];
    if (type == "separate") {
      f.separate = n;
      f.in_result = true;
    } else if (type == "end") {
      f.end = n;
      open_.pop_back();
    }
  }

  const std::string w_;
  std::vector<size_t> open_;  // indexes of the fields around the current node
};

struct ParsedPart {
  pugi::xml_document doc;
  std::string w;
  std::vector<FieldNodes> fields;
};

bool Parse(std::string_view xml, ParsedPart& part) {
  if (!part.doc.load_buffer(xml.data(), xml.size(), kParse)) return false;
  const std::string_view root = part.doc.document_element().name();
  const size_t colon = root.find(':');
  part.w = colon == std::string_view::npos ? "" : std::string(root.substr(0, colon + 1));
  FieldWalk walk(part.w);
  walk.Visit(part.doc.document_element());
  // A complex field without its end mark is damaged: it is no field.
  for (FieldNodes& f : walk.fields) {
    if (f.simple || f.end) part.fields.push_back(std::move(f));
  }
  return true;
}

std::string Save(const pugi::xml_document& doc) {
  XmlStringWriter out;
  doc.save(out, "", pugi::format_raw, pugi::encoding_utf8);
  return std::move(out.s);
}

// Removes the field mark `mark` (or any node) and then its run when nothing but properties are
// left in it.
void RemoveWithEmptyRun(pugi::xml_node mark, const std::string& w) {
  pugi::xml_node run = mark.parent();
  run.remove_child(mark);
  if (std::string_view(run.name()) != w + "r") return;
  for (pugi::xml_node c = run.first_child(); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element && std::string_view(c.name()) != w + "rPr") return;
  }
  run.parent().remove_child(run);
}

void SetText(pugi::xml_node t, std::string_view text) {
  t.text().set(std::string(text).c_str());
  if (!t.attribute("xml:space")) t.append_attribute("xml:space") = "preserve";
}

}  // namespace

int32_t FieldTypeOf(std::string_view code) {
  size_t i = 0;
  while (i < code.size() && (code[i] == ' ' || code[i] == '\t')) ++i;
  size_t j = i;
  while (j < code.size() && code[j] != ' ' && code[j] != '\t' && code[j] != '\\') ++j;
  std::string word(code.substr(i, j - i));
  for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (word == "MERGEFIELD") return kFieldMergeField;
  if (word == "HYPERLINK") return kFieldHyperlink;
  if (word == "PAGE") return kFieldPage;
  if (word == "DATE") return kFieldDate;
  if (word == "SEQ") return kFieldSequence;
  if (word == "REF") return kFieldRef;
  if (word == "IF") return kFieldIf;
  return kFieldEmpty;
}

std::vector<FieldText> ListFields(std::string_view xml) {
  std::vector<FieldText> out;
  ParsedPart part;
  if (!Parse(xml, part)) return out;
  for (const FieldNodes& f : part.fields) {
    FieldText t{f.code, {}};
    for (const pugi::xml_node& n : f.result_texts) t.result += n.text().get();
    out.push_back(std::move(t));
  }
  return out;
}

std::optional<std::string> SetFieldResult(std::string_view xml, size_t index,
                                          std::string_view text) {
  ParsedPart part;
  if (!Parse(xml, part) || index >= part.fields.size()) return std::nullopt;
  FieldNodes& f = part.fields[index];
  const std::string& w = part.w;
  if (!f.result_texts.empty()) {
    SetText(f.result_texts.front(), text);
    // The other texts go, and their runs with them when nothing else is left in those: a run
    // with an empty text would only stand in the way of copies that differ in run texts alone.
    for (size_t i = 1; i < f.result_texts.size(); ++i) RemoveWithEmptyRun(f.result_texts[i], w);
    return Save(part.doc);
  }
  // Nothing shown yet: a run of its own, formatted like the field's start.
  pugi::xml_node run;
  if (f.simple) {
    run = f.simple.append_child((w + "r").c_str());
  } else {
    pugi::xml_node end_run = f.end.parent();
    if (!f.separate) {
      pugi::xml_node sep_run = end_run.parent().insert_child_before((w + "r").c_str(), end_run);
      sep_run.append_child((w + "fldChar").c_str())
          .append_attribute((w + "fldCharType").c_str()) = "separate";
    }
    run = end_run.parent().insert_child_before((w + "r").c_str(), end_run);
    const pugi::xml_node props = f.begin.parent().child((w + "rPr").c_str());
    if (props) run.append_copy(props);
  }
  SetText(run.append_child((w + "t").c_str()), text);
  return Save(part.doc);
}

std::optional<std::string> UnlinkField(std::string_view xml, size_t index) {
  ParsedPart part;
  if (!Parse(xml, part) || index >= part.fields.size()) return std::nullopt;
  FieldNodes& f = part.fields[index];
  if (f.simple) {
    pugi::xml_node parent = f.simple.parent();
    for (pugi::xml_node c = f.simple.first_child(); c; c = c.next_sibling()) {
      parent.insert_copy_before(c, f.simple);
    }
    parent.remove_child(f.simple);
    return Save(part.doc);
  }
  for (pugi::xml_node run : f.code_runs) run.parent().remove_child(run);
  // The marks' runs may hold the instruction too (some writers put it beside the start).
  for (pugi::xml_node mark : {f.begin, f.separate, f.end}) {
    if (!mark) continue;
    pugi::xml_node run = mark.parent();
    for (pugi::xml_node c = run.first_child(); c;) {
      pugi::xml_node next = c.next_sibling();
      if (std::string_view(c.name()) == part.w + "instrText") run.remove_child(c);
      c = next;
    }
    RemoveWithEmptyRun(mark, part.w);
  }
  return Save(part.doc);
}

}  // namespace vexlo::engine::word
