#include "office/engine/soffice/page_batch.h"

#include <pugixml.hpp>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "app/runtime_error.h"
#include "office/engine/package/atomic_file.h"
#include "office/engine/package/xml_string_writer.h"
#include "office/engine/package/zip_writer.h"
#include "office/engine/soffice/page_batch_counts.h"
#include "office/engine/soffice/page_batch_fields.h"
#include "office/engine/soffice/page_batch_frames.h"
#include "office/engine/soffice/page_batch_lists.h"
#include "office/engine/soffice/page_batch_notes.h"
#include "office/engine/soffice/page_batch_refs.h"

namespace vexlo::engine {

namespace {

constexpr const char* kMain = "word/document.xml";
constexpr unsigned kParse = pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration;

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

bool StartsWithParagraph(pugi::xml_node body) { return std::string_view(FirstElement(body).name()) == "w:p"; }

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

bool Holds(const std::string& xml, const char* tag) { return xml.find(tag) != std::string::npos; }

// Whether an on/off property such as <w:titlePg/> is on.
bool On(pugi::xml_node flag) {
  const std::string_view val = flag.attribute("w:val").value();
  return flag && val != "0" && val != "false" && val != "off";
}

// A kind of header or footer is the reference's element name followed by its type.
bool IsHeaderKind(const std::string& kind) { return kind.starts_with("w:headerReference"); }

// The kinds of header and footer `section` names ("w:headerReferencedefault", ...).
std::set<std::string> NamedKinds(pugi::xml_node section) {
  std::set<std::string> kinds;
  for (pugi::xml_node c : section.children()) {
    const std::string name = c.name();
    if (name != "w:headerReference" && name != "w:footerReference") continue;
    const std::string type = c.attribute("w:type").value();
    kinds.insert(name + (type.empty() ? "default" : type));
  }
  return kinds;
}

// The kinds of header and footer any section of `doc` names.
std::set<std::string> AllKinds(const pugi::xml_document& doc) {
  std::set<std::string> all;
  for (pugi::xpath_node s : doc.select_nodes("//w:sectPr")) all.merge(NamedKinds(s.node()));
  return all;
}

// Room (twips) an empty header or footer of one point takes at most, with what the office adds.
constexpr long kEmptyFrameRoom = 120;

// Whether `section`'s page keeps the room an empty header (footer) needs between its edge and its
// text, so that naming one moves nothing.
bool RoomForEmptyFrame(pugi::xml_node section, bool header) {
  const pugi::xml_node margins = section.child("w:pgMar");
  const pugi::xml_attribute edge = margins.attribute(header ? "w:top" : "w:bottom");
  const pugi::xml_attribute frame = margins.attribute(header ? "w:header" : "w:footer");
  if (!edge || !frame) return false;
  return edge.as_llong() >= frame.as_llong() + kEmptyFrameRoom;
}

// A section naming no header or footer of a kind shows the section before's. Inside a joined
// document, a record's sections before the first that names a kind would show the previous
// record's instead of none; each record's first section names an empty one instead (see
// RecordFrames::EmptyFrame). Refused where such a section shows that kind (a first page's only
// with its own first page, even pages' only when the document tells odd from even pages) and its
// page has no room for the empty one.
Status CheckSections(const pugi::xml_document& doc, bool even_and_odd) {
  const std::set<std::string> all = AllKinds(doc);
  std::set<std::string> seen;
  for (pugi::xpath_node s : doc.select_nodes("//w:sectPr")) {
    const pugi::xml_node section = s.node();
    seen.merge(NamedKinds(section));
    const bool first_page = On(section.child("w:titlePg"));
    for (const std::string& kind : all) {
      if (seen.count(kind) != 0) continue;
      const bool shown = kind.ends_with("first") ? first_page : kind.ends_with("even") ? even_and_odd : true;
      if (shown && !RoomForEmptyFrame(section, IsHeaderKind(kind))) return Status::Refused("首节的页眉页脚种类少于其他节");
    }
  }
  return Status::Ok();
}

// Names an empty header or footer in `section` (a record's first section) for each kind of `all`
// it does not name. False when the package cannot hold the empty parts.
bool NameEmptyFrames(pugi::xml_node section, const std::set<std::string>& all, RecordFrames& frames) {
  const std::set<std::string> named = NamedKinds(section);
  for (const std::string& kind : all) {
    if (named.count(kind) != 0) continue;
    const bool header = IsHeaderKind(kind);
    const std::string id = frames.EmptyFrame(header);
    if (id.empty()) return false;
    const std::string element = header ? "w:headerReference" : "w:footerReference";
    pugi::xml_node reference = section.prepend_child(element.c_str());
    reference.append_attribute("w:type") = kind.substr(element.size()).c_str();
    reference.append_attribute("r:id") = id.c_str();
  }
  return true;
}

// The section properties a member's pages start with: those of its first section.
pugi::xml_node FirstSection(pugi::xml_node body) {
  const pugi::xml_node inner = body.select_node("w:p/w:pPr/w:sectPr").node();
  return inner ? inner : LastElement(body);
}

// Whether the main text `doc` (the bytes `main`) would come out differently inside a longer
// document.
Status CheckMain(const std::string& main, const pugi::xml_document& doc, bool even_and_odd) {
  // Comments are numbered on through the whole document; line numbers we leave alone.
  // Endnotes gather on pages of their own after the whole document's text: the office keeps no
  // endnotes at the end of a section of a .docx (it ignores that setting), and the notes it
  // collects at the end of a text section follow the text on the same page, where a record's own
  // PDF has them on a page of their own; so a record with endnotes is made alone. (Footnotes are
  // taken by RecordNotes; a different first page is carried by each record's section.)
  for (const char* tag : {"<w:endnoteReference", "<w:commentReference",
                          "<w:altChunk", "<w:subDoc", "<w:lnNumType"}) {
    if (Holds(main, tag)) return Status::Refused(std::string("正文含有 ") + tag);
  }
  if (Status fields = CheckFields(doc, true); !fields.ok()) return fields;
  const pugi::xml_node body = doc.child("w:document").child("w:body");
  // The last section's properties close the body, after a paragraph to carry the end of each
  // record's last section.
  const pugi::xml_node section = LastElement(body);
  if (std::string_view(section.name()) != "w:sectPr") return Status::Refused("正文没有节属性");
  if (Status sections = CheckSections(doc, even_and_odd); !sections.ok()) return sections;
  pugi::xml_node last = section.previous_sibling();
  while (last && last.type() != pugi::node_element) last = last.previous_sibling();
  if (std::string_view(last.name()) != "w:p") return Status::Refused("正文不以段落结束");
  const pugi::xml_node first = FirstElement(body);
  if (!first) return Status::Refused("正文为空");
  // A page break in the first or last paragraph may be dropped or kept differently next to a
  // section break than at the start or end of a document.
  const auto breaks_page = [](pugi::xml_node p) {
    const pugi::xml_node before = p.child("w:pPr").child("w:pageBreakBefore");
    const std::string_view val = before.attribute("w:val").value();
    return (before && val != "0" && val != "false") || p.select_node(".//w:br[@w:type='page']");
  };
  if (std::string_view(first.name()) == "w:p" && breaks_page(first)) return Status::Refused("正文以分页符开始");
  if (breaks_page(last)) return Status::Refused("正文以分页符结束");
  return Status::Ok();
}

// Whether the parts around the main text (headers, footers, settings, styles, lists) would make
// its pages come out differently inside a longer document.
Status CheckFrame(const Package& p, bool* counts_pages = nullptr) {
  for (const auto& [name, xml] : p.parts) {
    if (!StartsWith(name, "word/header") && !StartsWith(name, "word/footer")) continue;
    pugi::xml_document part;
    if (!part.load_buffer(xml.data(), xml.size())) return Status::Refused(name + " 无法读取");
    if (Status fields = CheckFields(part, false); !fields.ok()) return fields;
    if (counts_pages != nullptr && CountsPages(part)) *counts_pages = true;
    // Each record's lists are numbered afresh in the main text only.
    if (Holds(xml, "<w:numPr")) return Status::Refused("页眉或页脚含有编号");
  }
  return Status::Ok();
}

// Whether the settings of `p` tell odd pages' headers and footers from even pages'.
bool EvenAndOdd(const Package& p) {
  const auto settings = p.parts.find("word/settings.xml");
  if (settings == p.parts.end()) return false;
  pugi::xml_document doc;
  if (!doc.load_buffer(settings->second.data(), settings->second.size())) return true;  // unknown: assume so
  return On(doc.child("w:settings").child("w:evenAndOddHeaders"));
}

// The main text of `p` parsed into `doc`, and whether the package's pages would come out
// differently inside a longer document.
// `counts_pages`: set when its main text, headers or footers show the page count.
Status CheckPackage(const Package& p, pugi::xml_document& doc, bool* counts_pages = nullptr) {
  const std::string& main = p.parts.at(kMain);
  if (!doc.load_buffer(main.data(), main.size(), kParse)) return Status::Refused("正文无法读取");
  if (Status text = CheckMain(main, doc, EvenAndOdd(p)); !text.ok()) return text;
  if (Status notes = RecordNotes(p, doc).status(); !notes.ok()) return notes;
  if (counts_pages != nullptr && CountsPages(doc)) *counts_pages = true;
  return CheckFrame(p, counts_pages);
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

// The properties of a record's first section: its own, starting on a new page, page numbers
// starting again (at the template's number, or 1).
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

// Ends a record's section with its last paragraph; returns the section's properties there.
pugi::xml_node EndSection(pugi::xml_node paragraph, pugi::xml_node section) {
  pugi::xml_node properties = paragraph.child("w:pPr");
  if (!properties) properties = paragraph.prepend_child("w:pPr");
  pugi::xml_node change = properties.child("w:pPrChange");
  return change ? properties.insert_copy_before(section, change) : properties.append_copy(section);
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

}  // namespace

// The text of the pattern's part `name` in the joined package: the restarted lists, the
// records' notes, or the part with each record's own header and footer references.
std::string PartText(const std::string& name, const ListRestarts& lists, const RecordNotes& notes,
                     const RecordFrames& frames) {
  if (name == "word/numbering.xml" && lists.changed()) return lists.Xml();
  if (name == RecordNotes::kPart && notes.changed()) return notes.Xml();
  return frames.Part(name);
}

// Writes `pages` into every page count field of the joined package (page_batch_counts.h): into
// the main text `doc`, and into `written` the other parts that change. False, with `doc`
// untouched, when one of them cannot show it so.
bool WriteCounts(const Package& pattern, pugi::xml_document& doc, const ListRestarts& lists,
                 const RecordNotes& notes, const RecordFrames& frames, int pages,
                 std::map<std::string, std::string>& written) {
  if (!ArabicPageNumbers(doc)) return false;
  if (auto it = pattern.parts.find("docProps/custom.xml");
      it != pattern.parts.end() && it->second.find(kPagesProperty) != std::string::npos) {
    return false;
  }
  const auto write = [&](const std::string& name, const std::string& text) {
    if (!name.starts_with("word/")) return true;
    const std::optional<std::string> counted = WritePageCounts(text, pages);
    if (counted && *counted != text) written[name] = *counted;
    return counted.has_value();
  };
  for (const std::string& name : pattern.names) {
    if (name != kMain && !write(name, PartText(name, lists, notes, frames))) return false;
  }
  for (const auto& [name, bytes] : frames.copies()) {
    if (!write(name, bytes)) return false;
  }
  return WritePageCounts(doc, pages);
}

// Writes the joined package: the pattern's parts with the joined main text, the restarted lists
// and each record's own header and footer copies; a part in `written` as it is there.
Status WriteJoined(const Package& pattern, const pugi::xml_document& doc, const ListRestarts& lists,
                   const RecordNotes& notes, const RecordFrames& frames,
                   const std::map<std::string, std::string>& written, const std::string& out_path) {
  XmlStringWriter xml;
  doc.save(xml, "", pugi::format_raw | pugi::format_no_declaration);
  ZipWriter zip;
  for (const std::string& name : pattern.names) {
    if (name == kMain) {
      zip.Add(name, xml.s);
    } else if (auto it = written.find(name); it != written.end()) {
      zip.Add(name, it->second);
    } else {
      zip.Add(name, PartText(name, lists, notes, frames));
    }
  }
  for (const auto& [name, bytes] : frames.copies()) {
    const auto it = written.find(name);
    zip.Add(name, it != written.end() ? it->second : bytes);
  }
  try {
    WriteFileAtomically(out_path, zip.Finish());
  } catch (const app::RuntimeError& e) {
    return Status::Output(e.text());
  }
  return Status::Ok();
}

std::string RecordMark(std::size_t k) { return "vexlorecord" + std::to_string(k); }

Status CheckJoinable(const std::string& path) {
  const std::optional<Package> p = ReadPackage(path);
  pugi::xml_document doc;
  return p ? CheckPackage(*p, doc) : Status::Refused("文档无法读取");
}

JoinedDocuments JoinForPages(const std::vector<std::string>& sources, const std::string& out_path,
                             bool through_doc, int shown_pages) {
  JoinedDocuments joined;
  if (sources.size() < 2) {
    joined.refused = Status::Refused("只有一个文档");
    return joined;
  }
  const std::optional<Package> pattern = ReadPackage(sources[0]);
  if (!pattern) {
    joined.refused = Status::Refused("文档无法读取");
    return joined;
  }
  pugi::xml_document doc;
  joined.refused = CheckPackage(*pattern, doc, &joined.page_counts);
  if (!joined.refused.ok()) return joined;
  if (through_doc) {
    // A sequence started again loses its start in the .doc the joined document is stored in:
    // its captions would number on through the records.
    const std::vector<std::string> fields = FieldNames(doc);
    if (std::find(fields.begin(), fields.end(), "SEQ") != fields.end()) {
      joined.refused = Status::Refused("经.doc的题注编号无法重新开始");
      return joined;
    }
  }
  // The .doc keeps no page break in front of a table that starts a section: the records would
  // run on into each other, and the PDFs cut at their marks show the text of others.
  if (through_doc && !StartsWithParagraph(doc.child("w:document").child("w:body"))) {
    joined.refused = Status::Refused("经.doc的记录以表格开头，无法分页");
    return joined;
  }
  const bool even_and_odd = EvenAndOdd(*pattern);
  const std::set<std::string> kinds = AllKinds(doc);
  RecordNotes notes(*pattern, doc);

  pugi::xml_node body = doc.child("w:document").child("w:body");
  const pugi::xml_node section = LastElement(body);  // every record's last section ends with it
  MakeRecordSection(FirstSection(body));
  const auto part = [&pattern](const char* name) {
    auto it = pattern->parts.find(name);
    return it == pattern->parts.end() ? nullptr : &it->second;
  };
  ListRestarts lists(part("word/numbering.xml"), part("word/styles.xml"));
  RecordFrames frames(*pattern);
  ReferenceMap previous;  // the header and footer references of the record before
  MarkStart(FirstElement(body), 0);
  joined.members.push_back(0);
  pugi::xml_node last_paragraph = section.previous_sibling();
  while (last_paragraph.type() != pugi::node_element) last_paragraph = last_paragraph.previous_sibling();
  for (std::size_t i = 1; i < sources.size(); ++i) {
    // The frame is the pattern's, already checked: only the main text is read and checked.
    const std::optional<Package> p = ReadPackage(sources[i]);
    if (!p || p->names != pattern->names) continue;
    pugi::xml_document other;
    const std::string& xml = p->parts.at(kMain);
    if (!other.load_buffer(xml.data(), xml.size(), kParse) || !CheckMain(xml, other, even_and_odd).ok()) continue;
    if (!joined.page_counts && CountsPages(other)) joined.page_counts = true;
    const pugi::xml_node other_body = other.child("w:document").child("w:body");
    if (through_doc && !StartsWithParagraph(other_body)) continue;
    if (!OwnReferences(other_body, joined.members.size())) continue;
    const std::size_t k = joined.members.size();
    const std::optional<ReferenceMap> own = frames.Add(*p, k);
    if (!own) continue;
    // Its first section names an empty header or footer for each kind it shows none of.
    const pugi::xml_node first_section = FirstSection(other_body);
    if (first_section != LastElement(other_body) && !NameEmptyFrames(first_section, kinds, frames)) continue;
    if (!notes.Add(*p, other_body)) continue;  // the last step that may refuse: it counts the notes
    for (pugi::xpath_node inner : other_body.select_nodes("w:p/w:pPr/w:sectPr")) RecordFrames::Refer(inner.node(), *own);
    lists.Restart(other_body, k);
    MarkStart(FirstElement(other_body), k);
    const pugi::xml_node other_section = LastElement(other_body);
    if (FirstSection(other_body) != other_section) MakeRecordSection(FirstSection(other_body));
    // The record before ends its section; this one follows on a new page.
    RecordFrames::Refer(EndSection(last_paragraph, section), previous);
    previous = *own;
    for (pugi::xml_node c = other_body.first_child(); c && c != other_section; c = c.next_sibling()) {
      const pugi::xml_node copy = body.insert_copy_before(c, section);
      if (copy.type() == pugi::node_element) last_paragraph = copy;
    }
    joined.members.push_back(i);
  }
  if (joined.members.size() < 2) {
    joined.members.clear();
    joined.refused = Status::Refused("没有可以合在一起的文档");
    return joined;
  }

  if (through_doc && lists.shared_between_styles()) {
    joined.members.clear();
    joined.refused = Status::Refused("经.doc的同一级列表跨样式");
    return joined;
  }
  RecordFrames::Refer(section, previous);  // the last record's last section closes the body
  joined.note_labels = notes.labels();
  joined.footnotes = notes.active();
  std::map<std::string, std::string> counted;
  if (joined.page_counts && shown_pages > 0 && WriteCounts(*pattern, doc, lists, notes, frames, shown_pages, counted)) {
    joined.pages_shown = shown_pages;
  } else {
    counted.clear();
  }
  if (Status written = WriteJoined(*pattern, doc, lists, notes, frames, counted, out_path); !written.ok()) {
    joined.members.clear();
    joined.refused = std::move(written);
  }
  return joined;
}

}  // namespace vexlo::engine
