#include "office/engine/soffice/kept_document.h"

#include <algorithm>
#include <optional>

#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/document/XUndoManager.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextTable.hpp>

#include "office/engine/soffice/edit_macro.h"
#include "office/engine/soffice/office_limits.h"
#include "office/engine/soffice/uno_calls.h"

namespace vexlo::engine {

namespace css = com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

// The body's paragraphs in document order, table cells row by row.
void CollectParagraphs(const Reference<css::text::XText>& text,
                       std::vector<Reference<css::text::XTextRange>>& out) {
  Reference<css::container::XEnumerationAccess> access(text, UNO_QUERY_THROW);
  Reference<css::container::XEnumeration> items = access->createEnumeration();
  while (items->hasMoreElements()) {
    Reference<css::lang::XServiceInfo> info(items->nextElement(), UNO_QUERY);
    if (!info.is()) continue;
    if (info->supportsService(U("com.sun.star.text.Paragraph"))) {
      out.emplace_back(info, UNO_QUERY_THROW);
    } else if (info->supportsService(U("com.sun.star.text.TextTable"))) {
      Reference<css::text::XTextTable> table(info, UNO_QUERY_THROW);
      for (const rtl::OUString& name : table->getCellNames()) {
        CollectParagraphs(Reference<css::text::XText>(table->getCellByName(name), UNO_QUERY_THROW), out);
      }
    }
  }
}

}  // namespace

std::vector<Reference<css::text::XTextRange>> BodyParagraphs(const Reference<css::lang::XComponent>& doc) {
  std::vector<Reference<css::text::XTextRange>> out;
  Reference<css::text::XTextDocument> text_doc(doc, UNO_QUERY_THROW);
  CollectParagraphs(text_doc->getText(), out);
  return out;
}

namespace {

std::u16string Text16(const Reference<css::text::XTextRange>& range) {
  const rtl::OUString s = range->getString();
  return std::u16string(reinterpret_cast<const char16_t*>(s.getStr()), static_cast<std::size_t>(s.getLength()));
}

}  // namespace

std::vector<std::u16string> ParagraphTexts(const std::vector<Reference<css::text::XTextRange>>& paragraphs) {
  std::vector<std::u16string> texts;
  for (const auto& p : paragraphs) texts.push_back(Text16(p));
  return texts;
}

namespace {

// Edits to a kept document are not recorded for undo: over many records they would pile up.
void LockUndo(const Reference<css::lang::XComponent>& doc) {
  Reference<css::document::XUndoManagerSupplier> undo(doc, UNO_QUERY);
  if (undo.is()) undo->getUndoManager()->lock();
}

void Move(const Reference<css::text::XTextCursor>& cursor, std::size_t count, bool expand) {
  while (count > 0) {
    const auto step = static_cast<sal_Int16>(std::min(count, kCursorStepMax));
    cursor->goRight(step, expand);
    count -= static_cast<std::size_t>(step);
  }
}

}  // namespace

bool SetTexts(const Reference<css::script::provider::XScript>& macro,
              const std::vector<Reference<css::text::XTextRange>>& paragraphs,
              const std::vector<ParagraphEdits>& changes, const std::vector<std::u16string>& to) {
  if (paragraphs.size() != to.size()) return false;
  if (changes.empty()) return true;
  if (macro.is()) {
    std::vector<std::u16string> texts;
    try {
      texts = ApplyEdits(macro, paragraphs, changes);
    } catch (const css::lang::DisposedException&) {
      throw;  // the office is gone
    } catch (const css::uno::Exception&) {
      return false;  // the document is loaded afresh instead
    }
    if (texts.size() != changes.size()) return false;
    for (std::size_t k = 0; k < changes.size(); ++k) {
      if (texts[k] != to[changes[k].paragraph]) return false;
    }
    return true;
  }
  for (const ParagraphEdits& change : changes) {
    const Reference<css::text::XTextRange>& p = paragraphs[change.paragraph];
    for (const TextEdit& edit : change.edits) {
      Reference<css::text::XTextCursor> cursor = p->getText()->createTextCursorByRange(p->getStart());
      Move(cursor, edit.position, false);
      Move(cursor, edit.length, true);
      cursor->setString(rtl::OUString(reinterpret_cast<const sal_Unicode*>(edit.text.data()),
                                      static_cast<sal_Int32>(edit.text.size())));
    }
    if (Text16(p) != to[change.paragraph]) return false;
  }
  return true;
}

KeptDocument::Component KeptDocument::Serve(const Script& macro, const DocxTexts& texts) {
  if (!doc_.is() || texts_.frame != texts.frame) return nullptr;
  // A record whose edits cannot each stay in their run is loaded (and kept) instead.
  const std::optional<std::vector<ParagraphEdits>> edits = RecordEdits(texts_, texts);
  if (!edits) return nullptr;
  Reference<css::frame::XModel> model(doc_, UNO_QUERY);
  // No view updates while the texts change, one layout afterwards.
  if (model.is()) model->lockControllers();
  const bool set_ok = SetTexts(macro, paragraphs_, *edits, texts.paragraphs);
  if (model.is()) model->unlockControllers();
  if (!set_ok) {
    unfit_frames_.insert(texts.frame);
    Close();
    return nullptr;
  }
  texts_ = texts;
  return doc_;
}

void KeptDocument::Adopt(const Component& doc, const DocxTexts& texts) {
  std::vector<Reference<css::text::XTextRange>> paragraphs = BodyParagraphs(doc);
  if (ParagraphTexts(paragraphs) != texts.paragraphs) {
    unfit_frames_.insert(texts.frame);
    return;
  }
  LockUndo(doc);
  CloseDocument(doc_);
  doc_ = doc;
  paragraphs_ = std::move(paragraphs);
  texts_ = texts;
}

void KeptDocument::Close() {
  CloseDocument(doc_);
  Forget();
}

void KeptDocument::Forget() {
  doc_.clear();
  paragraphs_.clear();
}

}  // namespace vexlo::engine
