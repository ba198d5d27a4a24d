#include "office/engine/word/copy_parts.h"
#include "office/engine/package/xml_string_writer.h"

#include <pugixml.hpp>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <set>

namespace vexlo::engine::word {

namespace {

constexpr char kSlotMark[] = "@VEXLO#";
constexpr char kFirstInsert[] = "@VEXLO-A@";
constexpr char kSecondInsert[] = "@VEXLO-B@";
constexpr unsigned kParseFlags = pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata;

std::string_view Local(const char* name) {
  const char* colon = std::strrchr(name, ':');
  return colon ? std::string_view(colon + 1) : std::string_view(name);
}

std::string PrefixOf(const pugi::xml_node& n) {
  const std::string_view name = n.name();
  const size_t colon = name.find(':');
  return colon == std::string_view::npos ? std::string() : std::string(name.substr(0, colon + 1));
}

bool ParseInt(std::string_view s, int64_t& v, int base = 10) {
  if (s.empty()) return false;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
  return ec == std::errc() && p == s.data() + s.size();
}

std::string Print(const pugi::xml_node& n) {
  XmlStringWriter sink;
  n.print(sink, "", pugi::format_raw, pugi::encoding_utf8);
  return sink.s;
}

// Splits the saved document at two marker comments (the second may be absent).
bool SplitAt(const pugi::xml_document& doc, std::string& head, std::string& middle,
             std::string& tail) {
  XmlStringWriter sink;
  doc.save(sink, "", pugi::format_raw, pugi::encoding_utf8);
  const std::string first = std::string("<!--") + kFirstInsert + "-->";
  const std::string second = std::string("<!--") + kSecondInsert + "-->";
  const size_t a = sink.s.find(first);
  if (a == std::string::npos) return false;
  head = sink.s.substr(0, a);
  const size_t b = sink.s.find(second, a);
  if (b == std::string::npos) {
    middle.clear();
    tail = sink.s.substr(a + first.size());
  } else {
    middle = sink.s.substr(a + first.size(), b - a - first.size());
    tail = sink.s.substr(b + second.size());
  }
  return true;
}

// True when list level `lvl` shows something: a number, a bullet or text of its own.
bool LevelShowsLabel(const pugi::xml_node& lvl, const std::string& w) {
  const std::string val = w + "val";
  const std::string_view format = lvl.child((w + "numFmt").c_str()).attribute(val.c_str()).value();
  const std::string_view text = lvl.child((w + "lvlText").c_str()).attribute(val.c_str()).value();
  if (text.empty()) return false;
  if (format != "none") return true;
  // "%1" of a level without a format shows nothing; any other character shows.
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
      ++i;
    } else {
      return true;
    }
  }
  return false;
}

}  // namespace

bool CopyParts::ShowsLabel(int64_t num, int level) const {
  auto n = nums_.find(num);
  if (n == nums_.end() || n->second.redefines) return true;
  auto a = abstracts_.find(n->second.abstract_id);
  if (a == abstracts_.end()) return true;
  auto l = a->second.labelled.find(level);
  return l == a->second.labelled.end() || l->second;
}

void CopyParts::Read(Kind kind, const std::string& name, std::string_view xml) {
  if (name.empty()) return;
  Part part;
  part.name = name;
  if (kind == kNumbering) {
    ReadNumbering(part, xml);
  } else {
    ReadEntries(kind, part, xml);
  }
  if (!part.head.empty()) parts_[kind] = std::move(part);
}

