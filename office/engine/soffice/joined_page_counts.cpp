#include "office/engine/soffice/joined_page_counts.h"

#include <algorithm>
#include <climits>
#include <map>
#include <optional>
#include <set>

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/document/XUndoManager.hpp>
#include <com/sun/star/document/XUndoManagerSupplier.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/style/NumberingType.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/XBookmarksSupplier.hpp>
#include <com/sun/star/text/XPageCursor.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextContent.hpp>
#include <com/sun/star/text/XTextCursor.hpp>
#include <com/sun/star/text/XTextDocument.hpp>
#include <com/sun/star/text/XTextFieldsSupplier.hpp>
#include <com/sun/star/text/XTextRange.hpp>
#include <com/sun/star/text/XTextViewCursor.hpp>
#include <com/sun/star/text/XTextViewCursorSupplier.hpp>

#include "office/engine/soffice/uno_calls.h"

namespace vexlo::engine {

namespace css = com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

using Styles = Reference<css::container::XNameAccess>;
// The texts of headers and footers, each by its identity (the office hands one object the same
// XInterface each time) with the page styles it belongs to; the references keep them alive.
struct FrameList {
  std::vector<Reference<css::uno::XInterface>> texts;
  std::map<const void*, std::set<std::string>> styles;
};

const void* Identity(const Reference<css::uno::XInterface>& object, FrameList* keep = nullptr) {
  const Reference<css::uno::XInterface> normal(object, UNO_QUERY);
  if (keep != nullptr) keep->texts.push_back(normal);
  return normal.get();
}

// The page styles of `doc`, by name.
Styles PageStyleFamily(const Reference<css::lang::XComponent>& doc) {
  return Styles(Reference<css::style::XStyleFamiliesSupplier>(doc, UNO_QUERY_THROW)->getStyleFamilies()->getByName(U("PageStyles")),
                UNO_QUERY_THROW);
}

// The page count fields of `doc`, in no particular order.
std::vector<Reference<css::text::XTextContent>> PageCountFields(const Reference<css::lang::XComponent>& doc) {
  std::vector<Reference<css::text::XTextContent>> fields;
  const Reference<css::container::XEnumeration> all =
      Reference<css::text::XTextFieldsSupplier>(doc, UNO_QUERY_THROW)->getTextFields()->createEnumeration();
  while (all->hasMoreElements()) {
    const Reference<css::lang::XServiceInfo> field(all->nextElement(), UNO_QUERY);
    if (field.is() && field->supportsService(U("com.sun.star.text.textfield.PageCount"))) {
      fields.emplace_back(field, UNO_QUERY_THROW);
    }
  }
  return fields;
}

// The view cursor of `doc`, which knows the page of any place in the laid out document.
Reference<css::text::XTextViewCursor> ViewCursor(const Reference<css::lang::XComponent>& doc) {
  const Reference<css::frame::XModel> model(doc, UNO_QUERY_THROW);
  return Reference<css::text::XTextViewCursorSupplier>(model->getCurrentController(), UNO_QUERY_THROW)
      ->getViewCursor();
}

// The layout as the records see it: the pages each starts and ends on, and the page style of
// each page (read only when a header or footer needs it). A record starting page 1 on an even
// page follows a blank page the office puts in, which the export leaves out: it belongs to no
// record.
class RecordPages {
 public:
  RecordPages(const Reference<css::lang::XComponent>& doc, const std::vector<std::string>& marks)
      : cursor_(ViewCursor(doc)), pages_(cursor_, UNO_QUERY_THROW) {
    const Reference<css::text::XText> body = Reference<css::text::XTextDocument>(doc, UNO_QUERY_THROW)->getText();
    const Reference<css::container::XNameAccess> bookmarks =
        Reference<css::text::XBookmarksSupplier>(doc, UNO_QUERY_THROW)->getBookmarks();
    for (const std::string& mark : marks) {
      const Reference<css::text::XTextContent> bookmark(bookmarks->getByName(U(mark)), UNO_QUERY_THROW);
      const Reference<css::text::XTextRange> start = bookmark->getAnchor()->getStart();
      if (!starts_.empty()) ends_.push_back(EndBefore(start, body));
      starts_.push_back(PageOf(start));
    }
    cursor_->gotoEnd(false);
    ends_.push_back(pages_->getPage());
    if (PageCount(doc) > SHRT_MAX) throw css::uno::RuntimeException(U("合并文档页数过多"));
    for (std::size_t k = 0; k < starts_.size(); ++k) {
      if (ends_[k] < starts_[k] || (k > 0 && starts_[k] <= ends_[k - 1])) {
        throw css::uno::RuntimeException(U("合并文档的记录页码不符"));
      }
      counts_.push_back(ends_[k] - starts_[k] + 1);
    }
  }

