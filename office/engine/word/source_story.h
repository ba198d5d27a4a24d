// SourceStory: the main story of a document part (word/document.xml), parsed once and then
// shared read-only by every copy pasted from it. The part is cut into verbatim markup, the texts
// of the runs (the only thing find and replace may change) and id slots (drawing ids, bookmark
// ids and names, revision ids) that must be renumbered in each further copy so that ids stay
// unique in one package. Paragraphs list their texts and the objects (tabs, breaks, drawings)
// that sit between them. Parse raises app::RuntimeError::Format naming the file.
#ifndef VEXLO_OFFICE_ENGINE_WORD_SOURCE_STORY_H_
#define VEXLO_OFFICE_ENGINE_WORD_SOURCE_STORY_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vexlo::engine::word {

enum class SlotKind : uint8_t {
  kDrawingId,      // wp:docPr/@id: unique across the package
  kMarkId,         // bookmark and revision ids
  kSdtId,          // content control ids
  kBookmarkName,   // bookmark names
  kDropInCopies,   // optional unique ids (w14:paraId ...): kept in the first copy only
};

struct Slot {
  SlotKind kind;
  int64_t number = 0;
  std::string text;  // kBookmarkName: the name; kDropInCopies: the whole ` name="value"`
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
  // `drawing_floor`: the highest drawing id used by other parts of the package (headers ...).
  static std::shared_ptr<const SourceStory> Parse(std::string_view xml, const std::string& file,
                                                  int64_t drawing_floor);

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
  // Table rows in the body: each ends in a row mark that counts as one character position.
  uint32_t table_rows() const { return table_rows_; }

 private:
  friend class StoryParser;
  void AppendText(std::string& out, const std::string& text) const;

  std::string prefix_, final_sectpr_, suffix_;
  std::vector<std::string> markup_;
  std::vector<std::string> texts_;
  std::vector<Slot> slots_;
  std::vector<Piece> pieces_;
  std::vector<ParaItem> items_;
  std::vector<Paragraph> paragraphs_;
  std::vector<FoldedPara> folded_;
  int64_t drawing_stride_ = 1;
  int64_t mark_stride_ = 1;
  bool uses_relationships_ = false;
  uint32_t table_rows_ = 0;
  mutable std::unordered_map<std::u32string, std::vector<uint32_t>> candidates_;
  // Run text markup in the part's own prefix for the WordprocessingML namespace.
  std::string t_open_, t_close_, br_, tab_, empty_para_;
};

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_SOURCE_STORY_H_
