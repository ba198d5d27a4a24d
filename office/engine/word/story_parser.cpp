#include "office/engine/word/story_parser.h"

#include "app/runtime_error.h"
#include "office/engine/package/xml_escape.h"
#include "office/engine/word/seq_fields.h"

namespace vexlo::engine::word {

using app::RuntimeError;

namespace {

constexpr char kWordMl[] = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr char kRelNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr int kMaxDepth = 256;

bool IsPageRelative(std::string_view v) {
  for (std::string_view place : {"page", "margin", "topMargin", "bottomMargin", "insideMargin", "outsideMargin"}) {
    if (v == place) return true;
  }
  return false;
}

}  // namespace

void StoryParser::Run(const pugi::xml_document& doc, const IdFloors& floors) {
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

void StoryParser::Bad(std::string_view what) {
  throw RuntimeError::Format(file_, "已损坏或不是有效的 Word 文档：" + std::string(what));
}

bool StoryParser::Is(const pugi::xml_node& n, std::string_view local) const {
  const std::string_view name = n.name();
  return name.size() == w_.size() + local.size() && name.substr(0, w_.size()) == w_ &&
         name.substr(w_.size()) == local;
}

void StoryParser::FlushMarkup() {
  if (markup_.empty()) return;
  s_.pieces_.push_back({Piece::kMarkup, static_cast<uint32_t>(s_.markup_.size())});
  s_.markup_.push_back(std::move(markup_));
  markup_.clear();
}

void StoryParser::AddSlot(Slot slot) {
  FlushMarkup();
  s_.pieces_.push_back({Piece::kSlot, static_cast<uint32_t>(s_.slots_.size())});
  s_.slots_.push_back(std::move(slot));
}

// "<name attrs" (the caller closes the tag).
void StoryParser::StartTag(const pugi::xml_node& n, bool with_slots) {
  const bool saved = direct_;
  if (!with_slots) direct_ = true;
  *out_ += '<';
  *out_ += n.name();
  for (const pugi::xml_attribute& a : n.attributes()) Attribute(n, a);
  direct_ = saved;
  if (in_body_ && !s_.page_anchored_) NotePageAnchor(n);
}

// Floating tables, frames and shapes whose vertical place is given relative to the page.
void StoryParser::NotePageAnchor(const pugi::xml_node& n) {
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

void StoryParser::Depth(int depth) {
  if (depth > kMaxDepth) Bad("XML 嵌套过深");
}

// Serializes `n` and its subtree verbatim (ids still become slots outside direct mode).
void StoryParser::Opaque(const pugi::xml_node& n, int depth) {
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

// The index of the start tag of run text `n` among the story's distinct ones.
uint16_t StoryParser::TextTag(const pugi::xml_node& n) {
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

}  // namespace vexlo::engine::word
