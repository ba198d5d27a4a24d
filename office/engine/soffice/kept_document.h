// The document an office keeps loaded: the next record of the same template is made by writing
// its texts (text_delta.h) into it instead of loading the record's own file. Edits are checked:
// a document whose paragraphs do not read as expected afterwards is closed, and its template is
// loaded record by record from then on. Worker thread of its office only.
// Convention: raises the office's UNO exceptions; the pool's worker turns them into a Result
// (status.h).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_KEPT_DOCUMENT_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_KEPT_DOCUMENT_H_

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/script/provider/XScript.hpp>
#include <com/sun/star/text/XTextRange.hpp>

#include "office/engine/soffice/text_delta.h"

namespace vexlo::engine {

// The body's paragraphs of `doc` in document order, table cells row by row, and their texts.
std::vector<com::sun::star::uno::Reference<com::sun::star::text::XTextRange>> BodyParagraphs(
    const com::sun::star::uno::Reference<com::sun::star::lang::XComponent>& doc);
std::vector<std::u16string> ParagraphTexts(
    const std::vector<com::sun::star::uno::Reference<com::sun::star::text::XTextRange>>& paragraphs);

// Makes `changes` (RecordEdits) to `paragraphs` and checks that they then hold `to`. False when
// they do not read as expected afterwards. With `macro` every change is made inside the office in
// one call. Raises DisposedException when the office is gone.
bool SetTexts(const com::sun::star::uno::Reference<com::sun::star::script::provider::XScript>& macro,
              const std::vector<com::sun::star::uno::Reference<com::sun::star::text::XTextRange>>& paragraphs,
              const std::vector<ParagraphEdits>& changes, const std::vector<std::u16string>& to);

class KeptDocument {
 public:
  using Component = com::sun::star::uno::Reference<com::sun::star::lang::XComponent>;
  using Script = com::sun::star::uno::Reference<com::sun::star::script::provider::XScript>;

  // Whether a package with `texts` may be served from a kept document (its template has not
  // failed before).
  bool Fits(const DocxTexts& texts) const { return texts.ok && !unfit_frames_.contains(texts.frame); }

  // The kept document, changed to hold `texts` (through `macro` when there is one), when it is
  // of the same template and each change can stay within its run (RecordEdits); null otherwise. A kept document that did not take the texts is closed.
  // Raises the office's exception when the office is gone.
  Component Serve(const Script& macro, const DocxTexts& texts);

  // Keeps `doc`, just loaded from a package with `texts`, in place of the one kept before, when
  // its paragraphs read as those texts.
  void Adopt(const Component& doc, const DocxTexts& texts);

  bool Holds(const Component& doc) const { return doc_.is() && doc == doc_; }
  bool empty() const { return !doc_.is(); }
  // Closes the kept document (it may be half changed); the office goes on.
  void Close();
  // Forgets the kept document without a word to the office (which is gone).
  void Forget();

 private:
  Component doc_;
  std::vector<com::sun::star::uno::Reference<com::sun::star::text::XTextRange>> paragraphs_;
  DocxTexts texts_;
  std::set<std::size_t> unfit_frames_;  // templates whose texts the office reads otherwise
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_KEPT_DOCUMENT_H_
