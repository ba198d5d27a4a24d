// The paragraphs of the story: their run texts (what find and replace may change), the objects
// between them that no title can span, text boxes searched as paragraphs of their own, content
// controls and their data bindings, numbering by style, and automatic note references.
#include "office/engine/word/story_parser.h"

namespace vexlo::engine::word {

// The paragraphs of a text box (DrawingML or VML) within a paragraph of the story: they are
// searched like the story's own, so that a copy's text boxes are filled with the copy. The
// paragraph around it ends its searchable part here and goes on as a new part after it (the
// drawing already stands between the two as an object no key can span).
void StoryParser::TextBoxContent(const pugi::xml_node& n, int depth) {
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
void StoryParser::Container(const pugi::xml_node& n, int depth, F child) {
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

void StoryParser::Block(const pugi::xml_node& n, int depth) {
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

void StoryParser::Inline(const pugi::xml_node& n, int depth) {
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
void StoryParser::StyleNumberedProperties(const pugi::xml_node& n, int depth) {
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
void StoryParser::ContentControl(const pugi::xml_node& n, int depth, bool block) {
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

void StoryParser::Boundary(char32_t c) {
  if (in_para_) s_.items_.push_back({-1, c});
}

void StoryParser::RunChild(const pugi::xml_node& n, int depth) {
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
void StoryParser::NoteReference(const pugi::xml_node& n, int depth) {
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

}  // namespace vexlo::engine::word
