// What tells two .docx files apart when only their texts differ: a document made from a template
// by replacing texts keeps every part but the main one byte for byte, and the main one up to the
// texts of its runs. The office pool uses this to change the texts of a document it keeps loaded
// instead of loading each record afresh. ReadDocxTexts reads the package from disk; the others
// are pure functions. Any thread.
// Convention: DocxTexts::ok is false when the package cannot be read (the texts are then not used).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_TEXT_DELTA_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_TEXT_DELTA_H_

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vexlo::engine {

struct DocxTexts {
  bool ok = false;      // false: not a package this applies to (unreadable, text boxes, ...)
  std::size_t frame = 0;  // the hash of everything but the body's texts and the properties
  std::size_t properties = 0;  // the hash of the document's properties (docProps/)
  // The body's paragraphs in document order (table cells row by row), as UTF-16: the office's
  // text API counts positions in UTF-16 units. Tabs are "\t", line breaks "\n".
  std::vector<std::u16string> paragraphs;
  // Where each paragraph's run texts (w:t) lie in its text, in order: the places a record's
  // values go. Tabs and breaks lie between them.
  struct Span {
    std::size_t begin = 0, end = 0;
  };
  std::vector<std::vector<Span>> spans;
  // What follows each paragraph in the text of a binary Word file: "\r", "\f" where it ends a
  // section, "\a" after the last paragraph of a table cell, "\a\a" when that cell also ends its
  // row.
  std::vector<std::u16string> marks;
  bool nested_tables = false;  // a table inside a table cell (marked otherwise in a .doc)
};

// Reads the package at `path` (ok false when it cannot be read).
DocxTexts ReadDocxTexts(const std::string& path);

// One change: replace `length` units at `position` of the old text with `text`.
struct TextEdit {
  std::size_t position = 0;
  std::size_t length = 0;
  std::u16string text;
};

// The edits that turn `from` into `to`, last position first (so that they apply one after the
// other without moving the positions of those still to come). Unchanged stretches stay untouched,
// so their formatting does. No edit starts or ends inside a surrogate pair.
std::vector<TextEdit> DiffText(const std::u16string& from, const std::u16string& to);

// How many characters (code points) the units [begin, end) of `text` hold: the office's cursor
// moves by characters, a surrogate pair being one.
std::size_t CursorSteps(const std::u16string& text, std::size_t begin, std::size_t end);

// One paragraph's edits, to be made in order, their positions and lengths counted in cursor steps
// (CursorSteps) of the paragraph's text as the edits before them left it.
struct ParagraphEdits {
  std::size_t paragraph = 0;
  std::vector<TextEdit> edits;
};

// The edits that turn a document holding the texts `from` into one holding `to` (a record of the
// same template): every change stays inside its own run, and new text goes in between two
// characters of that run wherever the run keeps any, so that it takes that run's formatting (the
// office gives inserted text the formatting of the character before it, and a link's or a
// control's text does not grow at its ends). Nothing when that cannot be done: a run that is
// empty in either (the office drops an empty run, and its formatting with it), runs or the text
// between them that do not pair up. With `emptied_runs`, a run that `to` empties has its text
// deleted (where the document edited is not one loaded from `from`, so that no run goes with it).
std::optional<std::vector<ParagraphEdits>> RecordEdits(const DocxTexts& from, const DocxTexts& to,
                                                       bool emptied_runs = false);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_TEXT_DELTA_H_
