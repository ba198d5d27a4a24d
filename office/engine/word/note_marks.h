// Note marks of further copies: Word and LibreOffice number footnotes and endnotes through the
// whole document, so a copy's notes would go on counting where the record's own document starts
// again. A further copy therefore writes each automatic mark as the text the record's own
// document shows (a custom mark), in the document's note number format.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_WORD_NOTE_MARKS_H_
#define VEXLO_OFFICE_ENGINE_WORD_NOTE_MARKS_H_

#include <pugixml.hpp>

#include <cstdint>
#include <string>
#include <string_view>

namespace vexlo::engine::word {

// How one kind of note is numbered.
struct NoteNumbering {
  std::string format;
  int64_t start = 1;
  bool per_page = false;  // restarts on each page: the marks depend on the layout
};

struct NoteFormats {
  NoteNumbering footnote{"decimal"};
  NoteNumbering endnote{"lowerRoman"};
};

// Applies the w:footnotePr and w:endnotePr children of `parent` (the settings or a section's
// properties, in WordprocessingML prefix `w`) to `formats`.
void ApplyNoteProperties(const pugi::xml_node& parent, const std::string& w, NoteFormats& formats);
// The same from the settings part's XML (formats stay as they are when it cannot be read).
void ApplySettingsNoteProperties(std::string_view settings_xml, NoteFormats& formats);

// The mark of the `ordinal`-th (1-based) automatic note, or "" when its numbering cannot be
// written as text (a format not handled here, or marks that restart on each page).
std::string NoteLabel(const NoteNumbering& numbering, int64_t ordinal);

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_NOTE_MARKS_H_
