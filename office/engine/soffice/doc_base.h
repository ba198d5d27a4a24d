// DocBase: the .doc of every record of a template, written from one the office made.
//
// The office's .doc of one record (the base) differs from that of another record of the same
// template only where the records' texts differ: the text itself, and the positions that come
// after it (character runs, paragraphs, sections, bookmarks, counts). Given the texts of both
// records' packages (text_delta.h), a record's .doc is written by putting its run texts in place
// of the base's and moving those positions, with the result the office itself gives for that
// record, without loading it.
//
// Only what is known to come out that way is done: a base whose structures are all known, whose
// text reads exactly as its package's paragraphs, and records whose run texts are plain text. Any
// other case is refused, and the record is made by the office. Immutable; any thread.
// Convention: returns Result (status.h).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_DOC_BASE_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_DOC_BASE_H_

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "office/engine/package/status.h"
#include "office/engine/soffice/text_delta.h"

namespace vexlo::engine {

class CompoundFile;

class DocBase {
 public:
  // `bytes`: the .doc the office made of the package whose texts are `texts`. Refused (the
  // reason for tests and logs) when records cannot be written from it.
  static Result<std::shared_ptr<const DocBase>> Make(std::string bytes, const DocxTexts& texts);
  ~DocBase();

  // The .doc of the record whose package has `texts` (the same frame as the base's); refused when
  // it cannot be written this way (the office makes it then).
  Result<std::string> Write(const DocxTexts& texts) const;

  struct Layout;

 private:
  DocBase() = default;
  std::string bytes_;
  std::unique_ptr<CompoundFile> file_;
  std::unique_ptr<Layout> layout_;
  DocxTexts texts_;
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_DOC_BASE_H_
