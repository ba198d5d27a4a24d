// Footnotes of joined records. Each record's notes are copied into the joined notes part under
// ids of their own, which its references then name. The office numbers notes on through the
// whole document and keeps no restart per section, so every note of a record after the first
// is given the number it has in its own document as its label, set once the joined document is
// loaded (see PrepareJoinedNotes). Only plain numbering is taken: decimal from 1, on through the
// document (the office takes a restart on each page from the settings no more than a restart per
// section).
// Part of page_batch; pure, any thread. Convention: returns Status (status.h).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_NOTES_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_NOTES_H_

#include <pugixml.hpp>

#include <cstddef>
#include <string>
#include <vector>

#include "office/engine/package/status.h"
#include "office/engine/soffice/page_batch_frames.h"

namespace vexlo::engine {

class RecordNotes {
 public:
  static constexpr const char* kPart = "word/footnotes.xml";

  // The pattern's package and its parsed main text `doc`.
  RecordNotes(const Package& pattern, const pugi::xml_document& doc);

  // Ok, or (refused) why the pattern's notes would be numbered or laid out differently inside a
  // joined document.
  const Status& status() const { return status_; }

  // Takes in member `k`'s notes: those its main text `body` refers to are copied under new ids
  // and its references renamed. False (nothing changed) when a reference names no note.
  bool Add(const Package& p, pugi::xml_node body);

  bool active() const { return !none_; }  // the records hold footnotes
  bool changed() const { return changed_; }
  std::string Xml() const;

  // The label of each footnote of the joined document, in the order of the text; "" leaves the
  // office's own number. Empty when the records hold no notes.
  const std::vector<std::string>& labels() const { return labels_; }

 private:
  Status status_ = Status::Ok();
  bool none_ = true;       // the pattern refers to no note
  pugi::xml_document notes_;
  int next_id_ = 0;
  bool changed_ = false;
  std::vector<std::string> labels_;
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_NOTES_H_
