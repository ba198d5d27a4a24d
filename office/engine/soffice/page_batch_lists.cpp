#include "office/engine/soffice/page_batch_lists.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "office/engine/package/xml_string_writer.h"

namespace vexlo::engine {

namespace {

constexpr unsigned kParse = pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration;
constexpr int kMaxDepth = 16;  // styles based on styles, numbering styles naming lists

pugi::xml_node StyleById(const pugi::xml_document& styles, const char* type, const std::string& id) {
  for (pugi::xml_node s : styles.child("w:styles").children("w:style")) {
    if (id == s.attribute("w:styleId").value() && std::string_view(s.attribute("w:type").value()) == type) return s;
  }
  return {};
}

}  // namespace

ListRestarts::ListRestarts(const std::string* numbering, const std::string* styles) {
  if (numbering) loaded_ = numbering_.load_buffer(numbering->data(), numbering->size(), kParse);
  if (styles) styles_.load_buffer(styles->data(), styles->size(), kParse);
  root_ = numbering_.child("w:numbering");
  for (pugi::xml_node num : root_.children("w:num")) top_ = std::max(top_, num.attribute("w:numId").as_int());
  for (pugi::xml_node a : root_.children("w:abstractNum")) {
    top_abstract_ = std::max(top_abstract_, a.attribute("w:abstractNumId").as_int());
  }
}

ListRestarts::StyleList ListRestarts::ListOfStyle(const std::string& style_id, int depth) const {
  const pugi::xml_node style = StyleById(styles_, "paragraph", style_id);
  if (!style || depth > kMaxDepth) return {};
  const pugi::xml_node numbers = style.child("w:pPr").child("w:numPr");
  StyleList base;
  if (!numbers.child("w:numId") || !numbers.child("w:ilvl")) {
    base = ListOfStyle(style.child("w:basedOn").attribute("w:val").value(), depth + 1);
  }
  if (numbers.child("w:numId")) base.num = numbers.child("w:numId").attribute("w:val").as_int();
  if (numbers.child("w:ilvl")) base.level = numbers.child("w:ilvl").attribute("w:val").value();
  return base;
}

// The abstract list whose levels `abstract` numbers with: itself, or the one its numbering style
// names.
pugi::xml_node ListRestarts::LevelsOf(pugi::xml_node abstract, int depth) const {
  const pugi::xml_node link = abstract.child("w:numStyleLink");
  if (!link || depth > kMaxDepth) return abstract;
  const pugi::xml_node style = StyleById(styles_, "numbering", link.attribute("w:val").value());
  const std::string num_id = style.child("w:pPr").child("w:numPr").child("w:numId").attribute("w:val").value();
  const pugi::xml_node num = root_.find_child_by_attribute("w:num", "w:numId", num_id.c_str());
  const pugi::xml_node linked = root_.find_child_by_attribute(
      "w:abstractNum", "w:abstractNumId", num.child("w:abstractNumId").attribute("w:val").value());
  return num && linked ? LevelsOf(linked, depth + 1) : abstract;
}

void ListRestarts::Restart(pugi::xml_node body, std::size_t k) {
  if (!loaded_) return;
  std::map<std::string, int> fresh;  // list (ListKey) → this member's instance
  for (pugi::xpath_node n : body.select_nodes(".//w:numPr/w:numId")) {
    pugi::xml_attribute id = n.node().attribute("w:val");
    const pugi::xml_node numbers = n.node().parent();
    NoteStyle(id.as_int(), numbers.child("w:ilvl").attribute("w:val").value(),
              numbers.parent().child("w:pStyle").attribute("w:val").value());
    if (const int mine = Fresh(fresh, id.as_int(), static_cast<int>(k)); mine > 0) id = mine;
  }
  // Paragraphs numbered through their style name the member's instance themselves.
  for (pugi::xpath_node n : body.select_nodes(".//w:p[w:pPr/w:pStyle]")) {
    pugi::xml_node properties = n.node().child("w:pPr");
    pugi::xml_node numbers = properties.child("w:numPr");
    if (numbers.child("w:numId")) continue;
    const StyleList list = ListOfStyle(properties.child("w:pStyle").attribute("w:val").value());
    const int mine = Fresh(fresh, list.num, static_cast<int>(k));
    if (mine <= 0) continue;
    NoteStyle(list.num, list.level, properties.child("w:pStyle").attribute("w:val").value());
    if (!numbers) numbers = properties.insert_child_after("w:numPr", properties.child("w:pStyle"));
    if (!numbers.child("w:ilvl")) {
      numbers.prepend_child("w:ilvl").append_attribute("w:val") = list.level.empty() ? "0" : list.level.c_str();
    }
    numbers.insert_child_after("w:numId", numbers.child("w:ilvl")).append_attribute("w:val") = mine;
  }
}

void ListRestarts::NoteStyle(int num, const std::string& level, const std::string& style) {
  if (num <= 0) return;
  const auto [it, added] = style_of_level_.try_emplace({num, level.empty() ? "0" : level}, style);
  if (!added && it->second != style) shared_between_styles_ = true;
}

// Instances of one abstract list that change none of its levels number on from each other: they
// are one list, which gets one instance a member. An instance that overrides levels is a list of
// its own.
std::string ListRestarts::ListKey(int id) const {
  const pugi::xml_node num = root_.find_child_by_attribute("w:num", "w:numId", std::to_string(id).c_str());
  if (!num || num.child("w:lvlOverride")) return "num " + std::to_string(id);
  return std::string("abstract ") + num.child("w:abstractNumId").attribute("w:val").value();
}

int ListRestarts::Fresh(std::map<std::string, int>& fresh, int old_id, int k) {
  if (old_id <= 0) return 0;  // 0: no list
  auto [it, added] = fresh.try_emplace(ListKey(old_id), 0);
  if (added) it->second = AddInstance(old_id, k);
  return it->second;
}

// The member's own copy of the abstract list `abstract_id` numbers with: the levels (those of the
// list a numbering style names, for a list tied to one) under a new id and a new list identifier,
// so that nothing numbers on into it from another member. Lists that number with the same levels
// share one copy, as they share one list in the template.
int ListRestarts::AbstractCopy(const std::string& abstract_id, int k) {
  const pugi::xml_node abstract =
      LevelsOf(root_.find_child_by_attribute("w:abstractNum", "w:abstractNumId", abstract_id.c_str()));
  if (!abstract) return 0;
  auto [it, added] = abstracts_.try_emplace({k, abstract.attribute("w:abstractNumId").value()}, 0);
  if (!added) return it->second;
  pugi::xml_node last = root_.last_child();
  while (last && std::string_view(last.name()) != "w:abstractNum") last = last.previous_sibling();
  pugi::xml_node copy = last ? root_.insert_copy_after(abstract, last) : root_.prepend_copy(abstract);
  it->second = ++top_abstract_;
  copy.attribute("w:abstractNumId") = it->second;
  copy.remove_child("w:numStyleLink");
  copy.remove_child("w:styleLink");
  char nsid[9];
  std::snprintf(nsid, sizeof nsid, "%08X", 0x7E000000u + static_cast<unsigned>(it->second));
  if (pugi::xml_node id = copy.child("w:nsid")) id.attribute("w:val") = nsid;
  return it->second;
}

// A copy of instance `old_id` (its own level overrides kept) numbering with member k's copy of
// its abstract list.
int ListRestarts::AddInstance(int old_id, int k) {
  pugi::xml_node num = root_.find_child_by_attribute("w:num", "w:numId", std::to_string(old_id).c_str());
  if (!num) return 0;
  const int abstract = AbstractCopy(num.child("w:abstractNumId").attribute("w:val").value(), k);
  if (abstract == 0) return 0;
  const int id = top_ + (k - 1) * (top_ + 1) + old_id + 1;
  pugi::xml_node copy = root_.child("w:numIdMacAtCleanup")
                            ? root_.insert_copy_before(num, root_.child("w:numIdMacAtCleanup"))
                            : root_.append_copy(num);
  copy.attribute("w:numId") = id;
  copy.child("w:abstractNumId").attribute("w:val") = abstract;
  changed_ = true;
  return id;
}

std::string ListRestarts::Xml() const {
  XmlStringWriter w;
  numbering_.save(w, "", pugi::format_raw | pugi::format_no_declaration);
  return w.s;
}

}  // namespace vexlo::engine
