// DocumentModel: the editable state of one open document: the package it belongs to and its
// main story as a list of blocks, each a copy of a SourceStory with its own run texts. Pasting
// appends a block (ids renumbered per copy); replace-all edits run texts, in the whole story or in
// some copies, whose lengths in character positions are kept up to date. A log of changed
// paragraphs lets each search string skip text that cannot have changed since that string was
// last replaced, and a character filter skips edited paragraphs that cannot hold it, so a
// growing merged document is not scanned again and again. A held snapshot keeps the texts of
// the last save while later edits go on (coalesced saves).
// UI thread only; raises app::RuntimeError.
// Convention: raises app::RuntimeError, the program's error record: reached from the servers' entry
// points.
#ifndef VEXLO_OFFICE_ENGINE_WORD_DOCUMENT_MODEL_H_
#define VEXLO_OFFICE_ENGINE_WORD_DOCUMENT_MODEL_H_

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "office/engine/word/source_story.h"
#include "office/engine/word/word_package.h"

namespace vexlo::engine::word {

// What copy puts on the engine's clipboard: a whole story with its package, and the story's own
// run texts.
struct ClipContent {
  std::shared_ptr<const WordPackage> package;
  std::shared_ptr<const SourceStory> story;
  std::vector<std::string> texts;
};

struct FindOptions {
  bool match_case = false;
  bool whole_word = false;
  int max_replacements = -1;  // -1: all
  // The copies searched, [first_block, end_block); by default the whole story.
  size_t first_block = 0;
  size_t end_block = SIZE_MAX;
};

// The copies that lie in a stretch of the story, as block indexes [first, end).
struct BlockSpan {
  size_t first = 0;
  size_t end = 0;
};

// A small set of characters (a Bloom filter over 256 bits): a text whose set lacks one of the
// characters of a key cannot hold the key.
struct CharSet {
  uint64_t bits[4] = {};
  void Add(char32_t c) {
    const uint32_t h = (static_cast<uint32_t>(c) * 2654435761u) >> 24;
    bits[h >> 6] |= uint64_t{1} << (h & 63);
  }
  void Add(const std::u32string& s) {
    for (char32_t c : s) Add(c);
  }
  bool Covers(const CharSet& key) const {
    return (bits[0] & key.bits[0]) == key.bits[0] && (bits[1] & key.bits[1]) == key.bits[1] &&
           (bits[2] & key.bits[2]) == key.bits[2] && (bits[3] & key.bits[3]) == key.bits[3];
  }
};

class DocumentModel {
 public:
  // `blank`: vexlo's blank document; the first paste gives it the pasted package's look.
  DocumentModel(std::shared_ptr<const WordPackage> package, bool blank);

  ClipContent Copy() const;
  // Appends `clip` at the end of the story.
  void Paste(const ClipContent& clip);
  void Clear();
  // Replaces the whole story by `main_xml` (the story rewritten, as a field unlinked): it becomes
  // one copy of its own, as a document loaded from it would be. Ranges of the old story lapse.
  void Rewrite(std::string_view main_xml);
  // Takes `package`, the document's own with other parts than the main one changed (a header
  // filled in). REQUIRES: made from package() by WordPackage::WithStoryPart.
  void SetPackage(std::shared_ptr<const WordPackage> package);
  // Replaces `find` by `with` (inserted literally; line feeds become line breaks) in the main
  // story, or in the copies that `options` names. Returns the number of replacements.
  // `with` == nullptr only counts.
  int Replace(std::string_view find, const std::string* with, const FindOptions& options);
  // The visible text of the copies [first_block, end_block) as the word processor's Range.Text
  // gives it: each paragraph ends in "\r", a tab is "\t", a line break "\v", an object U+FFFC.
  std::string Text(size_t first_block = 0, size_t end_block = SIZE_MAX) const;