void CopyParts::ReadNumbering(Part& part, std::string_view xml) {
  pugi::xml_document doc;
  if (!doc.load_buffer(xml.data(), xml.size(), kParseFlags)) return;
  pugi::xml_node root = doc.document_element();
  if (Local(root.name()) != "numbering") return;
  w_ = PrefixOf(root);
  const std::string id_attr = w_ + "abstractNumId", val = w_ + "val";
  pugi::xml_node last_abstract, last_num;
  std::map<std::string, std::map<int, std::string>> style_starts;  // styleLink -> starts
  std::map<int64_t, std::string> num_style_links;
  for (pugi::xml_node n = root.first_child(); n; n = n.next_sibling()) {
    const std::string_view local = Local(n.name());
    int64_t id = 0;
    if (local == "abstractNum" && ParseInt(n.attribute(id_attr.c_str()).value(), id)) {
      last_abstract = n;
      max_abstract_ = std::max(max_abstract_, id);
      AbstractNum a;
      for (pugi::xml_node lvl = n.child((w_ + "lvl").c_str()); lvl;
           lvl = lvl.next_sibling((w_ + "lvl").c_str())) {
        int64_t level = 0;
        if (!ParseInt(lvl.attribute((w_ + "ilvl").c_str()).value(), level) || level < 0 || level > 8) {
          continue;
        }
        const char* start = lvl.child((w_ + "start").c_str()).attribute(val.c_str()).value();
        a.starts[static_cast<int>(level)] = *start ? start : "0";
        a.labelled[static_cast<int>(level)] = LevelShowsLabel(lvl, w_);
      }
      const pugi::xml_node style_link = n.child((w_ + "styleLink").c_str());
      const pugi::xml_node num_style_link = n.child((w_ + "numStyleLink").c_str());
      if (style_link) style_starts[style_link.attribute(val.c_str()).value()] = a.starts;
      if (num_style_link) num_style_links[id] = num_style_link.attribute(val.c_str()).value();
      // A definition that belongs to a numbering style is shared: cloning it would give the
      // style two definitions. Its copies restart it by overrides instead.
      a.cloned = !style_link && !num_style_link;
      if (a.cloned) {
        pugi::xml_document scratch;
        pugi::xml_node c = scratch.append_copy(n);
        int slot = 0;
        c.attribute(id_attr.c_str()).set_value((kSlotMark + std::to_string(slot++) + "@").c_str());
        a.markup.slots.push_back({Pattern::kAbstract, id});
        int64_t nsid = 0;
        pugi::xml_attribute nsid_attr = c.child((w_ + "nsid").c_str()).attribute(val.c_str());
        if (nsid_attr && ParseInt(nsid_attr.value(), nsid, 16)) {
          nsid_attr.set_value((kSlotMark + std::to_string(slot++) + "@").c_str());
          a.markup.slots.push_back({Pattern::kNsid, nsid});
        }
        const std::string text = Print(c);
        size_t pos = 0;
        for (int i = 0; i < slot; ++i) {
          const std::string mark = kSlotMark + std::to_string(i) + "@";
          const size_t at = text.find(mark, pos);
          if (at == std::string::npos) return;
          a.markup.literals.push_back(text.substr(pos, at - pos));
          pos = at + mark.size();
        }
        a.markup.literals.push_back(text.substr(pos));
      }
      abstracts_[id] = std::move(a);
    } else if (local == "num" && ParseInt(n.attribute((w_ + "numId").c_str()).value(), id)) {
      last_num = n;
      max_num_ = std::max(max_num_, id);
      Num num;
      ParseInt(n.child(id_attr.c_str()).attribute(val.c_str()).value(), num.abstract_id);
      for (pugi::xml_node o = n.child((w_ + "lvlOverride").c_str()); o;
           o = o.next_sibling((w_ + "lvlOverride").c_str())) {
        int64_t level = 0;
        if (ParseInt(o.attribute((w_ + "ilvl").c_str()).value(), level)) {
          num.overridden[static_cast<int>(level)] = true;
        }
        num.overrides += Print(o);
        if (o.child((w_ + "lvl").c_str())) num.redefines = true;
      }
      nums_[id] = std::move(num);
    }
  }
  // Shared definitions restart at the levels' start values of the style's own definition.
  for (const auto& [id, link] : num_style_links) {
    auto it = style_starts.find(link);
    if (it != style_starts.end()) abstracts_[id].starts = it->second;
  }
  pugi::xml_node a = last_abstract
                         ? root.insert_child_after(pugi::node_comment, last_abstract)
                         : root.prepend_child(pugi::node_comment);
  a.set_value(kFirstInsert);
  pugi::xml_node b = last_num ? root.insert_child_after(pugi::node_comment, last_num)
                              : root.insert_child_after(pugi::node_comment, a);
  b.set_value(kSecondInsert);
  SplitAt(doc, part.head, part.middle, part.tail);
}

