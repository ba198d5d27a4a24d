// What the generation window's own page shows of a document: its first page only, and a table's
// rows as rows with every column, drawn as framed cells.
#include <gtest/gtest.h>

#include <QImage>

#include "office/engine/package/zip_writer.h"
#include "tests/support/test_paths.h"
#include "ui/main/docx_paragraphs.h"
#include "ui/main/page_preview.h"

namespace vexlo::ui {
namespace {

using Lines = std::vector<std::string>;

std::string Paragraph(const std::string& inner) { return "<w:p><w:r>" + inner + "</w:r></w:p>"; }
std::string Text(const std::string& text) { return Paragraph("<w:t>" + text + "</w:t>"); }

std::string Row(const Lines& cells) {
  std::string row = "<w:tr>";
  for (const std::string& cell : cells) row += "<w:tc><w:tcPr/>" + Text(cell) + "</w:tc>";
  return row + "</w:tr>";
}

std::string MakeDocx(const test::ScratchDir& dir, const std::string& body) {
  engine::ZipWriter zip;
  zip.Add("word/document.xml",
          "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
          "<w:body>" + body + "</w:body></w:document>");
  const std::string path = (dir / "工资条.docx").string();
  test::WriteFile(path, zip.Finish());
  return path;
}

const std::string kSep(1, kCellSeparator);

TEST(DocxPageText, TablesAreRowsWithEveryColumnAndTheFirstPageEndsTheText) {
  test::ScratchDir dir;
  const Lines titles = {"姓名", "部门", "基本工资", "绩效", "补贴", "扣款", "实发"};
  const std::string table = "<w:tbl><w:tblPr/>" + Row(titles) +
                            Row({"张三", "财务部", "5000", "800", "300", "120", "5980"}) + "</w:tbl>";
  const std::string second_page = Text("第二页");
  EXPECT_EQ(DocxParagraphs(MakeDocx(dir, Text("工资条") + table +
                                              Paragraph("<w:t>尾</w:t><w:br w:type=\"page\"/>"
                                                        "<w:t>下一页</w:t>") +
                                              second_page)),
            (Lines{"工资条",
                   kSep + "姓名" + kSep + "部门" + kSep + "基本工资" + kSep + "绩效" + kSep +
                       "补贴" + kSep + "扣款" + kSep + "实发",
                   kSep + "张三" + kSep + "财务部" + kSep + "5000" + kSep + "800" + kSep + "300" +
                       kSep + "120" + kSep + "5980",
                   "尾"}));
  // Where Word last broke the page, and a section that starts a new page, end it too.
  EXPECT_EQ(DocxParagraphs(MakeDocx(dir, Text("一") + Paragraph("<w:lastRenderedPageBreak/><w:t>二</w:t>"))),
            Lines{"一"});
  EXPECT_EQ(DocxParagraphs(MakeDocx(
                dir, "<w:p><w:pPr><w:sectPr/></w:pPr><w:r><w:t>封面</w:t></w:r></w:p>" +
                         second_page)),
            Lines{"封面"});
}

// Whether some pixel row near the top is a line across the text width, as a table's frame is.
bool HasRuleAcrossThePage(const QImage& page) {
  const int margin = page.width() * 20 / 210;
  for (int y = margin - 2; y < margin + 40; ++y) {
    int dark = 0;
    for (int x = margin; x < page.width() - margin; ++x) dark += qGray(page.pixel(x, y)) < 160;
    if (dark > (page.width() - 2 * margin) * 9 / 10) return true;
  }
  return false;
}

TEST(DocxPageText, RowsAreDrawnAsFramedCellsAcrossTheLine) {
  const std::string row = kSep + "姓名" + kSep + "部门" + kSep + "实发";
  EXPECT_TRUE(HasRuleAcrossThePage(TextPage("张三.docx", {row}, QSize(270, 382))));
  EXPECT_FALSE(HasRuleAcrossThePage(TextPage("张三.docx", {"姓名 部门 实发"}, QSize(270, 382))));
}

}  // namespace
}  // namespace vexlo::ui
