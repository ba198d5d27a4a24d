#include "office/engine/word/source_story.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <initializer_list>
#include <optional>

#include "app/runtime_error.h"
#include "office/engine/package/xml_escape.h"
#include "office/engine/word/seq_fields.h"
#include "office/engine/word/text_fold.h"
#include "office/engine/word/text_match.h"

namespace vexlo::engine::word {

using app::RuntimeError;

namespace {

constexpr char kWordMl[] = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr char kRelNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr int kMaxDepth = 256;

std::string_view Local(const char* name) {
  const char* colon = std::strrchr(name, ':');
  return colon ? std::string_view(colon + 1) : std::string_view(name);
}

bool ParseInt(const char* s, int64_t& v) {
  const char* end = s + std::strlen(s);
  auto [p, ec] = std::from_chars(s, end, v);
  return ec == std::errc() && p == end;
}

bool In(std::string_view x, std::initializer_list<std::string_view> set) {
  return std::find(set.begin(), set.end(), x) != set.end();
}

// "_x0000_s1026" -> "_x0000_s", 1026: the shape and picture numbers of VML.
bool SplitShapeId(std::string_view v, std::string& head, int64_t& number) {
  if (v.size() < 9 || v.substr(0, 7) != "_x0000_" || (v[7] != 's' && v[7] != 'i')) return false;
  int64_t n = 0;
  for (size_t i = 8; i < v.size(); ++i) {
    if (v[i] < '0' || v[i] > '9' || n > (1ll << 40)) return false;
    n = n * 10 + (v[i] - '0');
  }
  head = std::string(v.substr(0, 8));
  number = n;
  return true;
}

bool IsPageRelative(std::string_view v) {
  return In(v, {"page", "margin", "topMargin", "bottomMargin", "insideMargin", "outsideMargin"});
}

}  // namespace

// Walks the parsed part and fills a SourceStory.
class StoryParser {
 public:
  StoryParser(SourceStory& s, const std::string& file, const StyleNumbering* styles)
      : s_(s), file_(file), styles_(styles) {}