void CopyParts::ReadEntries(Kind kind, Part& part, std::string_view xml) {
  pugi::xml_document doc;
  // Whitespace-only texts are kept: a note's " " between its mark and its text is content.
  if (!doc.load_buffer(xml.data(), xml.size(), kParseFlags)) {
    return;
  }
  pugi::xml_node root = doc.document_element();
  const std::string w = PrefixOf(root);
  const char* entry = kind == kFootnotes ? "footnote" : kind == kEndnotes ? "endnote" : "comment";
  const std::string mark_name = w + (kind == kFootnotes ? "footnoteRef" : "endnoteRef");
  part.note_mark = "<" + mark_name + "/>";
  part.w = w;
  for (pugi::xml_node n = root.first_child(); n; n = n.next_sibling()) {
    int64_t id = 0;
    if (Local(n.name()) != entry || !ParseInt(n.attribute((w + "id").c_str()).value(), id)) continue;
    max_id_[kind] = std::max(max_id_[kind], id);
    // The clone's own id, its drawing ids moved like the story's, its optional unique paragraph
    // ids left out (as in the story's copies).
    pugi::xml_document scratch;
    pugi::xml_node c = scratch.append_copy(n);
    Pattern p;
    int slot = 0;
    auto mark = [&](pugi::xml_attribute a, Pattern::SlotKind k, int64_t base) {
      a.set_value((kSlotMark + std::to_string(slot++) + "@").c_str());
      p.slots.push_back({k, base});
    };
    mark(c.attribute((w + "id").c_str()), Pattern::kOwnId, id);
    std::vector<pugi::xml_node> stack = {c};
    while (!stack.empty()) {
      pugi::xml_node e = stack.back();
      stack.pop_back();
      const std::string_view el = Local(e.name());
      if (kind != kComments && e.name() == mark_name && !e.first_child() && !e.first_attribute()) {
        // The note's own mark: a copy whose reference shows its mark as text shows it here too.
        pugi::xml_node placeholder = e.parent().insert_child_before(pugi::node_pcdata, e);
        placeholder.set_value((kSlotMark + std::to_string(slot++) + "@").c_str());
        p.slots.push_back({Pattern::kNoteMark, 0});
        e.parent().remove_child(e);
        continue;
      }
      for (pugi::xml_attribute a = e.first_attribute(); a;) {
        pugi::xml_attribute next = a.next_attribute();
        const std::string_view an = a.name(), al = Local(a.name());
        int64_t v = 0;
        if ((el == "docPr" || el == "cNvPr") && an == "id" && ParseInt(a.value(), v) && v >= 0) {
          mark(a, Pattern::kDrawing, v);
        } else if (an != al && (al == "paraId" || al == "textId")) {
          e.remove_attribute(a);
        }
        a = next;
      }
      // Children go on the stack last first, so that the slots come in document order (the
      // order in which the markup is cut at them below).
      for (pugi::xml_node k = e.last_child(); k; k = k.previous_sibling()) {
        if (k.type() == pugi::node_element) stack.push_back(k);
      }
    }
    const std::string text = Print(c);
    size_t pos = 0;
    bool ok = true;
    for (int i = 0; i < slot && ok; ++i) {
      const std::string m = kSlotMark + std::to_string(i) + "@";
      const size_t at = text.find(m, pos);
      if (at == std::string::npos) {
        ok = false;
        break;
      }
      p.literals.push_back(text.substr(pos, at - pos));
      pos = at + m.size();
    }
    if (!ok) continue;
    p.literals.push_back(text.substr(pos));
    part.entries[id] = std::move(p);
  }
  root.append_child(pugi::node_comment).set_value(kFirstInsert);
  SplitAt(doc, part.head, part.middle, part.tail);
}

void CopyParts::AddFloors(IdFloors& floors) const {
  floors.num = std::max(floors.num, max_num_);
  floors.footnote = std::max(floors.footnote, max_id_[kFootnotes]);
  floors.endnote = std::max(floors.endnote, max_id_[kEndnotes]);
  floors.comment = std::max(floors.comment, max_id_[kComments]);
}

