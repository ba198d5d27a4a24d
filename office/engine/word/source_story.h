// SourceStory: the main story of a document part (word/document.xml), parsed once and then
// shared read-only by every copy pasted from it. The part is cut into verbatim markup, the texts
// of the runs (the only thing find and replace may change) and id slots (drawing ids, bookmark
// ids and names, revision ids) that must be renumbered in each further copy so that ids stay
// unique in one package (list instances, note and comment references included: their entries in
// the other parts are cloned for each copy by the package). Paragraphs list their texts and the
// objects (tabs, breaks, drawings) that sit between them; the paragraphs of a text box count as
// paragraphs of the story (the one around it goes on after it). A document may hold several bodies;
// their contents follow one another in the story. Parse raises app::RuntimeError::Format naming
// the file.
// Convention: raises app::RuntimeError, the program's error record: reached from the servers' entry
// points.
#ifndef VEXLO_OFFICE_ENGINE_WORD_SOURCE_STORY_H_
#define VEXLO_OFFICE_ENGINE_WORD_SOURCE_STORY_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <set>
#include <unordered_map>
#include <vector>

#include "office/engine/word/note_marks.h"

namespace vexlo::engine::word {

enum class SlotKind : uint8_t {
  kDrawingId,      // wp:docPr/@id, pic:cNvPr/@id ...: unique across the package
  kMarkId,         // bookmark, revision and permission ids
  kSdtId,          // content control ids
  kBookmarkName,   // bookmark names
  kDropInCopies,   // optional unique ids (w14:paraId ...): kept in the first copy only
  kNumId,          // list instance of a paragraph
  kFootnoteId,     // footnote, endnote and comment references
  kEndnoteId,
  kCommentId,
  kShapeId,        // VML shape ids "_x0000_s1026": `text` is the part before the number
  kDropWhenEdited, // a content control's data binding or placeholder flag: `text` is the whole
                   // element, left out once a text inside control `number` was replaced
  kStyleNumPr,     // a paragraph numbered by its style: further copies name the list instance
                   // (`number`, at level `text`) themselves, so that they can have their own
  kNoteCustom,     // in an automatic note reference (`number`: its id; `text`: "e" for an
                   // endnote): further copies mark it as followed by its own mark...
  kNoteText,       // ...which comes right after it (see note_marks.h)
  kSeqRestart,     // the end of the instruction of a story's first SEQ field of an identifier:
                   // further copies restart the count there
};

struct Slot {
  SlotKind kind;
  int64_t number = 0;
  std::string text;  // kBookmarkName: the name; kDropInCopies: the whole ` name="value"`
};

// The highest ids that other parts of the package use, so that ids given to copies stay clear
// of them.
struct IdFloors {
  int64_t drawing = 0;   // drawing ids in every part
  int64_t shape = 0;     // VML shape numbers in every part
  int64_t num = 0;       // w:num/@w:numId in the numbering part
  int64_t footnote = 0;  // note and comment ids in their parts
  int64_t endnote = 0;
  int64_t comment = 0;
};

// Paragraph styles that number their paragraphs: style id -> list instance and level.
using StyleNumbering = std::map<std::string, std::pair<int64_t, int>, std::less<>>;

// How far each kind of id moves per copy: copy k uses id + k * stride.
struct IdStrides {
  int64_t drawing = 1, mark = 1, shape = 1, num = 1, footnote = 1, endnote = 1, comment = 1;
};

struct Piece {
  enum Kind : uint8_t { kMarkup, kText, kSlot };
  Kind kind;
  uint32_t index;  // into markup, texts or slots
};

// One element of a paragraph's visible content: a run text, or an object that counts as one
// character that no title can span (tab, break, drawing ...).
struct ParaItem {
  int32_t text;       // index into texts, or -1
  char32_t boundary;  // when text < 0
};

struct Paragraph {
  uint32_t first_item = 0;
  uint32_t item_count = 0;
};

// A paragraph's visible text, folded for searching, with each character's place in the texts.
struct FoldedPara {
  std::u32string chars;
  std::vector<int32_t> text;   // text index per character, -1 for an object
  std::vector<uint32_t> off;   // byte offset in that text
};

class SourceStory {
 public:
  // `floors`: the ids other parts of the package use; `styles`: the numbered paragraph styles.
  // `notes`: the note numbering of the settings (the final section's own overrides it).
  static std::shared_ptr<const SourceStory> Parse(std::string_view xml, const std::string& file,
                                                  const IdFloors& floors,
                                                  const StyleNumbering* styles = nullptr,
                                                  const NoteFormats& notes = {});