  void Run(const pugi::xml_document& doc, const IdFloors& floors) {
    const pugi::xml_node root = doc.document_element();
    if (!root || Local(root.name()) != "document") Bad("缺少文档正文");
    // The prefixes in use for the WordprocessingML and relationship namespaces.
    bool found = false;
    for (const pugi::xml_attribute& a : root.attributes()) {
      const std::string_view an = a.name();
      if (std::strcmp(a.value(), kWordMl) == 0) {
        if (an == "xmlns") {
          w_.clear();
          found = true;
        } else if (an.substr(0, 6) == "xmlns:") {
          w_ = std::string(an.substr(6)) + ":";
          found = true;
        }
      } else if (std::strcmp(a.value(), kRelNs) == 0 && an.substr(0, 6) == "xmlns:") {
        r_ = std::string(an.substr(6)) + ":";
      }
    }
    if (!found || std::string_view(root.name()) != w_ + "document") Bad("不是 Word 文档正文");
    s_.t_open_ = "<" + w_ + "t xml:space=\"preserve\">";
    s_.text_tags_.push_back(s_.t_open_);
    s_.t_close_ = "</" + w_ + "t>";
    s_.br_ = s_.t_close_ + "<" + w_ + "br/>" + s_.t_open_;
    s_.tab_ = s_.t_close_ + "<" + w_ + "tab/>" + s_.t_open_;
    s_.empty_para_ = "<" + w_ + "p/>";
    s_.w_ = w_;

    std::vector<pugi::xml_node> bodies;
    for (pugi::xml_node n = root.child((w_ + "body").c_str()); n;
         n = n.next_sibling((w_ + "body").c_str())) {
      bodies.push_back(n);
    }
    if (bodies.empty()) Bad("缺少文档正文");
    const pugi::xml_node body = bodies.front();

    // Everything up to and with <w:body>, verbatim.
    direct_ = true;
    out_ = &s_.prefix_;
    s_.prefix_ = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
    StartTag(root, false);
    s_.prefix_ += ">";
    for (pugi::xml_node n = root.first_child(); n != body; n = n.next_sibling()) Opaque(n, 1);
    StartTag(body, false);
    s_.prefix_ += ">";

    // The final section properties are those at the end of the last body; further bodies (some
    // tools write several) become part of the story, so that every copy holds all of them.
    const pugi::xml_node last_body = bodies.back();
    pugi::xml_node last = last_body.last_child();
    while (last && last.type() != pugi::node_element) last = last.previous_sibling();
    const bool has_sect = last && std::string_view(last.name()) == w_ + "sectPr";

    seq_restarts_ = FirstSequenceFields(root, w_);
    direct_ = false;
    in_body_ = true;
    out_ = &markup_;
    for (size_t i = 0; i < bodies.size(); ++i) {
      if (i > 0) {
        markup_ += "</" + std::string(bodies[i - 1].name()) + ">";
        for (pugi::xml_node n = bodies[i - 1].next_sibling(); n != bodies[i]; n = n.next_sibling()) {
          Opaque(n, 1);
        }
        StartTag(bodies[i], false);
        markup_ += ">";
      }
      for (pugi::xml_node n = bodies[i].first_child(); n; n = n.next_sibling()) {
        if (has_sect && n == last) break;
        Block(n, 2);
      }
    }
    FlushMarkup();
    in_body_ = false;

    direct_ = true;
    if (has_sect) {
      ApplyNoteProperties(last, w_, s_.notes_);
      out_ = &s_.final_sectpr_;
      Opaque(last, 2);
    }
    out_ = &s_.suffix_;
    s_.suffix_ = "</" + std::string(last_body.name()) + ">";
    for (pugi::xml_node n = last_body.next_sibling(); n; n = n.next_sibling()) Opaque(n, 1);
    s_.suffix_ += "</" + std::string(root.name()) + ">";

    IdStrides& st = s_.strides_;
    st.drawing = std::max(max_drawing_, floors.drawing) + 1;
    st.mark = max_mark_ + 1;
    st.shape = std::max(max_shape_, floors.shape) + 1;
    st.num = std::max(Max(s_.num_ids_), floors.num) + 1;
    st.footnote = std::max(Max(s_.footnote_ids_), floors.footnote) + 1;
    st.endnote = std::max(Max(s_.endnote_ids_), floors.endnote) + 1;
    st.comment = std::max(Max(s_.comment_ids_), floors.comment) + 1;
    s_.ends_with_break_ = ends_with_break_ || starts_with_break_;
    s_.folded_.reserve(s_.paragraphs_.size());
    for (uint32_t p = 0; p < s_.paragraphs_.size(); ++p) {
      s_.folded_.push_back(s_.Fold(p, s_.texts_));
    }
  }

 private:
  static int64_t Max(const std::set<int64_t>& ids) { return ids.empty() ? 0 : *ids.rbegin(); }

  [[noreturn]] void Bad(std::string_view what) {
    throw RuntimeError::Format(file_, "已损坏或不是有效的 Word 文档：" + std::string(what));
  }

  bool Is(const pugi::xml_node& n, std::string_view local) const {
    const std::string_view name = n.name();
    return name.size() == w_.size() + local.size() && name.substr(0, w_.size()) == w_ &&
           name.substr(w_.size()) == local;
  }

  void FlushMarkup() {
    if (markup_.empty()) return;
    s_.pieces_.push_back({Piece::kMarkup, static_cast<uint32_t>(s_.markup_.size())});
    s_.markup_.push_back(std::move(markup_));
    markup_.clear();
  }

  void AddSlot(Slot slot) {
    FlushMarkup();
    s_.pieces_.push_back({Piece::kSlot, static_cast<uint32_t>(s_.slots_.size())});
    s_.slots_.push_back(std::move(slot));
  }

