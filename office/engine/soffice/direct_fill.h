// .doc templates filled in the office itself. A .doc template is normally filled through the .docx
// the office converts it to; where the office's files of that .docx were proven to differ from its
// own files of the template (word/detour_proof.h), its records are made instead by loading the
// original .doc and writing each record's texts into it: what differs between the converted
// template .docx and the record's .docx (text_delta.h). A record that cannot be made that way
// (a change that does not stay within its run, a template whose paragraphs the office reads
// otherwise) fails with a plain reason rather than going out different from the template. A
// document holding several records one after another (one file for all) is made from as many
// copies of the original, joined in the office.
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_DIRECT_FILL_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_DIRECT_FILL_H_

#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "office/engine/soffice/text_delta.h"

namespace vexlo::engine {

struct DirectTemplate {
  std::string doc;    // the original .doc (a private copy that stays while the pool runs)
  DocxTexts texts;    // the texts of its converted .docx, which the records were made from
};

// The templates filled directly, by the frame of their records (DocxTexts::frame). Thread-safe.
class DirectTemplates {
 public:
  // Registers the .doc `doc` whose records are packages made from the .docx `texts` were read
  // from; false when those texts cannot serve (not readable as a plain package).
  bool Add(const std::string& doc, const DocxTexts& texts);
  std::optional<DirectTemplate> Find(std::size_t frame) const;
  std::vector<DirectTemplate> All() const;
  bool empty() const;

 private:
  mutable std::mutex mutex_;
  std::map<std::size_t, DirectTemplate> templates_;
};

// How a document is made in the original: `copies` copies of `doc` one after another, whose
// paragraphs read `from` (the template's texts, repeated), changed by `edits` into the record's.
struct DirectPlan {
  std::string doc;
  std::size_t copies = 1;
  std::vector<std::u16string> from;
  std::vector<ParagraphEdits> edits;
};

// The plan for the package with `texts`: nullopt with `why` empty when it is no record of a
// template filled directly (it goes the usual way); nullopt with `why` set (Chinese) when it is
// one but cannot be made in the original: its template's frame, or its properties (a document
// made from the template whose headers or footers changed too). Pure but for the lock.
std::optional<DirectPlan> PlanDirect(const DirectTemplates& templates, const DocxTexts& texts, std::string& why);

// `texts` repeated `copies` times, as one document holding that many copies reads. Pure.
DocxTexts Repeated(const DocxTexts& texts, std::size_t copies);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_DIRECT_FILL_H_
