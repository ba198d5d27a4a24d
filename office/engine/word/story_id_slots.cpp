// Which attributes of the story are ids that every further copy renumbers (drawings, shapes,
// notes and comments, list instances, bookmarks and revisions, content controls), which it
// restarts (the first SEQ field of an identifier), and which it leaves out (optional unique ids).
#include "office/engine/package/xml_escape.h"
#include "office/engine/word/story_parser.h"

namespace vexlo::engine::word {
namespace {

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

}  // namespace

// Writes an attribute, as a slot when it is an id that copies renumber.
void StoryParser::Attribute(const pugi::xml_node& n, const pugi::xml_attribute& a) {
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

}  // namespace vexlo::engine::word