  // Writes an attribute, as a slot when it is an id that copies renumber.
  void Attribute(const pugi::xml_node& n, const pugi::xml_attribute& a) {
    std::string& out = *out_;
    const std::string_view el = Local(n.name());
    const std::string_view an = a.name();
    const std::string_view al = Local(a.name());
    if (!r_.empty() && an.size() > r_.size() && an.substr(0, r_.size()) == r_) {
      s_.uses_relationships_ = true;
    }
    if (!direct_) {
      int64_t v = 0;
      std::optional<Slot> slot;
      const bool w_element = std::string_view(n.name()).substr(0, w_.size()) == w_;
      std::string head;
      if ((el == "docPr" || el == "cNvPr") && an == "id" && ParseInt(a.value(), v) && v >= 0) {
        max_drawing_ = std::max(max_drawing_, v);
        slot = Slot{SlotKind::kDrawingId, v, {}};
      } else if ((an == "id" || al == "spid" || an == "ShapeID") && SplitShapeId(a.value(), head, v)) {
        max_shape_ = std::max(max_shape_, v);
        slot = Slot{SlotKind::kShapeId, v, std::move(head)};
      } else if (w_element && an == w_ + "id" && ParseInt(a.value(), v) && v >= 0 &&
                 In(el, {"footnoteReference", "endnoteReference", "commentRangeStart",
                         "commentRangeEnd", "commentReference"})) {
        if (el == "footnoteReference") {
          s_.footnote_ids_.insert(v);
          slot = Slot{SlotKind::kFootnoteId, v, {}};
        } else if (el == "endnoteReference") {
          s_.endnote_ids_.insert(v);
          slot = Slot{SlotKind::kEndnoteId, v, {}};
        } else {
          s_.comment_ids_.insert(v);
          slot = Slot{SlotKind::kCommentId, v, {}};
        }
      } else if (Is(n, "numId") && an == w_ + "val" && Is(n.parent(), "numPr") &&
                 ParseInt(a.value(), v) && v > 0) {
        s_.num_ids_.insert(v);
        slot = Slot{SlotKind::kNumId, v, {}};
      } else if (std::string_view(n.name()).substr(0, w_.size()) == w_ && an == w_ + "id" &&
                 In(el, {"bookmarkStart", "bookmarkEnd", "ins", "del", "moveFrom", "moveTo",
                         "moveFromRangeStart", "moveFromRangeEnd", "moveToRangeStart",
                         "moveToRangeEnd", "rPrChange", "pPrChange", "tblPrChange",
                         "trPrChange", "tcPrChange", "sectPrChange", "numberingChange",
                         "cellIns", "cellDel", "cellMerge", "tblGridChange", "permStart",
                         "permEnd"}) &&
                 ParseInt(a.value(), v) && v >= 0) {
        max_mark_ = std::max(max_mark_, v);
        slot = Slot{SlotKind::kMarkId, v, {}};
      } else if (Is(n, "id") && an == w_ + "val" && ParseInt(a.value(), v) &&
                 Is(n.parent(), "sdtPr")) {
        slot = Slot{SlotKind::kSdtId, v, {}};
      } else if (Is(n, "fldSimple") && an == w_ + "instr" && seq_restarts_.count(n.internal_object())) {
        out += ' ';
        out += an;
        out += "=\"";
        AppendXmlAttribute(out, a.value());
        AddSlot(Slot{SlotKind::kSeqRestart, 0, {}});
        out_->push_back('"');
        return;
      } else if (Is(n, "bookmarkStart") && an == w_ + "name") {
        slot = Slot{SlotKind::kBookmarkName, 0, a.value()};
      } else if (In(al, {"paraId", "textId", "anchorId", "editId"}) && an != al) {
        std::string whole = " ";
        whole += an;
        whole += "=\"";
        AppendXmlAttribute(whole, a.value());
        whole += "\"";
        AddSlot(Slot{SlotKind::kDropInCopies, 0, std::move(whole)});
        return;
      }
      if (slot) {
        out += ' ';
        out += an;
        out += "=\"";
        AddSlot(std::move(*slot));
        out_->push_back('"');
        return;
      }
    }
    out += ' ';
    out += an;
    out += "=\"";
    AppendXmlAttribute(out, a.value());
    out += '"';
  }