  const std::vector<int>& counts() const { return counts_; }

  // The page count of the record on page `page` (counted from 1); 0 on a page of none.
  int CountOn(int page) const {
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), page);
    if (after == starts_.begin()) return 0;
    const std::size_t k = static_cast<std::size_t>(after - starts_.begin()) - 1;
    return page <= ends_[k] ? counts_[k] : 0;
  }

  // The page the record before the mark at `start` ends on: where its last paragraph does, just
  // before the mark. (The text's cursor, not the view's: that stops in front of a numbered
  // paragraph's label.) The mark of a record that starts with a table is in its first cell, out
  // of which the text's cursor does not go: the view's goes back to the paragraph before the
  // table, stopping in front of the labels of numbered paragraphs of the cell on its way.
  int EndBefore(const Reference<css::text::XTextRange>& start, const Reference<css::text::XText>& body) {
    const Reference<css::text::XTextCursor> before = start->getText()->createTextCursorByRange(start);
    if (before->goLeft(1, false)) return PageOf(Reference<css::text::XTextRange>(before.get()));
    cursor_->gotoRange(start, false);
    for (int step = 0; step < 4 && cursor_->goLeft(1, false); ++step) {
      if (cursor_->getText() == body) return pages_->getPage();
    }
    throw css::uno::RuntimeException(U("无法确定记录的末页"));
  }

  int PageOf(const Reference<css::text::XTextRange>& place) {
    cursor_->gotoRange(place, false);
    return pages_->getPage();
  }

  // The page style name of each page, from the first.
  const std::vector<std::string>& PageStyles() {
    if (styles_.empty()) {
      const Reference<css::beans::XPropertySet> at(cursor_, UNO_QUERY_THROW);
      for (int page = 1; page <= ends_.back(); ++page) {
        pages_->jumpToPage(static_cast<sal_Int16>(page));
        rtl::OUString name;
        at->getPropertyValue(U("PageStyleName")) >>= name;
        styles_.push_back(S(name));
      }
    }
    return styles_;
  }

 private:
  Reference<css::text::XTextViewCursor> cursor_;
  Reference<css::text::XPageCursor> pages_;
  std::vector<int> starts_, ends_, counts_;
  std::vector<std::string> styles_;
};

// The headers and footers of the page styles in `names`.
FrameList FrameTexts(const Styles& styles, const std::set<std::string>& names) {
  FrameList frames;
  for (const std::string& name : names) {
    const Reference<css::beans::XPropertySet> style(styles->getByName(U(name)), UNO_QUERY_THROW);
    for (const char* property : {"HeaderText", "HeaderTextLeft", "HeaderTextFirst", "FooterText",
                                 "FooterTextLeft", "FooterTextFirst"}) {
      Reference<css::text::XText> text;
      try {
        style->getPropertyValue(U(property)) >>= text;
      } catch (const css::beans::UnknownPropertyException&) {
        continue;  // an office without first pages' headers of their own
      }
      if (text.is()) frames.styles[Identity(text, &frames)].insert(name);
    }
  }
  return frames;
}

// The page count of the record `field` belongs to: the record of the page it is on, or for a
// header's or footer's, the records of the pages of its page style, which must all count alike.
// 0: a header or footer shown on no page.
int CountFor(const Reference<css::text::XTextContent>& field, RecordPages& layout, const Styles& styles,
             const Reference<css::text::XText>& body, std::optional<FrameList>& frames) {
  const Reference<css::text::XTextRange> anchor = field->getAnchor();
  const Reference<css::text::XText> text = anchor->getText();
  const auto on_its_page = [&] {
    const int count = layout.CountOn(layout.PageOf(anchor));
    if (count == 0) throw css::uno::RuntimeException(U("页数域不在任何记录的页上"));
    return count;
  };
  if (text == body) return on_its_page();
  if (!frames) {
    const std::vector<std::string>& pages = layout.PageStyles();
    frames = FrameTexts(styles, std::set<std::string>(pages.begin(), pages.end()));
  }
  const auto found = frames->styles.find(Identity(text));
  if (found == frames->styles.end()) return on_its_page();
  const std::set<std::string>& owners = found->second;
  std::set<int> counts;
  const std::vector<std::string>& pages = layout.PageStyles();
  for (std::size_t page = 0; page < pages.size(); ++page) {
    const int count = layout.CountOn(static_cast<int>(page) + 1);
    if (count > 0 && owners.count(pages[page]) != 0) counts.insert(count);
  }
  if (counts.size() > 1) throw css::uno::RuntimeException(U("页数域所在的页眉页脚为页数不同的记录共用"));
  return counts.empty() ? 0 : *counts.begin();  // 0: shown on no page
}

