// The oracle's reading of links: where each sits and the page and place it opens, through an
// explicit destination, a named one or a go-to action; and when two PDFs' links differ.
#include <gtest/gtest.h>

#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "tests/engine/oracle/pdf_links.h"
#include "tests/support/test_paths.h"

namespace vexlo::oracle {
namespace {

// A two-page PDF: on page 1 a link to page 2 at (90, 700) by an explicit destination, one by the
// named destination "end" (page 2 at (90, 300)) through a go-to action, and a web address.
std::filesystem::path MakeLinkedPdf(const std::filesystem::path& path) {
  QPDF pdf;
  pdf.emptyPDF();
  QPDFPageDocumentHelper helper(pdf);
  for (int i = 0; i < 2; ++i) {
    helper.addPage(pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 595 842] /Resources << >> >>")), false);
  }
  const QPDFObjectHandle second = helper.getAllPages()[1].getObjectHandle();
  QPDFObjectHandle explicit_link = QPDFObjectHandle::parse("<< /Type /Annot /Subtype /Link /Rect [90 739 505 755] >>");
  explicit_link.replaceKey("/Dest", QPDFObjectHandle::parse("[null /XYZ 90 700 0]"));
  explicit_link.getKey("/Dest").setArrayItem(0, second);
  QPDFObjectHandle dest = QPDFObjectHandle::parse("[null /XYZ 90 300 0]");
  dest.setArrayItem(0, second);
  QPDFObjectHandle dests = QPDFObjectHandle::newDictionary();
  dests.replaceKey("/end", dest);
  pdf.getRoot().replaceKey("/Dests", dests);
  QPDFObjectHandle annots = QPDFObjectHandle::newArray();
  annots.appendItem(pdf.makeIndirectObject(explicit_link));
  annots.appendItem(pdf.makeIndirectObject(QPDFObjectHandle::parse(
      "<< /Type /Annot /Subtype /Link /Rect [90 700 200 715] /A << /S /GoTo /D (end) >> >>")));
  annots.appendItem(pdf.makeIndirectObject(QPDFObjectHandle::parse(
      "<< /Type /Annot /Subtype /Link /Rect [90 600 200 615] /A << /S /URI /URI (https://example.cn/) >> >>")));
  helper.getAllPages()[0].getObjectHandle().replaceKey("/Annots", annots);
  QPDFWriter writer(pdf, path.c_str());
  writer.write();
  return path;
}

TEST(PdfLinksTest, LinksAreComparedByWhereTheySitAndWhereTheyGo) {
  test::ScratchDir dir;
  const std::vector<PdfLink> links = ReadPdfLinks(MakeLinkedPdf(dir.path() / "links.pdf"));
  ASSERT_EQ(links.size(), 3u);
  EXPECT_EQ(links[0].target_page, 1);
  EXPECT_EQ(links[0].y, 700);
  EXPECT_EQ(links[1].target_page, 1);  // the named destination, resolved
  EXPECT_EQ(links[1].y, 300);
  EXPECT_EQ(links[2].address, "https://example.cn/");
  EXPECT_EQ(LinkDifference(links, links), "");
  // Listed in another order, or a point off: alike.
  std::vector<PdfLink> got = {links[2], links[0], links[1]};
  got[1].y += 1;
  EXPECT_EQ(LinkDifference(links, got), "");
  got[1].target_page = 0;  // opens another page
  EXPECT_NE(LinkDifference(links, got), "");
  got[1] = links[0];
  got[1].y -= 40;  // another place on its page
  EXPECT_NE(LinkDifference(links, got), "");
  got[1] = links[0];
  got.pop_back();  // one missing
  EXPECT_NE(LinkDifference(links, got), "");
  EXPECT_NE(LinkDifference({links[0]}, links), "");  // one too many
}

}  // namespace
}  // namespace vexlo::oracle