  // "<name attrs" (the caller closes the tag).
  void StartTag(const pugi::xml_node& n, bool with_slots) {
    const bool saved = direct_;
    if (!with_slots) direct_ = true;
    *out_ += '<';
    *out_ += n.name();
    for (const pugi::xml_attribute& a : n.attributes()) Attribute(n, a);
    direct_ = saved;
    if (in_body_ && !s_.page_anchored_) NotePageAnchor(n);
  }

  // Floating tables, frames and shapes whose vertical place is given relative to the page.
  void NotePageAnchor(const pugi::xml_node& n) {
    const std::string_view el = Local(n.name());
    bool page = false;
    if (el == "tblpPr") {
      page = IsPageRelative(n.attribute((w_ + "vertAnchor").c_str()).value());
    } else if (el == "framePr") {
      page = IsPageRelative(n.attribute((w_ + "vAnchor").c_str()).value());
    } else if (el == "positionV") {
      page = IsPageRelative(n.attribute("relativeFrom").value());
    } else if (const char* style = n.attribute("style").value(); *style) {
      const std::string_view st = style;
      page = st.find("mso-position-vertical-relative:page") != std::string_view::npos ||
             st.find("mso-position-vertical-relative:margin") != std::string_view::npos;
    }
    if (page) s_.page_anchored_ = true;
  }

  void Depth(int depth) {
    if (depth > kMaxDepth) Bad("XML 嵌套过深");
  }

  // Serializes `n` and its subtree verbatim (ids still become slots outside direct mode).
  void Opaque(const pugi::xml_node& n, int depth) {
    Depth(depth);
    switch (n.type()) {
      case pugi::node_pcdata:
      case pugi::node_cdata:
        AppendXmlText(*out_, n.value());
        return;
      case pugi::node_element:
        break;
      default:
        return;  // comments and processing instructions are dropped
    }
    if (!direct_ && !sdts_.empty() && (Is(n, "dataBinding") || Is(n, "showingPlcHdr")) &&
        Is(n.parent(), "sdtPr")) {
      // Readers refill a bound control from its data and treat a placeholder as empty: once a
      // value was put into the control, its copy leaves these out.
      std::string element;
      std::string* saved = out_;
      out_ = &element;
      direct_ = true;
      Opaque(n, depth);
      direct_ = false;
      out_ = saved;
      AddSlot(Slot{SlotKind::kDropWhenEdited, static_cast<int64_t>(sdts_.back()), std::move(element)});
      return;
    }
    if (!direct_ && in_para_ && Is(n, "txbxContent")) return TextBoxContent(n, depth);
    StartTag(n, true);
    const bool restart = !direct_ && Is(n, "instrText") && seq_restarts_.count(n.internal_object());
    if (!n.first_child() && !restart) {
      *out_ += "/>";
      return;
    }
    *out_ += '>';
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) Opaque(c, depth + 1);
    if (restart) AddSlot(Slot{SlotKind::kSeqRestart, 0, {}});
    *out_ += "</";
    *out_ += n.name();
    *out_ += '>';
  }

  // The paragraphs of a text box (DrawingML or VML) within a paragraph of the story: they are
  // searched like the story's own, so that a copy's text boxes are filled with the copy. The
  // paragraph around it ends its searchable part here and goes on as a new part after it (the
  // drawing already stands between the two as an object no key can span).
  void TextBoxContent(const pugi::xml_node& n, int depth) {
    Paragraph before;
    before.first_item = para_first_;
    before.item_count = static_cast<uint32_t>(s_.items_.size()) - para_first_;
    s_.paragraphs_.push_back(before);
    ++text_boxes_;
    in_para_ = false;
    Container(n, depth, [this](const pugi::xml_node& c, int d) { Block(c, d); });
    in_para_ = true;
    --text_boxes_;
    para_first_ = static_cast<uint32_t>(s_.items_.size());
  }