// `count` as the field `field` would write it, in its numbering.
rtl::OUString Written(int count, const Reference<css::text::XTextContent>& field, const Styles& styles,
                      const Reference<css::text::XNumberingFormatter>& numbers) {
  sal_Int16 type = css::style::NumberingType::ARABIC;
  Reference<css::beans::XPropertySet>(field, UNO_QUERY_THROW)->getPropertyValue(U("NumberingType")) >>= type;
  // "As the page style": the numbering of the document's first page style.
  if (type == css::style::NumberingType::PAGE_DESCRIPTOR) {
    Reference<css::beans::XPropertySet>(styles->getByName(U("Standard")), UNO_QUERY_THROW)
            ->getPropertyValue(U("NumberingType")) >>= type;
  }
  if (type == css::style::NumberingType::ARABIC || type == css::style::NumberingType::PAGE_DESCRIPTOR) {
    return rtl::OUString::number(count);
  }
  if (!numbers.is()) throw css::uno::RuntimeException(U("无法书写页数的编号格式"));
  return numbers->makeNumberingString(
      Props({Prop("NumberingType", css::uno::Any(type)), Prop("Value", css::uno::Any(sal_Int32(count)))}),
      css::lang::Locale(U("en"), U("US"), U("")));
}

using Shown = std::vector<std::pair<Reference<css::text::XTextContent>, rtl::OUString>>;

// Replaces each page count field of `shown` by its number.
void ShowNumbers(const Reference<css::lang::XComponent>& doc, const Shown& shown) {
  // Each takes the place of a field of the page number's kind told to show the number as it is
  // (numbering "special": its text): written as plain text, or as a field the office sets as
  // text, the number would be spaced from the text around it otherwise than a field is.
  // Inserted after the old field, it takes the old one's formatting.
  const Reference<css::lang::XMultiServiceFactory> factory(doc, UNO_QUERY_THROW);
  // Not recorded for undo, and no view updated at each change (which cost more than the export
  // itself): the export lays the document out once afterwards.
  const Reference<css::document::XUndoManagerSupplier> undo(doc, UNO_QUERY);
  if (undo.is()) undo->getUndoManager()->lock();
  const Reference<css::frame::XModel> model(doc, UNO_QUERY_THROW);
  model->lockControllers();
  struct Unlock {
    const Reference<css::frame::XModel>& model;
    ~Unlock() {
      try {
        model->unlockControllers();
      } catch (const css::uno::Exception&) {
      }
    }
  } unlock{model};
  for (const auto& [field, number] : shown) {
    const Reference<css::text::XTextRange> anchor = field->getAnchor();
    const Reference<css::text::XTextContent> number_field(
        factory->createInstance(U("com.sun.star.text.textfield.PageNumber")), UNO_QUERY_THROW);
    const Reference<css::beans::XPropertySet> properties(number_field, UNO_QUERY_THROW);
    properties->setPropertyValue(U("NumberingType"), css::uno::Any(css::style::NumberingType::CHAR_SPECIAL));
    properties->setPropertyValue(U("UserText"), css::uno::Any(number));
    const Reference<css::text::XText> text = anchor->getText();
    text->insertTextContent(anchor->getEnd(), number_field, false);
    text->removeTextContent(field);
  }
}

}  // namespace

std::vector<int> GiveRecordsTheirPageCounts(const Reference<css::lang::XComponent>& doc,
                                            const Reference<css::text::XNumberingFormatter>& numbers,
                                            const std::vector<std::string>& marks) {
  const std::vector<Reference<css::text::XTextContent>> fields = PageCountFields(doc);
  if (fields.empty()) return {};
  RecordPages layout(doc, marks);
  const Styles styles = PageStyleFamily(doc);
  // Every field's number is decided on the layout as it was loaded, before any is written.
  Shown written;
  const Reference<css::text::XText> body = Reference<css::text::XTextDocument>(doc, UNO_QUERY_THROW)->getText();
  std::optional<FrameList> frames;  // read once a field is met outside the main text
  for (const auto& field : fields) {
    const int count = CountFor(field, layout, styles, body, frames);
    if (count > 0) written.emplace_back(field, Written(count, field, styles, numbers));
  }
  ShowNumbers(doc, written);
  return layout.counts();
}

std::vector<int> GiveRecordsPageCount(const Reference<css::lang::XComponent>& doc,
                                      const Reference<css::text::XNumberingFormatter>& numbers, int count,
                                      std::size_t records) {
  const std::vector<Reference<css::text::XTextContent>> fields = PageCountFields(doc);
  if (fields.empty()) return {};
  const Styles styles = PageStyleFamily(doc);
  Shown shown;
  for (const auto& field : fields) shown.emplace_back(field, Written(count, field, styles, numbers));
  ShowNumbers(doc, shown);
  return std::vector<int>(records, count);
}

}  // namespace vexlo::engine
