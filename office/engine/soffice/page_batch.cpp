#include "office/engine/soffice/page_batch.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "app/runtime_error.h"
#include "office/engine/package/atomic_file.h"
#include "office/engine/package/zip_reader.h"
#include "office/engine/package/zip_writer.h"
#include "office/engine/word/xml_string_writer.h"

namespace vexlo::engine {

namespace {

constexpr const char* kMain = "word/document.xml";
constexpr unsigned kParse = pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration;

struct Package {
  std::vector<std::string> names;
  std::map<std::string, std::string> parts;
};

std::optional<Package> ReadPackage(const std::string& path) {
  try {
    std::unique_ptr<ZipReader> zip = ZipReader::Open(path);
    Package p;
    p.names = zip->names();
    for (const std::string& name : p.names) {
      std::optional<std::string> bytes = zip->Read(name);
      if (!bytes) return std::nullopt;
      p.parts[name] = std::move(*bytes);
    }
    if (!p.parts.contains(kMain)) return std::nullopt;
    return p;
  } catch (const app::RuntimeError&) {
    return std::nullopt;
  }
}

// The first and last elements of `parent` (whitespace between elements is kept as text nodes).
pugi::xml_node FirstElement(pugi::xml_node parent) {
  pugi::xml_node n = parent.first_child();
  while (n && n.type() != pugi::node_element) n = n.next_sibling();
  return n;
}

pugi::xml_node LastElement(pugi::xml_node parent) {
  pugi::xml_node n = parent.last_child();
  while (n && n.type() != pugi::node_element) n = n.previous_sibling();
  return n;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

bool Holds(const std::string& xml, const char* tag) { return xml.find(tag) != std::string::npos; }

// The first word of every field's instruction in `xml`, upper-cased ("PAGE", "NUMPAGES").
std::vector<std::string> FieldNames(const pugi::xml_document& xml) {
  std::vector<std::string> names;
  std::vector<std::string> open;  // instructions of the complex fields being read
  const auto add = [&names](const std::string& instruction) {
    std::string word;
    for (char c : instruction) {
      if (c == ' ' || c == '\\' || c == '"') {
        if (!word.empty()) break;
        continue;
      }
      word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    names.push_back(word);
  };
  struct Walker : pugi::xml_tree_walker {
    std::function<bool(pugi::xml_node&)> visit;
    bool for_each(pugi::xml_node& n) override { return visit(n); }
  } walker;
  walker.visit = [&](pugi::xml_node& n) {
    const std::string_view name = n.name();
    if (name == "w:fldSimple") {
      add(n.attribute("w:instr").value());
    } else if (name == "w:fldChar") {
      const std::string_view type = n.attribute("w:fldCharType").value();
      if (type == "begin") {
        open.emplace_back();
      } else if (type == "separate" || type == "end") {
        if (!open.empty() && (type == "end" || !open.back().empty())) {
          if (!open.back().empty()) add(open.back());
          open.back().clear();
          if (type == "end") open.pop_back();
        }
      }
    } else if (name == "w:instrText" && !open.empty()) {
      open.back() += n.text().get();
    }
    return true;
  };
  const_cast<pugi::xml_document&>(xml).traverse(walker);
  return names;
}

// Fields that show the same inside a longer document: the page number (each record restarts
// it), dates and times, links.
std::string WhyNotFields(const pugi::xml_document& xml) {
  for (const std::string& field : FieldNames(xml)) {
    if (field != "PAGE" && field != "DATE" && field != "TIME" && field != "HYPERLINK") {
      return "含有域 " + field;
    }
  }
  return "";
}

// Whether the main text `doc` (the bytes `main`) would come out differently inside a longer
// document.
std::string WhyNotMain(const std::string& main, const pugi::xml_document& doc) {
  // Notes and comments are numbered on; line numbers we leave alone. (A different first page
  // is carried by each record's section.)
  for (const char* tag : {"<w:footnoteReference", "<w:endnoteReference", "<w:commentReference",
                          "<w:altChunk", "<w:subDoc", "<w:lnNumType"}) {
    if (Holds(main, tag)) return std::string("正文含有 ") + tag;
  }
  if (std::string why = WhyNotFields(doc); !why.empty()) return why;
  const pugi::xml_node body = doc.child("w:document").child("w:body");
  // One section, whose properties close the body, ending with a paragraph to carry the end of
  // each record's section.
  const pugi::xml_node section = LastElement(body);
  if (std::string_view(section.name()) != "w:sectPr") return "正文没有节属性";
  if (doc.select_nodes("//w:sectPr").size() != 1) return "含有多个节";
  pugi::xml_node last = section.previous_sibling();
  while (last && last.type() != pugi::node_element) last = last.previous_sibling();
  if (std::string_view(last.name()) != "w:p") return "正文不以段落结束";
  const pugi::xml_node first = FirstElement(body);
  if (!first) return "正文为空";
  // A page break in the first or last paragraph may be dropped or kept differently next to a
  // section break than at the start or end of a document.
  const auto breaks_page = [](pugi::xml_node p) {
    const pugi::xml_node before = p.child("w:pPr").child("w:pageBreakBefore");
    const std::string_view val = before.attribute("w:val").value();
    return (before && val != "0" && val != "false") || p.select_node(".//w:br[@w:type='page']");
  };
  if (std::string_view(first.name()) == "w:p" && breaks_page(first)) return "正文以分页符开始";
  if (breaks_page(last)) return "正文以分页符结束";
  return "";
}

// Whether the parts around the main text (headers, footers, settings, styles, lists) would make
// its pages come out differently inside a longer document.
std::string WhyNotFrame(const Package& p) {
  for (const auto& [name, xml] : p.parts) {
    if (!StartsWith(name, "word/header") && !StartsWith(name, "word/footer")) continue;
    pugi::xml_document part;
    if (!part.load_buffer(xml.data(), xml.size())) return name + " 无法读取";
    if (std::string why = WhyNotFields(part); !why.empty()) return why;
    // Each record's lists are numbered afresh in the main text only.
    if (Holds(xml, "<w:numPr")) return "页眉或页脚含有编号";
  }
  if (auto it = p.parts.find("word/settings.xml");
      it != p.parts.end() && Holds(it->second, "<w:evenAndOddHeaders")) {
    return "奇偶页页眉不同";
  }
  // Numbering through a style, or lists tied to styles, cannot be restarted per record.
  if (auto it = p.parts.find("word/styles.xml"); it != p.parts.end() && Holds(it->second, "<w:numPr")) {
    return "样式中含有编号";
  }
  if (auto it = p.parts.find("word/numbering.xml");
      it != p.parts.end() && (Holds(it->second, "StyleLink") || Holds(it->second, "styleLink"))) {
    return "编号与样式相连";
  }
  return "";
}

// The main text of `p` parsed into `doc`, and whether the package's pages would come out
// differently inside a longer document.
std::string WhyNot(const Package& p, pugi::xml_document& doc) {
  const std::string& main = p.parts.at(kMain);
  if (!doc.load_buffer(main.data(), main.size(), kParse)) return "正文无法读取";
  if (std::string why = WhyNotMain(main, doc); !why.empty()) return why;
  return WhyNotFrame(p);
}

// Whether `p` is built like `pattern`: the same parts, and every one but the main text and the
// file's properties the same bytes.
bool SameFrame(const Package& pattern, const Package& p) {
  if (p.names != pattern.names) return false;
  for (const auto& [name, bytes] : pattern.parts) {
    if (name == kMain || StartsWith(name, "docProps/")) continue;
    if (p.parts.at(name) != bytes) return false;
  }
  return true;
}

// Inserts a child `name` into `parent` before the first of `before` present (the schema's order),
// or at the end.
pugi::xml_node InsertBefore(pugi::xml_node parent, const char* name,
                            std::initializer_list<const char*> before) {
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
    for (const char* b : before) {
      if (std::string_view(c.name()) == b) return parent.insert_child_before(name, c);
    }
  }
  return parent.append_child(name);
}

// The section properties every record gets: the template's, starting on a new page, page
// numbers starting again (at the template's number, or 1).
void MakeRecordSection(pugi::xml_node section) {
  pugi::xml_node type = section.child("w:type");
  if (!type) {
    type = InsertBefore(section, "w:type", {"w:pgSz", "w:pgMar", "w:paperSrc", "w:pgBorders",
                                             "w:lnNumType", "w:pgNumType", "w:cols", "w:formProt",
                                             "w:vAlign", "w:noEndnote", "w:titlePg", "w:textDirection",
                                             "w:bidi", "w:rtlGutter", "w:docGrid", "w:printerSettings",
                                             "w:sectPrChange"});
  }
  type.remove_attribute("w:val");
  type.append_attribute("w:val") = "nextPage";
  pugi::xml_node numbers = section.child("w:pgNumType");
  if (!numbers) {
    numbers = InsertBefore(section, "w:pgNumType", {"w:cols", "w:formProt", "w:vAlign",
                                                     "w:noEndnote", "w:titlePg", "w:textDirection",
                                                     "w:bidi", "w:rtlGutter", "w:docGrid",
                                                     "w:printerSettings", "w:sectPrChange"});
  }
  if (!numbers.attribute("w:start")) numbers.append_attribute("w:start") = "1";
}

// Ends a record's section with its last paragraph.
void EndSection(pugi::xml_node paragraph, pugi::xml_node section) {
  pugi::xml_node properties = paragraph.child("w:pPr");
  if (!properties) properties = paragraph.prepend_child("w:pPr");
  pugi::xml_node change = properties.child("w:pPrChange");
  if (change) {
    properties.insert_copy_before(section, change);
  } else {
    properties.append_copy(section);
  }
}

// Puts the mark of member `k` at the start of its first element (a paragraph, or a table's first
// paragraph).
void MarkStart(pugi::xml_node first, std::size_t k) {
  pugi::xml_node paragraph = first;
  if (std::string_view(first.name()) != "w:p") {
    paragraph = first.select_node(".//w:p").node();
    if (!paragraph) return;
  }
  const std::string id = std::to_string(900000 + k);
  const pugi::xml_node properties = paragraph.child("w:pPr");
  pugi::xml_node start = properties ? paragraph.insert_child_after("w:bookmarkStart", properties)
                                    : paragraph.prepend_child("w:bookmarkStart");
  start.append_attribute("w:id") = id.c_str();
  start.append_attribute("w:name") = RecordMark(k).c_str();
  paragraph.insert_child_after("w:bookmarkEnd", start).append_attribute("w:id") = id.c_str();
}

// Lists numbered afresh in every record: member k's lists get list instances of their own, each
// level starting at its first number again.
class ListRestarts {
 public:
  explicit ListRestarts(const std::string* numbering) {
    if (numbering) loaded_ = numbering_.load_buffer(numbering->data(), numbering->size(), kParse);
    root_ = numbering_.child("w:numbering");
    for (pugi::xml_node num : root_.children("w:num")) {
      top_ = std::max(top_, num.attribute("w:numId").as_int());
    }
  }

  // Renumbers the lists of member `k` (k > 0) in `body`.
  void Restart(pugi::xml_node body, std::size_t k) {
    if (!loaded_) return;
    std::map<int, int> fresh;  // old id → this member's id
    for (pugi::xpath_node n : body.select_nodes(".//w:numPr/w:numId")) {
      pugi::xml_attribute id = n.node().attribute("w:val");
      const int old_id = id.as_int();
      if (old_id <= 0) continue;  // 0: no list
      auto [it, added] = fresh.try_emplace(old_id, 0);
      if (added) it->second = AddInstance(old_id, static_cast<int>(k));
      if (it->second > 0) id = it->second;
    }
  }

  bool changed() const { return changed_; }

  std::string Xml() const {
    word::XmlStringWriter w;
    numbering_.save(w, "", pugi::format_raw | pugi::format_no_declaration);
    return w.s;
  }

 private:
  int AddInstance(int old_id, int k) {
    pugi::xml_node num = root_.find_child_by_attribute("w:num", "w:numId", std::to_string(old_id).c_str());
    if (!num) return 0;
    const std::string abstract_id = num.child("w:abstractNumId").attribute("w:val").value();
    const pugi::xml_node abstract =
        root_.find_child_by_attribute("w:abstractNum", "w:abstractNumId", abstract_id.c_str());
    const int id = top_ + (k - 1) * (top_ + 1) + old_id + 1;
    pugi::xml_node copy = root_.child("w:numIdMacAtCleanup")
                              ? root_.insert_copy_before(num, root_.child("w:numIdMacAtCleanup"))
                              : root_.append_copy(num);
    copy.attribute("w:numId") = id;
    for (pugi::xml_node level : abstract.children("w:lvl")) {
      const char* ilvl = level.attribute("w:ilvl").value();
      if (copy.find_child_by_attribute("w:lvlOverride", "w:ilvl", ilvl)) continue;
      pugi::xml_node over = copy.append_child("w:lvlOverride");
      over.append_attribute("w:ilvl") = ilvl;
      over.append_child("w:startOverride").append_attribute("w:val") =
          level.child("w:start") ? level.child("w:start").attribute("w:val").value() : "1";
    }
    changed_ = true;
    return id;
  }

  pugi::xml_document numbering_;
  pugi::xml_node root_;
  bool loaded_ = false;
  bool changed_ = false;
  int top_ = 0;
};

}  // namespace

std::string RecordMark(std::size_t k) { return "vexlorecord" + std::to_string(k); }

std::string WhyNotJoinable(const std::string& path) {
  const std::optional<Package> p = ReadPackage(path);
  pugi::xml_document doc;
  return p ? WhyNot(*p, doc) : "文档无法读取";
}

JoinedDocuments JoinForPages(const std::vector<std::string>& sources, const std::string& out_path) {
  JoinedDocuments joined;
  if (sources.size() < 2) {
    joined.why = "只有一个文档";
    return joined;
  }
  const std::optional<Package> pattern = ReadPackage(sources[0]);
  if (!pattern) {
    joined.why = "文档无法读取";
    return joined;
  }
  pugi::xml_document doc;
  joined.why = WhyNot(*pattern, doc);
  if (!joined.why.empty()) return joined;

  pugi::xml_node body = doc.child("w:document").child("w:body");
  const pugi::xml_node section = LastElement(body);
  MakeRecordSection(section);
  auto numbering = pattern->parts.find("word/numbering.xml");
  ListRestarts lists(numbering == pattern->parts.end() ? nullptr : &numbering->second);
  MarkStart(FirstElement(body), 0);
  joined.members.push_back(0);
  pugi::xml_node last_paragraph = section.previous_sibling();
  while (last_paragraph.type() != pugi::node_element) last_paragraph = last_paragraph.previous_sibling();
  for (std::size_t i = 1; i < sources.size(); ++i) {
    // The frame is the pattern's, already checked: only the main text is read and checked.
    const std::optional<Package> p = ReadPackage(sources[i]);
    if (!p || !SameFrame(*pattern, *p)) continue;
    pugi::xml_document other;
    const std::string& xml = p->parts.at(kMain);
    if (!other.load_buffer(xml.data(), xml.size(), kParse) || !WhyNotMain(xml, other).empty()) continue;
    const pugi::xml_node other_body = other.child("w:document").child("w:body");
    const std::size_t k = joined.members.size();
    lists.Restart(other_body, k);
    MarkStart(FirstElement(other_body), k);
    // The record before ends its section; this one follows on a new page.
    EndSection(last_paragraph, section);
    const pugi::xml_node other_section = LastElement(other_body);
    for (pugi::xml_node c = other_body.first_child(); c && c != other_section; c = c.next_sibling()) {
      const pugi::xml_node copy = body.insert_copy_before(c, section);
      if (copy.type() == pugi::node_element) last_paragraph = copy;
    }
    joined.members.push_back(i);
  }
  if (joined.members.size() < 2) {
    joined.members.clear();
    joined.why = "没有可以合在一起的文档";
    return joined;
  }

  word::XmlStringWriter xml;
  doc.save(xml, "", pugi::format_raw | pugi::format_no_declaration);
  ZipWriter zip;
  for (const std::string& name : pattern->names) {
    if (name == kMain) {
      zip.Add(name, xml.s);
    } else if (name == "word/numbering.xml" && lists.changed()) {
      zip.Add(name, lists.Xml());
    } else {
      zip.Add(name, pattern->parts.at(name));
    }
  }
  try {
    WriteFileAtomically(out_path, zip.Finish());
  } catch (const app::RuntimeError& e) {
    joined.members.clear();
    joined.why = e.text();
  }
  return joined;
}

}  // namespace vexlo::engine