  // A container: its start tag, its children handled by `child`, its end tag.
  template <typename F>
  void Container(const pugi::xml_node& n, int depth, F child) {
    Depth(depth);
    StartTag(n, true);
    if (!n.first_child()) {
      *out_ += "/>";
      return;
    }
    *out_ += '>';
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) child(c, depth + 1);
    *out_ += "</";
    *out_ += n.name();
    *out_ += '>';
  }

  void Block(const pugi::xml_node& n, int depth) {
    if (n.type() != pugi::node_element) return Opaque(n, depth);
    if (Is(n, "p")) {
      Paragraph para;
      para.first_item = static_cast<uint32_t>(s_.items_.size());
      const pugi::xml_node ppr = n.child((w_ + "pPr").c_str());
      const pugi::xml_node sect = ppr.child((w_ + "sectPr").c_str());
      const bool section_break =
          sect && std::string_view(sect.child((w_ + "type").c_str())
                                       .attribute((w_ + "val").c_str()).value()) != "continuous";
      style_num_.reset();
      if (ppr && styles_ && !ppr.child((w_ + "numPr").c_str())) {
        auto it = styles_->find(std::string_view(
            ppr.child((w_ + "pStyle").c_str()).attribute((w_ + "val").c_str()).value()));
        if (it != styles_->end() && it->second.first > 0) style_num_ = it->second;
      }
      if (s_.paragraphs_.empty() && depth == 2) {
        const pugi::xml_node before = ppr.child((w_ + "pageBreakBefore").c_str());
        const std::string_view val = before.attribute((w_ + "val").c_str()).value();
        starts_with_break_ = before && val != "0" && val != "false" && val != "off";
      }
      const uint32_t outer_first = para_first_;
      para_first_ = para.first_item;
      in_para_ = true;
      Container(n, depth, [this](const pugi::xml_node& c, int d) { Inline(c, d); });
      in_para_ = false;
      // A text box inside it ended the part before it (see TextBoxContent).
      para.first_item = para_first_;
      para_first_ = outer_first;
      para.item_count = static_cast<uint32_t>(s_.items_.size()) - para.first_item;
      s_.paragraphs_.push_back(para);
      if (text_boxes_ > 0) return;  // the story's own paragraphs decide how it ends
      if (para.item_count > 0 || section_break) {
        ends_with_break_ = section_break || page_break_end_ == s_.items_.size();
      }
      return;
    }
    if (Is(n, "sdt")) return ContentControl(n, depth, true);
    if (Is(n, "tbl") && text_boxes_ == 0) ends_with_break_ = false;
    if (Is(n, "tr")) ++s_.table_rows_;
    if (Is(n, "tbl") || Is(n, "tr") || Is(n, "tc") || Is(n, "sdtContent") ||
        Is(n, "customXml") || Is(n, "ins") || Is(n, "moveTo")) {
      return Container(n, depth, [this](const pugi::xml_node& c, int d) { Block(c, d); });
    }
    Opaque(n, depth);
  }

  void Inline(const pugi::xml_node& n, int depth) {
    if (n.type() != pugi::node_element) return Opaque(n, depth);
    if (Is(n, "pPr") && style_num_) return StyleNumberedProperties(n, depth);
    if (Is(n, "r")) {
      return Container(n, depth, [this](const pugi::xml_node& c, int d) { RunChild(c, d); });
    }
    if (Is(n, "sdt")) return ContentControl(n, depth, false);
    if (Is(n, "hyperlink") || Is(n, "ins") || Is(n, "moveTo") || Is(n, "smartTag") ||
        Is(n, "customXml") || Is(n, "sdtContent") || Is(n, "fldSimple") ||
        Is(n, "dir") || Is(n, "bdo")) {
      return Container(n, depth, [this](const pugi::xml_node& c, int d) { Inline(c, d); });
    }
    const std::string_view local = Local(n.name());
    if (local == "oMath" || local == "oMathPara") Boundary(0xFFFC);
    Opaque(n, depth);
  }

  // The properties of a paragraph that its style numbers, with a place for the list instance of
  // further copies (where the schema puts numPr: after the style and the page-flow settings).
  void StyleNumberedProperties(const pugi::xml_node& n, int depth) {
    const auto [num, level] = *style_num_;
    style_num_.reset();
    s_.num_ids_.insert(num);
    Depth(depth);
    StartTag(n, true);
    *out_ += '>';
    bool placed = false;
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
      if (!placed && c.type() == pugi::node_element &&
          !In(Local(c.name()), {"pStyle", "keepNext", "keepLines", "pageBreakBefore", "framePr",
                                "widowControl"})) {
        AddSlot(Slot{SlotKind::kStyleNumPr, num, std::to_string(level)});
        placed = true;
      }
      Opaque(c, depth + 1);
    }
    if (!placed) AddSlot(Slot{SlotKind::kStyleNumPr, num, std::to_string(level)});
    *out_ += "</";
    *out_ += n.name();
    *out_ += '>';
  }

  // A content control: remembers which texts it holds, for its data binding.
  void ContentControl(const pugi::xml_node& n, int depth, bool block) {
    const size_t index = s_.bound_texts_.size();
    s_.bound_texts_.push_back({static_cast<uint32_t>(s_.texts_.size()), 0});
    sdts_.push_back(index);
    if (block) {
      Container(n, depth, [this](const pugi::xml_node& c, int d) { Block(c, d); });
    } else {
      Container(n, depth, [this](const pugi::xml_node& c, int d) { Inline(c, d); });
    }
    sdts_.pop_back();
    s_.bound_texts_[index].second = static_cast<uint32_t>(s_.texts_.size());
  }

  void Boundary(char32_t c) {
    if (in_para_) s_.items_.push_back({-1, c});
  }

  void RunChild(const pugi::xml_node& n, int depth) {
    if (n.type() != pugi::node_element) return Opaque(n, depth);
    if (Is(n, "t")) {
      FlushMarkup();
      const uint32_t index = static_cast<uint32_t>(s_.texts_.size());
      s_.texts_.push_back(n.text().get());
      s_.text_tag_.push_back(TextTag(n));
      s_.pieces_.push_back({Piece::kText, index});
      s_.items_.push_back({static_cast<int32_t>(index), 0});
      return;
    }
    if (Is(n, "ruby")) {
      // The base text is searched like any run; the guide text above it is left alone.
      return Container(n, depth, [this](const pugi::xml_node& c, int d) {
        if (c.type() == pugi::node_element && Is(c, "rubyBase")) {
          return Container(c, d, [this](const pugi::xml_node& r, int dd) { Inline(r, dd); });
        }
        Opaque(c, d);
      });
    }
    if ((Is(n, "footnoteReference") || Is(n, "endnoteReference")) && !direct_ && !n.first_child()) {
      Boundary(0xFFFC);
      return NoteReference(n, depth);
    }
    if (Is(n, "tab") || Is(n, "ptab")) {
      Boundary('\t');
    } else if (Is(n, "br") || Is(n, "cr")) {
      Boundary('\v');
      if (std::string_view(n.attribute((w_ + "type").c_str()).value()) == "page") {
        page_break_end_ = s_.items_.size();
      }
    } else if (Is(n, "sym") || Is(n, "noBreakHyphen") || Is(n, "drawing") || Is(n, "pict") ||
               Is(n, "object") || Is(n, "footnoteReference") || Is(n, "endnoteReference") ||
               Local(n.name()) == "AlternateContent") {
      Boundary(0xFFFC);
    }
    Opaque(n, depth);
  }

  // A note reference; an automatic one gets the places where further copies write its mark.
  void NoteReference(const pugi::xml_node& n, int depth) {
    const std::string_view custom = n.attribute((w_ + "customMarkFollows").c_str()).value();
    int64_t id = 0;
    if (In(custom, {"1", "true", "on"}) || !ParseInt(n.attribute((w_ + "id").c_str()).value(), id)) {
      return Opaque(n, depth);
    }
    const bool endnote = Is(n, "endnoteReference");
    auto& ordinals = endnote ? s_.endnote_ordinal_ : s_.footnote_ordinal_;
    ordinals.emplace(id, static_cast<int64_t>(ordinals.size()) + 1);
    Depth(depth);
    StartTag(n, true);
    AddSlot(Slot{SlotKind::kNoteCustom, id, endnote ? "e" : ""});
    *out_ += "/>";
    AddSlot(Slot{SlotKind::kNoteText, id, endnote ? "e" : ""});
  }

  // The index of the start tag of run text `n` among the story's distinct ones.
  uint16_t TextTag(const pugi::xml_node& n) {
    std::string tag;
    std::string* saved = out_;
    const bool saved_direct = direct_;
    out_ = &tag;
    direct_ = true;
    StartTag(n, false);
    tag += '>';
    out_ = saved;
    direct_ = saved_direct;
    auto& tags = s_.text_tags_;
    auto it = std::find(tags.begin(), tags.end(), tag);
    if (it != tags.end()) return static_cast<uint16_t>(it - tags.begin());
    if (tags.size() >= 64) return 0;  // odd sources: the preserving tag (tags_[0])
    tags.push_back(std::move(tag));
    return static_cast<uint16_t>(tags.size() - 1);
  }

  SourceStory& s_;
  const std::string& file_;
  const StyleNumbering* styles_;
  std::optional<std::pair<int64_t, int>> style_num_;  // the current paragraph's, from its style
  std::string w_ = "w:";
  std::string r_;
  std::string* out_ = nullptr;
  std::string markup_;
  bool direct_ = true;
  bool in_para_ = false;
  uint32_t para_first_ = 0;  // the first item of the open paragraph's current part
  int text_boxes_ = 0;       // text boxes around the current node
  bool in_body_ = false;
  int64_t max_drawing_ = 0;
  int64_t max_mark_ = 0;
  int64_t max_shape_ = 0;
  std::unordered_set<const void*> seq_restarts_;  // see FirstSequenceFields
  std::vector<size_t> sdts_;   // the content controls around the current node
  size_t page_break_end_ = SIZE_MAX;  // items_.size() right after the last page break
  bool ends_with_break_ = false;
  bool starts_with_break_ = false;
};

