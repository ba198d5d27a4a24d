#include "office/engine/word/source_story.h"

#include <pugixml.hpp>

#include "app/runtime_error.h"
#include "office/engine/package/xml_escape.h"
#include "office/engine/word/seq_fields.h"
#include "office/engine/word/story_parser.h"
#include "office/engine/word/text_fold.h"
#include "office/engine/word/text_match.h"

namespace vexlo::engine::word {

using app::RuntimeError;

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