  // Character positions as the word processor counts them: each character of run text (in
  // UTF-16 units), tab, break or object is one, each paragraph mark one, each table row's end
  // mark one. Field codes are not counted (the story keeps none as text).
  // The end of the story; an empty story still holds its one empty paragraph.
  int64_t ContentEnd() const { return std::max<int64_t>(length_, 1); }
  // Where a paste goes: the end of the last copy (0 in an empty story).
  int64_t InsertionPoint() const { return length_; }
  // The copies between `start` and `end` (an end past the story counts as its end). Both must
  // lie at the story's start, between two copies or at its end: raises otherwise.
  BlockSpan BlocksBetween(int64_t start, int64_t end) const;
  // Where copy `b` starts (b == block_count(): the end of the last copy).
  int64_t BlockStart(size_t b) const;
  // Counts the times the whole story was replaced (Clear): block indexes of an older
  // generation no longer mean anything.
  uint64_t generation() const { return generation_; }

  std::string MainXml() const;
  // The package to write, as `extension` names it. `converted`: for a format the office writes
  // from it (.doc, .rtf, .odt), where caption numbers of further copies are written as text
  // (see SequencesAsText).
  std::string PackageBytes(std::string_view extension, bool converted = false) const;

  // Keeps the state as it is now for SnapshotBytes while editing goes on.
  void HoldSnapshot();
  void DropSnapshot();
  bool holding_snapshot() const { return snapshot_.active; }
  size_t snapshot_blocks() const { return snapshot_.blocks; }
  std::string SnapshotBytes(std::string_view extension, bool converted = false) const;

  bool blank() const { return blank_; }
  size_t block_count() const { return blocks_.size(); }
  uint64_t change_count() const { return changes_; }
  const WordPackage& package() const { return *package_; }

 private:
  struct Block {
    std::shared_ptr<const SourceStory> source;
    uint32_t copy = 0;
    bool modified = false;
    std::vector<std::string> texts;
    std::vector<uint32_t> visited;  // per paragraph: the last search call that looked at it
    std::vector<bool> edited;       // per paragraph: its texts differ from the source
    std::vector<uint32_t> edited_list;  // the paragraphs marked in `edited`
    int64_t length = 0;                 // in character positions
    // Folded text of edited paragraphs, kept while they are likely to be searched again (the
    // newest copies); older ones are folded again when needed.
    std::unordered_map<uint32_t, FoldedPara> folded;
    // Per paragraph, of edited paragraphs: the characters they may hold, kept for the newest
    // copies like `folded` (empty: not kept).
    std::vector<CharSet> chars;
  };
  struct LogEntry {
    uint32_t block;
    int32_t paragraph;  // -1: every paragraph of the block
  };
  struct Snapshot {
    bool active = false;
    size_t blocks = 0;
    std::shared_ptr<const WordPackage> package;
    std::map<size_t, std::vector<std::string>> texts;  // blocks edited since
  };

  void AppendBlock(std::shared_ptr<const SourceStory> story, std::vector<std::string> texts);
  // The further copies among the first `blocks` blocks, for the parts they refer into.
  std::vector<StoryCopy> Copies(size_t blocks) const;
  int SearchParagraph(uint32_t b, uint32_t p, const std::u32string& key, const std::string* with,
                      const FindOptions& options, int budget);
  // Replace all in one copy: the source paragraphs that hold `key` and the edited ones.
  int SearchBlock(uint32_t b, const std::u32string& key, const CharSet& key_chars,
                  const std::string& with, const FindOptions& options);
  // False when paragraph `p` cannot hold a key with these characters.
  static bool MayHold(const Block& block, uint32_t p, const CharSet& key_chars);
  std::string Xml(size_t blocks, const std::map<size_t, std::vector<std::string>>* stash,
                  const WordPackage& package) const;

  std::shared_ptr<const WordPackage> package_;
  bool blank_;
  std::vector<Block> blocks_;
  uint32_t next_copy_ = 0;
  std::vector<LogEntry> log_;
  std::unordered_map<std::string, size_t> cursors_;  // search key -> log position searched to
  uint32_t call_ = 0;
  uint64_t changes_ = 0;
  uint64_t generation_ = 0;
  int64_t length_ = 0;  // character positions of all copies
  std::shared_ptr<const SourceStory> measured_;  // the story last pasted, and its length
  int64_t measured_length_ = 0;
  Snapshot snapshot_;
  mutable size_t last_xml_size_ = 0;
};

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_DOCUMENT_MODEL_H_