void CopyParts::Render(std::string& out, const Pattern& p, int64_t own_stride,
                       int64_t drawing_stride, int64_t abstract_stride, uint32_t copy,
                       std::string_view mark, std::string_view mark_element, std::string_view w) {
  for (size_t i = 0; i < p.slots.size(); ++i) {
    out += p.literals[i];
    const auto [kind, base] = p.slots[i];
    switch (kind) {
      case Pattern::kOwnId: out += std::to_string(base + int64_t(copy) * own_stride); break;
      case Pattern::kDrawing: out += std::to_string(base + int64_t(copy) * drawing_stride); break;
      case Pattern::kAbstract: out += std::to_string(base + int64_t(copy) * abstract_stride); break;
      case Pattern::kNoteMark:
        if (mark.empty()) {
          out += mark_element;
        } else {
          out += "<";
          out += w;
          out += "t>";
          out += mark;
          out += "</";
          out += w;
          out += "t>";
        }
        break;
      case Pattern::kNsid: {
        // A list's identity for Word: each copy's list gets its own.
        char hex[9];
        std::snprintf(hex, sizeof hex, "%08X",
                      static_cast<unsigned>((uint64_t(base) + uint64_t(copy) * 0x9E3779B1u) &
                                            0xFFFFFFFFu));
        out += hex;
        break;
      }
    }
  }
  out += p.literals.back();
}

std::vector<CopyParts::Changed> CopyParts::Build(const std::vector<StoryCopy>& copies) const {
  std::vector<Changed> out;
  if (copies.empty()) return out;

  const Part& numbering = parts_[kNumbering];
  if (!numbering.name.empty()) {
    const int64_t abstract_stride = max_abstract_ + 1;
    std::string abstracts, nums;
    std::set<std::pair<uint32_t, int64_t>> done_abstracts, done_nums;
    for (const StoryCopy& sc : copies) {
      for (int64_t n : sc.story->num_ids()) {
        auto num = nums_.find(n);
        if (num == nums_.end() || !done_nums.insert({sc.copy, n}).second) continue;
        auto abs = abstracts_.find(num->second.abstract_id);
        const bool cloned = abs != abstracts_.end() && abs->second.cloned;
        int64_t abstract_id = num->second.abstract_id;
        if (cloned) {
          abstract_id += int64_t(sc.copy) * abstract_stride;
          if (done_abstracts.insert({sc.copy, num->second.abstract_id}).second) {
            Render(abstracts, abs->second.markup, 0, 0, abstract_stride, sc.copy);
          }
        }
        nums += "<" + w_ + "num " + w_ + "numId=\"" +
                std::to_string(n + int64_t(sc.copy) * sc.story->strides().num) + "\"><" + w_ +
                "abstractNumId " + w_ + "val=\"" + std::to_string(abstract_id) + "\"/>";
        nums += num->second.overrides;
        if (!cloned && abs != abstracts_.end()) {
          for (const auto& [level, start] : abs->second.starts) {
            if (num->second.overridden.count(level)) continue;
            nums += "<" + w_ + "lvlOverride " + w_ + "ilvl=\"" + std::to_string(level) + "\"><" +
                    w_ + "startOverride " + w_ + "val=\"" + start + "\"/></" + w_ + "lvlOverride>";
          }
        }
        nums += "</" + w_ + "num>";
      }
    }
    if (!nums.empty()) {
      out.push_back({kNumbering, numbering.name, numbering.head + abstracts + numbering.middle + nums +
                                         numbering.tail});
    }
  }

  for (Kind kind : {kFootnotes, kEndnotes, kComments}) {
    const Part& part = parts_[kind];
    if (part.name.empty()) continue;
    std::string clones;
    for (const StoryCopy& sc : copies) {
      const SourceStory& s = *sc.story;
      const std::set<int64_t>& ids = kind == kFootnotes  ? s.footnote_ids()
                                     : kind == kEndnotes ? s.endnote_ids()
                                                         : s.comment_ids();
      const int64_t stride = kind == kFootnotes  ? s.strides().footnote
                             : kind == kEndnotes ? s.strides().endnote
                                                 : s.strides().comment;
      for (int64_t id : ids) {
        auto it = part.entries.find(id);
        if (it != part.entries.end()) {
          const std::string mark = kind == kComments ? std::string() : s.NoteLabel(kind == kEndnotes, id);
          Render(clones, it->second, stride, s.strides().drawing, 0, sc.copy, mark, part.note_mark,
                 part.w);
        }
      }
    }
    if (!clones.empty()) out.push_back({kind, part.name, part.head + clones + part.tail});
  }
  return out;
}

}  // namespace vexlo::engine::word
