// CopyParts: the parts of a package whose entries the main story refers to by id: the list
// definitions (numbering), footnotes, endnotes and comments. When a document holds several copies
// of a story, each further copy refers to ids of its own (SourceStory renumbers them), and these
// parts must hold a matching entry for each: a list instance of the copy's own, so that its
// numbering starts as in the template, and a clone of every note and comment. Read once per
// package; Build gives the rewritten parts. Read-only after Read; any thread.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_WORD_COPY_PARTS_H_
#define VEXLO_OFFICE_ENGINE_WORD_COPY_PARTS_H_

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "office/engine/word/source_story.h"

namespace vexlo::engine::word {

// A further copy of a story in the document: the story and its copy number (1 or more).
struct StoryCopy {
  const SourceStory* story;
  uint32_t copy;
};

class CopyParts {
 public:
  enum Kind { kNumbering, kFootnotes, kEndnotes, kComments, kKinds };

  // Takes the part of each kind (name and inflated XML; an empty name: the package has none).
  // A part that cannot be parsed is left as it is (copies then refer to ids it lacks, as the
  // template itself would).
  void Read(Kind kind, const std::string& name, std::string_view xml);

  // False when level `level` of list instance `num` shows no label (a "none" format without
  // text of its own, as LibreOffice gives heading styles): a paragraph numbered that way through
  // its style carries no numbering worth restarting.
  bool ShowsLabel(int64_t num, int level) const;

  // Raises the note, comment and list floors to the ids these parts use.
  void AddFloors(IdFloors& floors) const;

  struct Changed {
    Kind kind;
    std::string name;
    std::string xml;
  };
  // The parts that change for `copies`.
  std::vector<Changed> Build(const std::vector<StoryCopy>& copies) const;

 private:
  // Markup with numbers that depend on the copy: literal text and numbered slots in turn.
  struct Pattern {
    enum SlotKind : uint8_t { kOwnId, kDrawing, kNsid, kAbstract, kNoteMark };
    std::vector<std::string> literals;  // one more than slots
    std::vector<std::pair<SlotKind, int64_t>> slots;
  };
  struct AbstractNum {
    Pattern markup;
    bool cloned = true;                // false: linked to a numbering style; shared by copies
    std::map<int, std::string> starts; // level -> start value (shared ones)
    std::map<int, bool> labelled;      // level -> shows a label
  };
  struct Num {
    int64_t abstract_id = 0;
    std::string overrides;             // the instance's own w:lvlOverride elements
    std::map<int, bool> overridden;    // levels with an override
    bool redefines = false;            // an override brings a level definition of its own
  };
  struct Part {
    std::string name;
    std::string head, middle, tail;    // numbering: before, between and after the insert points
    std::map<int64_t, Pattern> entries;  // notes and comments by id
    std::string note_mark;             // notes: the automatic mark element, as the part writes it
    std::string w;                     // the part's prefix for WordprocessingML
  };

  void ReadNumbering(Part& part, std::string_view xml);
  void ReadEntries(Kind kind, Part& part, std::string_view xml);
  // `mark`: the note's mark as text in this copy ("": the part's automatic mark stays).
  static void Render(std::string& out, const Pattern& p, int64_t own_stride,
                     int64_t drawing_stride, int64_t abstract_stride, uint32_t copy,
                     std::string_view mark = {}, std::string_view mark_element = {},
                     std::string_view w = {});

  Part parts_[kKinds];
  std::string w_ = "w:";               // the numbering part's prefix for WordprocessingML
  std::map<int64_t, AbstractNum> abstracts_;
  std::map<int64_t, Num> nums_;
  int64_t max_abstract_ = 0;
  int64_t max_num_ = 0;
  int64_t max_id_[kKinds] = {};
};

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_COPY_PARTS_H_
