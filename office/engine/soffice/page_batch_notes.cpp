#include "office/engine/soffice/page_batch_notes.h"

#include <algorithm>
#include <map>
#include <string_view>

#include "office/engine/package/xml_string_writer.h"

namespace vexlo::engine {

namespace {

constexpr unsigned kParse = pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration;

bool Holds(const std::string& xml, const char* tag) { return xml.find(tag) != std::string::npos; }

// Whether a <w:footnotePr> numbers decimal from 1 at the foot of the page, on through the
// document. `in_settings`: the document's own, where the office takes no restart on each page
// either (each record starts a page: its notes are labelled all the same).
bool PlainNumbering(pugi::xml_node properties, bool in_settings) {
  for (pugi::xml_node c : properties.children()) {
    const std::string_view name = c.name();
    const std::string_view val = c.attribute("w:val").value();
    if (name == "w:footnote") continue;  // the separators' ids, in the settings
    if (name == "w:numFmt" && val == "decimal") continue;
    if (name == "w:numStart" && val == "1") continue;
    if (name == "w:pos" && val == "pageBottom") continue;
    if (name == "w:numRestart" && (val == "continuous" || (in_settings && val == "eachPage"))) continue;
    return false;
  }
  return true;
}

// The notes part of `p` parsed into `doc`; false when it has none or it cannot be read.
bool LoadNotes(const Package& p, pugi::xml_document& doc) {
  const auto it = p.parts.find(RecordNotes::kPart);
  return it != p.parts.end() && doc.load_buffer(it->second.data(), it->second.size(), kParse) &&
         doc.child("w:footnotes");
}

// The notes of `doc` by id, separators left out.
std::map<std::string, pugi::xml_node> NotesById(const pugi::xml_document& doc) {
  std::map<std::string, pugi::xml_node> notes;
  for (pugi::xml_node n : doc.child("w:footnotes").children("w:footnote")) {
    const std::string_view type = n.attribute("w:type").value();
    if (type.empty() || type == "normal") notes[n.attribute("w:id").value()] = n;
  }
  return notes;
}

// Why the pattern's notes would come out differently inside a joined document.
Status CheckNotes(const Package& p, const pugi::xml_document& main, const pugi::xml_document& notes) {
  // A custom mark takes no number; notes in the notes themselves are not followed.
  if (Holds(p.parts.at("word/document.xml"), "customMarkFollows")) return Status::Refused("脚注使用自定义标记");
  const std::string& part = p.parts.at(RecordNotes::kPart);
  if (Holds(part, "<w:footnoteReference") || Holds(part, "<w:numPr")) return Status::Refused("脚注含有脚注或编号");
  if (Holds(part, "<w:fldChar") || Holds(part, "<w:fldSimple")) return Status::Refused("脚注含有域");
  if (const auto settings = p.parts.find("word/settings.xml"); settings != p.parts.end()) {
    pugi::xml_document s;
    if (!s.load_buffer(settings->second.data(), settings->second.size())) return Status::Refused("设置无法读取");
    if (!PlainNumbering(s.child("w:settings").child("w:footnotePr"), true)) return Status::Refused("脚注编号不是从1起的数字");
  }
  for (pugi::xpath_node s : main.select_nodes("//w:sectPr/w:footnotePr")) {
    if (!PlainNumbering(s.node(), false)) return Status::Refused("脚注编号不是从1起的数字");
  }
  if (!notes.child("w:footnotes")) return Status::Refused("脚注无法读取");
  // The line above the notes is set right only in each record's first section (see
  // PrepareJoinedNotes): the office draws it in the section where it meets the first note.
  for (pugi::xml_node c : main.child("w:document").child("w:body").children()) {
    if (c.select_node(".//w:footnoteReference")) break;
    if (c.select_node("w:pPr/w:sectPr") || std::string_view(c.name()) == "w:sectPr") return Status::Refused("首节没有脚注");
  }
  return Status::Ok();
}

}  // namespace

RecordNotes::RecordNotes(const Package& pattern, const pugi::xml_document& doc) {
  const pugi::xpath_node_set references = doc.select_nodes("//w:footnoteReference");
  if (references.empty()) return;
  none_ = false;
  LoadNotes(pattern, notes_);
  status_ = pattern.parts.contains(kPart) ? CheckNotes(pattern, doc, notes_) : Status::Refused("脚注部件缺失");
  for (pugi::xml_node n : notes_.child("w:footnotes").children("w:footnote")) {
    next_id_ = std::max(next_id_, n.attribute("w:id").as_int() + 1);
  }
  // The first record's notes keep the office's own numbers.
  labels_.assign(references.size(), "");
}

bool RecordNotes::Add(const Package& p, pugi::xml_node body) {
  const pugi::xpath_node_set references = body.select_nodes(".//w:footnoteReference");
  if (references.empty()) return true;
  pugi::xml_document own;
  if (none_ || !status_.ok() || !LoadNotes(p, own)) return false;
  const std::map<std::string, pugi::xml_node> by_id = NotesById(own);
  for (pugi::xpath_node r : references) {
    if (!by_id.contains(r.node().attribute("w:id").value())) return false;
  }
  pugi::xml_node root = notes_.child("w:footnotes");
  int number = 1;
  for (pugi::xpath_node r : references) {
    pugi::xml_attribute id = r.node().attribute("w:id");
    const std::string fresh = std::to_string(next_id_++);
    root.append_copy(by_id.at(id.value())).attribute("w:id") = fresh.c_str();
    id = fresh.c_str();
    labels_.push_back(std::to_string(number++));
  }
  changed_ = true;
  return true;
}

std::string RecordNotes::Xml() const {
  XmlStringWriter w;
  notes_.save(w, "", pugi::format_raw);
  return w.s;
}

}  // namespace vexlo::engine
