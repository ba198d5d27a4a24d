// The page image of the generation window: how a document just written looks. An interface, so
// that a renderer that draws the real page (a LibreOffice service) can be installed in place of
// our own, which lays the document's paragraphs out as plain text on a white A4 page.
// UI thread only.
#ifndef VEXLO_UI_MAIN_PAGE_PREVIEW_H_
#define VEXLO_UI_MAIN_PAGE_PREVIEW_H_

#include <QImage>
#include <QSize>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vexlo::ui {

class PagePreview {
 public:
  virtual ~PagePreview() = default;
  // The first page of `document`, fitted into `size`; a null image when it cannot be drawn (the
  // file is not there yet, or of a kind the renderer does not read).
  virtual QImage Render(const std::string& document, const QSize& size) = 0;
};

// The paragraphs of a document file, or none when it cannot be read.
using ParagraphReader = std::function<std::vector<std::string>(const std::string& document)>;

// Our own renderer: the paragraphs that `reader` finds, drawn as text.
class TextPagePreview : public PagePreview {
 public:
  explicit TextPagePreview(ParagraphReader reader) : reader_(std::move(reader)) {}
  QImage Render(const std::string& document, const QSize& size) override;

 private:
  ParagraphReader reader_;
};

// A white A4 page fitted into `size`, `heading` in grey at its top, `paragraphs` below in
// document order (table rows, see kCellSeparator, as rows of framed cells), cut off at the
// page's foot.
QImage TextPage(const std::string& heading, const std::vector<std::string>& paragraphs,
                const QSize& size);

// `paragraphs` with every title replaced by the record's value (case-insensitive; longer titles
// first, so that a title inside another one does not break it).
std::vector<std::string> FillParagraphs(const std::vector<std::string>& paragraphs,
                                        const std::vector<std::string>& titles,
                                        const std::vector<std::string>& values);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_PAGE_PREVIEW_H_
