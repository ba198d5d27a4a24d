// DocumentModel: the editable state of one open document: the package it belongs to and its
// main story as a list of blocks, each a copy of a SourceStory with its own run texts. Pasting
// appends a block (ids renumbered per copy); replace-all edits run texts. A log of changed
// paragraphs lets each search string skip text that cannot have changed since that string was
// last replaced, so a growing merged document is not scanned again and again. A held snapshot
// keeps the texts of the last save while later edits go on (coalesced saves).
// UI thread only; raises app::RuntimeError.
#ifndef VEXLO_OFFICE_ENGINE_WORD_DOCUMENT_MODEL_H_
#define VEXLO_OFFICE_ENGINE_WORD_DOCUMENT_MODEL_H_

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

// What copy puts on the engine's clipboard: a whole story with its package.
struct ClipContent {
  std::shared_ptr<const WordPackage> package;
  std::shared_ptr<const SourceStory> story;
  std::vector<std::string> texts;
};

struct FindOptions {
  bool match_case = false;
  bool whole_word = false;
  int max_replacements = -1;  // -1: all
};

class DocumentModel {
 public:
  // `blank`: vexlo's blank document; the first paste gives it the pasted package's look.
  DocumentModel(std::shared_ptr<const WordPackage> package, bool blank);

  ClipContent Copy() const;
  // Appends `clip` at the end of the story.
  void Paste(const ClipContent& clip);
  void Clear();
  // Replaces `find` by `with` (inserted literally; line feeds become line breaks) in the main
  // story. Returns the number of replacements. `with` == nullptr only counts.
  int Replace(std::string_view find, const std::string* with, const FindOptions& options);

  std::string MainXml() const;
  std::string PackageBytes(std::string_view extension) const;

  // Keeps the state as it is now for SnapshotBytes while editing goes on.
  void HoldSnapshot();
  void DropSnapshot();
  bool holding_snapshot() const { return snapshot_.active; }
  size_t snapshot_blocks() const { return snapshot_.blocks; }
  std::string SnapshotBytes(std::string_view extension) const;

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
    // Folded text of edited paragraphs, kept while they are likely to be searched again (the
    // newest copies); older ones are folded again when needed.
    std::unordered_map<uint32_t, FoldedPara> folded;
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
  Snapshot snapshot_;
  mutable size_t last_xml_size_ = 0;
};

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_DOCUMENT_MODEL_H_
