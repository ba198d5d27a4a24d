#include "office/engine/soffice/joined_notes.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/XBookmarksSupplier.hpp>
#include <com/sun/star/text/XFootnote.hpp>
#include <com/sun/star/text/XFootnotesSupplier.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextRange.hpp>

#include "office/engine/soffice/uno_calls.h"

namespace vexlo::engine {

namespace css = com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

namespace {

// The page style properties that draw the line above the notes.
constexpr const char* kLineProperties[] = {"FootnoteLineWeight",      "FootnoteLineColor",
                                           "FootnoteLineRelativeWidth", "FootnoteLineAdjust",
                                           "FootnoteLineTextDistance", "FootnoteLineDistance",
                                           "FootnoteLineStyle"};

// Gives the footnotes of `doc` their `labels`; raises when the document holds other notes than
// the joined text refers to.
void LabelNotes(const Reference<css::lang::XComponent>& doc, const std::vector<std::string>& labels) {
  const Reference<css::container::XIndexAccess> notes =
      Reference<css::text::XFootnotesSupplier>(doc, UNO_QUERY_THROW)->getFootnotes();
  if (notes->getCount() != static_cast<sal_Int32>(labels.size())) {
    throw css::uno::RuntimeException(U("合并文档的脚注数目不符"));
  }
  for (std::size_t i = 0; i < labels.size(); ++i) {
    if (labels[i].empty()) continue;
    Reference<css::text::XFootnote>(notes->getByIndex(static_cast<sal_Int32>(i)), UNO_QUERY_THROW)
        ->setLabel(U(labels[i]));
  }
}

// The page style in force where the bookmark `mark` of `doc` starts.
Reference<css::beans::XPropertySet> PageStyleAt(const Reference<css::lang::XComponent>& doc,
                                                const Reference<css::container::XNameAccess>& styles,
                                                const std::string& mark) {
  const Reference<css::container::XNameAccess> bookmarks =
      Reference<css::text::XBookmarksSupplier>(doc, UNO_QUERY_THROW)->getBookmarks();
  const Reference<css::text::XTextContent> bookmark(bookmarks->getByName(U(mark)), UNO_QUERY_THROW);
  const Reference<css::beans::XPropertySet> start(bookmark->getAnchor()->getStart(), UNO_QUERY_THROW);
  rtl::OUString name;
  start->getPropertyValue(U("PageStyleName")) >>= name;
  return Reference<css::beans::XPropertySet>(styles->getByName(name), UNO_QUERY_THROW);
}

// Gives each record's first page style the note line of the first record's.
void CopyNoteLine(const Reference<css::lang::XComponent>& doc, const std::vector<std::string>& marks) {
  if (marks.size() < 2) return;
  const Reference<css::container::XNameAccess> styles(
      Reference<css::style::XStyleFamiliesSupplier>(doc, UNO_QUERY_THROW)
          ->getStyleFamilies()
          ->getByName(U("PageStyles")),
      UNO_QUERY_THROW);
  const Reference<css::beans::XPropertySet> first = PageStyleAt(doc, styles, marks[0]);
  for (std::size_t k = 1; k < marks.size(); ++k) {
    const Reference<css::beans::XPropertySet> own = PageStyleAt(doc, styles, marks[k]);
    for (const char* property : kLineProperties) {
      own->setPropertyValue(U(property), first->getPropertyValue(U(property)));
    }
  }
}

}  // namespace

void PrepareJoinedNotes(const Reference<css::lang::XComponent>& doc, const JoinedDocuments& joined,
                        const std::vector<std::string>& marks) {
  if (!joined.footnotes) return;
  if (!joined.note_labels.empty()) LabelNotes(doc, joined.note_labels);
  CopyNoteLine(doc, marks);
}

}  // namespace vexlo::engine