std::shared_ptr<const SourceStory> SourceStory::Parse(std::string_view xml, const std::string& file,
                                                      const IdFloors& floors,
                                                      const StyleNumbering* styles,
                                                      const NoteFormats& notes) {
  pugi::xml_document doc;
  const pugi::xml_parse_result result = doc.load_buffer(
      xml.data(), xml.size(), pugi::parse_default | pugi::parse_ws_pcdata, pugi::encoding_auto);
  if (!result) {
    throw RuntimeError::Format(file, "已损坏或不是有效的 Word 文档：正文 XML 在第 " +
                                         std::to_string(result.offset) + " 个字节处有误");
  }
  auto story = std::make_shared<SourceStory>();
  story->notes_ = notes;
  StoryParser(*story, file, styles).Run(doc, floors);
  return story;
}

void SourceStory::AppendText(std::string& out, const std::string& text, uint32_t index) const {
  if (text == texts_[index]) {
    out += text_tags_[text_tag_[index]];
    AppendXmlText(out, text);
    out += t_close_;
    return;
  }
  out += t_open_;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '\v': out += br_; break;
      case '\t': out += tab_; break;
      default: out.push_back(c);
    }
  }
  out += t_close_;
}

void SourceStory::AppendBody(std::string& out, const std::vector<std::string>& texts,
                             uint32_t copy) const {
  for (const Piece& p : pieces_) {
    switch (p.kind) {
      case Piece::kMarkup:
        out += markup_[p.index];
        break;
      case Piece::kText:
        AppendText(out, texts[p.index], p.index);
        break;
      case Piece::kSlot: {
        const Slot& s = slots_[p.index];
        switch (s.kind) {
          case SlotKind::kDrawingId:
          case SlotKind::kMarkId:
          case SlotKind::kNumId:
          case SlotKind::kFootnoteId:
          case SlotKind::kEndnoteId:
          case SlotKind::kCommentId: {
            const int64_t stride = s.kind == SlotKind::kDrawingId    ? strides_.drawing
                                   : s.kind == SlotKind::kMarkId     ? strides_.mark
                                   : s.kind == SlotKind::kNumId      ? strides_.num
                                   : s.kind == SlotKind::kFootnoteId ? strides_.footnote
                                   : s.kind == SlotKind::kEndnoteId  ? strides_.endnote
                                                                     : strides_.comment;
            out += std::to_string(s.number + int64_t(copy) * stride);
            break;
          }
          case SlotKind::kShapeId:
            out += s.text;
            out += std::to_string(s.number + int64_t(copy) * strides_.shape);
            break;
          case SlotKind::kStyleNumPr:
            if (copy > 0) {
              out += "<" + w_ + "numPr><" + w_ + "ilvl " + w_ + "val=\"" + s.text + "\"/><" + w_ +
                     "numId " + w_ + "val=\"" +
                     std::to_string(s.number + int64_t(copy) * strides_.num) + "\"/></" + w_ +
                     "numPr>";
            }
            break;
          case SlotKind::kDropWhenEdited: {
            const auto [first, end] = bound_texts_[s.number];
            bool edited = false;
            for (uint32_t t = first; t < end && !edited; ++t) edited = texts[t] != texts_[t];
            if (!edited) out += s.text;
            break;
          }
          case SlotKind::kSdtId:
            out += std::to_string(static_cast<int32_t>(
                static_cast<uint32_t>(s.number) + copy * 7919u));
            break;
          case SlotKind::kBookmarkName: {
            std::string name = s.text;
            if (copy > 0) {
              // Bookmark names hold at most 40 characters.
              const std::string suffix = "_" + std::to_string(copy);
              size_t keep = 0, count = 0;
              while (keep < name.size() && count + suffix.size() < 40) {
                DecodeUtf8(name, keep);
                ++count;
              }
              name = name.substr(0, keep) + suffix;
            }
            AppendXmlAttribute(out, name);
            break;
          }
          case SlotKind::kNoteCustom:
            if (copy > 0 && !NoteLabel(s.text == "e", s.number).empty()) {
              out += " " + w_ + "customMarkFollows=\"1\"";
            }
            break;
          case SlotKind::kNoteText:
            if (copy > 0) {
              const std::string label = NoteLabel(s.text == "e", s.number);
              if (!label.empty()) out += "<" + w_ + "t>" + label + t_close_;
            }
            break;
          case SlotKind::kSeqRestart:
            if (copy > 0) out += kSequenceRestart;
            break;
          case SlotKind::kDropInCopies:
            if (copy == 0) out += s.text;
            break;
        }
        break;
      }
    }
  }
}

std::string SourceStory::NoteLabel(bool endnote, int64_t id) const {
  const auto& ordinals = endnote ? endnote_ordinal_ : footnote_ordinal_;
  auto it = ordinals.find(id);
  if (it == ordinals.end()) return {};
  return word::NoteLabel(endnote ? notes_.endnote : notes_.footnote, it->second);
}

const std::vector<uint32_t>& SourceStory::Candidates(const std::u32string& key) const {
  auto it = candidates_.find(key);
  if (it != candidates_.end()) return it->second;
  if (candidates_.size() > 4096) candidates_.clear();  // bounded for odd callers
  std::vector<uint32_t> hits;
  for (uint32_t p = 0; p < folded_.size(); ++p) {
    if (folded_[p].chars.find(key) != std::u32string::npos) hits.push_back(p);
  }
  return candidates_.emplace(key, std::move(hits)).first->second;
}

FoldedPara SourceStory::Fold(uint32_t paragraph, const std::vector<std::string>& texts,
                             bool fold) const {
  const Paragraph& p = paragraphs_[paragraph];
  return FoldItems(std::span<const ParaItem>(items_).subspan(p.first_item, p.item_count), texts,
                   fold);
}

}  // namespace vexlo::engine::word