  // The body content (without the final section properties) of copy number `copy` (0 = as in
  // the source) with the run texts `texts`.
  void AppendBody(std::string& out, const std::vector<std::string>& texts, uint32_t copy) const;
  FoldedPara Fold(uint32_t paragraph, const std::vector<std::string>& texts,
                  bool fold = true) const;

  const std::string& prefix() const { return prefix_; }          // up to and with <w:body>
  const std::string& final_sectpr() const { return final_sectpr_; }
  const std::string& suffix() const { return suffix_; }          // from </w:body>
  const std::string& empty_paragraph() const { return empty_para_; }
  const std::vector<std::string>& texts() const { return texts_; }
  const std::vector<Paragraph>& paragraphs() const { return paragraphs_; }
  const std::vector<ParaItem>& items() const { return items_; }
  const FoldedPara& folded(uint32_t paragraph) const { return folded_[paragraph]; }
  // The paragraphs whose source text contains the folded `key` (remembered per key: each
  // pasted copy is searched for the same titles again and again).
  const std::vector<uint32_t>& Candidates(const std::u32string& key) const;
  // True when the body refers to relationships (images, links) of its package.
  bool uses_relationships() const { return uses_relationships_; }
  const IdStrides& strides() const { return strides_; }
  // The list instances, notes and comments the story refers to.
  const std::set<int64_t>& num_ids() const { return num_ids_; }
  const std::set<int64_t>& footnote_ids() const { return footnote_ids_; }
  const std::set<int64_t>& endnote_ids() const { return endnote_ids_; }
  const std::set<int64_t>& comment_ids() const { return comment_ids_; }
  // The mark that the automatic footnote (endnote) `id` shows in the story's own document, or ""
  // when the story does not write it as text (see note_marks.h).
  std::string NoteLabel(bool endnote, int64_t id) const;
  // True when the story holds floating objects placed relative to the page (they land on the
  // same spot in every copy) and does not end with a page or section break.
  bool page_anchored_without_break() const { return page_anchored_ && !ends_with_break_; }
  // Table rows in the body: each ends in a row mark that counts as one character position.
  uint32_t table_rows() const { return table_rows_; }

 private:
  friend class StoryParser;
  void AppendText(std::string& out, const std::string& text, uint32_t index) const;

  std::string prefix_, final_sectpr_, suffix_;
  std::vector<std::string> markup_;
  std::vector<std::string> texts_;
  // Per text, its start tag as the source wrote it (an index into text_tags_): a text left as it
  // was keeps it, so that readers drop or keep its edge spaces as they did in the template.
  std::vector<uint16_t> text_tag_;
  std::vector<std::string> text_tags_;
  std::vector<Slot> slots_;
  std::vector<Piece> pieces_;
  std::vector<ParaItem> items_;
  std::vector<Paragraph> paragraphs_;
  std::vector<FoldedPara> folded_;
  IdStrides strides_;
  std::set<int64_t> num_ids_, footnote_ids_, endnote_ids_, comment_ids_;
  NoteFormats notes_;
  std::map<int64_t, int64_t> footnote_ordinal_, endnote_ordinal_;  // id -> place among the automatic
  // Per content control with a data binding: the range of texts it holds.
  std::vector<std::pair<uint32_t, uint32_t>> bound_texts_;
  bool uses_relationships_ = false;
  bool page_anchored_ = false;
  bool ends_with_break_ = false;
  uint32_t table_rows_ = 0;
  mutable std::unordered_map<std::u32string, std::vector<uint32_t>> candidates_;
  // Run text markup in the part's own prefix for the WordprocessingML namespace.
  std::string t_open_, t_close_, br_, tab_, empty_para_, w_;
};

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_SOURCE_STORY_H_
