// The fonts of a PDF trimmed to what its pages show: code range, widths, encoding, character map
// and program cover the codes shown and no other; fonts the pages never set go; text whose font
// cannot be told, or a font of a kind not known, refuses the document.
#include <gtest/gtest.h>

#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include "office/engine/package/pdf_fonts.h"
#include "office/engine/package/pdf_unicode_map.h"
#include "office/engine/package/truetype_font.h"
#include "tests/engine/package/test_fonts.h"

namespace vexlo::engine {
namespace {

std::string Bytes(QPDFObjectHandle stream) {
  const std::shared_ptr<Buffer> data = stream.getStreamData();
  return std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
}

// A content stream's tokens, one space apart.
std::string ContentText(QPDFObjectHandle content) {
  std::string text;
  for (char c : Bytes(content)) {
    const bool space = c == ' ' || c == '\n';
    if (!space || (!text.empty() && text.back() != ' ')) text += space ? ' ' : c;
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  while (!text.empty() && text.front() == ' ') text.erase(0, 1);
  return text;
}

class PdfFontsTest : public ::testing::Test {
 protected:
  PdfFontsTest() { pdf_.emptyPDF(); }

  // A TrueType font of the test program: codes 0-4, widths and a character map for all of them.
  QPDFObjectHandle TrueTypeFont() {
    QPDFObjectHandle program = pdf_.newStream(test::TestTrueType());
    QPDFObjectHandle font = QPDFObjectHandle::parse(
        "<< /Type /Font /Subtype /TrueType /BaseFont /AAAAAA+T /FirstChar 0 /LastChar 4 "
        "/Widths [0 610 620 620 620] /FontDescriptor << /Type /FontDescriptor /CharSet (/a/b) >> >>");
    font.getKey("/FontDescriptor").replaceKey("/FontFile2", program);
    font.replaceKey("/ToUnicode", pdf_.newStream(WriteUnicodeMap({{1, "0041"}, {2, "0042"}, {3, "0043"}, {4, "0044"}})));
    return pdf_.makeIndirectObject(font);
  }

  QPDFObjectHandle Font(const std::string& dict) { return pdf_.makeIndirectObject(QPDFObjectHandle::parse(dict)); }

  // A page drawing `content` with `fonts`, and a form with `form_content` as /X.
  void AddPage(const std::string& content, QPDFObjectHandle fonts, const std::string& form_content = "") {
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    resources.replaceKey("/Font", fonts);
    if (!form_content.empty()) {
      QPDFObjectHandle form = pdf_.newStream(form_content);
      form.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/Form"));
      form.getDict().replaceKey("/BBox", QPDFObjectHandle::parse("[0 0 100 100]"));
      resources.replaceKey("/XObject", QPDFObjectHandle::parse("<< >>"));
      resources.getKey("/XObject").replaceKey("/X", form);
    }
    QPDFObjectHandle page = QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 200 200] >>");
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Contents", pdf_.newStream(content));
    QPDFPageDocumentHelper(pdf_).addPage(QPDFPageObjectHelper(pdf_.makeIndirectObject(page)), false);
  }

  QPDF pdf_;
};

TEST_F(PdfFontsTest, FontsHoldOnlyTheCodesTheirPagesShow) {
  QPDFObjectHandle truetype = TrueTypeFont();
  QPDFObjectHandle named = Font(
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /FirstChar 1 /LastChar 3 /Widths [1 2 3] "
      "/Encoding << /Differences [1 /a /b /c] >> >>");
  QPDFObjectHandle unused = Font("<< /Type /Font /Subtype /Type3 >>");
  QPDFObjectHandle fonts = QPDFObjectHandle::newDictionary();
  fonts.replaceKey("/F1", truetype);
  fonts.replaceKey("/F2", named);
  fonts.replaceKey("/F3", unused);
  // Code 4 in a form drawn by the page, with the font in force there; code 2 of the other font
  // after a saved state is restored.
  AddPage("BT /F1 12 Tf (\\002) Tj q /F2 9 Tf [(\\002) 5 (\\002)] TJ Q ET /X Do", fonts,
          "BT (\\004) Tj ET");
  ASSERT_TRUE(TrimFontsToPages(pdf_).ok());

  // The codes shown are numbered afresh from 1, in the fonts and in the strings shown.
  EXPECT_EQ(truetype.getKey("/FirstChar").getIntValue(), 1);
  EXPECT_EQ(truetype.getKey("/LastChar").getIntValue(), 2);
  EXPECT_EQ(truetype.getKey("/Widths").unparse(), "[ 620 620 ]");
  EXPECT_EQ(ReadUnicodeMap(Bytes(truetype.getKey("/ToUnicode"))),
            std::optional<UnicodeMap>(UnicodeMap{{1, "0042"}, {2, "0044"}}));
  QPDFObjectHandle descriptor = truetype.getKey("/FontDescriptor");
  EXPECT_FALSE(descriptor.hasKey("/CharSet"));
  const std::optional<TrueTypeContents> program = ReadTrueType(Bytes(descriptor.getKey("/FontFile2")));
  ASSERT_TRUE(program);
  EXPECT_EQ(program->codes, (std::map<std::uint32_t, std::uint16_t>{{1, 1}, {2, 2}}));
  EXPECT_EQ(descriptor.getKey("/FontFile2").getDict().getKey("/Length1").getIntValue(),
            static_cast<long long>(Bytes(descriptor.getKey("/FontFile2")).size()));

  EXPECT_EQ(named.getKey("/FirstChar").getIntValue(), 1);
  EXPECT_EQ(named.getKey("/LastChar").getIntValue(), 1);
  EXPECT_EQ(named.getKey("/Widths").unparse(), "[ 2 ]");
  EXPECT_EQ(named.getKey("/Encoding").getKey("/Differences").unparse(), "[ 1 /b ]");
  QPDFPageObjectHelper page = QPDFPageDocumentHelper(pdf_).getAllPages().front();
  EXPECT_EQ(ContentText(page.getObjectHandle().getKey("/Contents")),
            "BT /F1 12 Tf <01> Tj q /F2 9 Tf [ <01> 5 <01> ] TJ Q ET /X Do");
  EXPECT_EQ(ContentText(page.getAttribute("/Resources", false).getKey("/XObject").getKey("/X")),
            "BT <02> Tj ET");
  // The font never set is gone, and the document is written whole.
  EXPECT_FALSE(fonts.hasKey("/F3"));
  QPDFWriter writer(pdf_);
  writer.setOutputMemory();
  EXPECT_NO_THROW(writer.write());
}

// A page whose content the fast scan leaves to libqpdf (an inline image), its font named with an
// escape: the text is found and numbered afresh all the same.
TEST_F(PdfFontsTest, TextBesideAnInlineImageIsFoundAlike) {
  QPDFObjectHandle truetype = TrueTypeFont();
  QPDFObjectHandle fonts = QPDFObjectHandle::newDictionary();
  fonts.replaceKey("/F1", truetype);
  AddPage("q BI /W 1 /H 1 /BPC 8 /CS /G ID \x01 EI Q BT /F#31 12 Tf (\\003) Tj ET", fonts);
  ASSERT_TRUE(TrimFontsToPages(pdf_).ok());
  EXPECT_EQ(truetype.getKey("/FirstChar").getIntValue(), 1);
  EXPECT_EQ(truetype.getKey("/Widths").unparse(), "[ 620 ]");
  const std::string content = ContentText(QPDFPageDocumentHelper(pdf_).getAllPages().front().getObjectHandle().getKey("/Contents"));
  EXPECT_NE(content.find("/F#31 12 Tf <01> Tj ET"), std::string::npos) << content;
}

// A document showing code `code` of a Type 1 font and of a TrueType one (the same programs in
// every document, as in the parts cut from one export), trimmed with `sources`, as written.
std::string TrimmedDocument(int code, FontSources& sources) {
  QPDF pdf;
  pdf.emptyPDF();
  std::size_t clear = 0, encrypted = 0;
  const std::string program = test::TestType1(&clear, &encrypted);
  QPDFObjectHandle file = pdf.newStream(program);
  file.getDict().replaceKey("/Length1", QPDFObjectHandle::newInteger(static_cast<long long>(clear)));
  file.getDict().replaceKey("/Length2", QPDFObjectHandle::newInteger(static_cast<long long>(encrypted)));
  file.getDict().replaceKey("/Length3", QPDFObjectHandle::newInteger(static_cast<long long>(program.size() - clear - encrypted)));
  QPDFObjectHandle type1 = QPDFObjectHandle::parse(
      "<< /Type /Font /Subtype /Type1 /BaseFont /AAAAAA+T /FirstChar 1 /LastChar 2 /Widths [500 600] "
      "/FontDescriptor << /Type /FontDescriptor >> >>");
  type1.getKey("/FontDescriptor").replaceKey("/FontFile", file);
  type1.replaceKey("/ToUnicode", pdf.newStream(WriteUnicodeMap({{1, "0041"}, {2, "0042"}})));
  QPDFObjectHandle truetype = QPDFObjectHandle::parse(
      "<< /Type /Font /Subtype /TrueType /BaseFont /BAAAAA+T /FirstChar 0 /LastChar 4 "
      "/Widths [0 610 620 620 620] /FontDescriptor << /Type /FontDescriptor >> >>");
  truetype.getKey("/FontDescriptor").replaceKey("/FontFile2", pdf.newStream(test::TestTrueType()));
  QPDFObjectHandle fonts = QPDFObjectHandle::newDictionary();
  fonts.replaceKey("/F1", pdf.makeIndirectObject(type1));
  fonts.replaceKey("/F2", pdf.makeIndirectObject(truetype));
  QPDFObjectHandle page = QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 200 200] /Resources << >> >>");
  page.getKey("/Resources").replaceKey("/Font", fonts);
  const std::string shown = "(\\00" + std::to_string(code) + ") Tj";
  page.replaceKey("/Contents", pdf.newStream("BT /F1 9 Tf " + shown + " /F2 9 Tf " + shown + " ET"));
  QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
  EXPECT_TRUE(TrimFontsToPages(pdf, sources).ok());
  QPDFWriter writer(pdf);
  writer.setOutputMemory();
  writer.setStaticID(true);
  writer.write();
  std::shared_ptr<Buffer> out = writer.getBufferSharedPointer();
  return std::string(reinterpret_cast<const char*>(out->getBuffer()), out->getSize());
}

// The parts cut from one export share its font programs, read once for all of them: each part
// comes out as it would trimmed alone, whatever the parts before it showed.
TEST(PdfFontSourcesTest, FontsReadOnceTrimEachDocumentAsAlone) {
  FontSources shared;
  for (int code : {1, 2, 1}) {
    FontSources alone;
    EXPECT_EQ(TrimmedDocument(code, shared), TrimmedDocument(code, alone)) << code;
  }
  FontSources fresh;
  EXPECT_NE(TrimmedDocument(1, fresh), TrimmedDocument(2, fresh));
}

// A form drawn under two fonts that would number its string differently: no string is rewritten,
// each font keeps its codes and holds only those shown.
TEST_F(PdfFontsTest, CodesAFormSharesBetweenFontsKeepTheirNumbers) {
  QPDFObjectHandle first = TrueTypeFont();
  QPDFObjectHandle second = TrueTypeFont();
  QPDFObjectHandle fonts = QPDFObjectHandle::newDictionary();
  fonts.replaceKey("/F1", first);
  fonts.replaceKey("/F2", second);
  const std::string content = "BT /F1 12 Tf (\\001) Tj ET /X Do BT /F2 12 Tf ET /X Do";
  AddPage(content, fonts, "BT (\\002) Tj ET");
  ASSERT_TRUE(TrimFontsToPages(pdf_).ok());
  EXPECT_EQ(first.getKey("/Widths").unparse(), "[ 610 620 ]");
  EXPECT_EQ(first.getKey("/FirstChar").getIntValue(), 1);
  EXPECT_EQ(second.getKey("/Widths").unparse(), "[ 620 ]");
  EXPECT_EQ(second.getKey("/FirstChar").getIntValue(), 2);
  EXPECT_EQ(Bytes(QPDFPageDocumentHelper(pdf_).getAllPages().front().getObjectHandle().getKey("/Contents")), content);
}

TEST_F(PdfFontsTest, DocumentsWhoseFontsCannotBeToldOrTrimmedAreRefused) {
  struct Case {
    const char* what;
    std::string content;
    std::string font;
  };
  const std::vector<Case> cases = {
      {"text before any font", "BT (a) Tj ET", "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"},
      {"a font not in the resources", "BT /F9 12 Tf (a) Tj ET", "<< /Type /Font /Subtype /Type1 >>"},
      {"a font of another kind set", "BT /F1 12 Tf (a) Tj ET", "<< /Type /Font /Subtype /Type3 >>"},
      {"a shown code outside the widths", "BT /F1 12 Tf (\\011) Tj ET",
       "<< /Type /Font /Subtype /Type1 /FirstChar 1 /LastChar 2 /Widths [1 2] >>"},
      {"a compact font program", "BT /F1 12 Tf (a) Tj ET",
       "<< /Type /Font /Subtype /Type1 /FontDescriptor << /FontFile3 1 >> >>"},
  };
  for (const Case& c : cases) {
    QPDF pdf;
    pdf.emptyPDF();
    QPDFObjectHandle page = QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 200 200] >>");
    QPDFObjectHandle fonts = QPDFObjectHandle::newDictionary();
    fonts.replaceKey("/F1", pdf.makeIndirectObject(QPDFObjectHandle::parse(c.font)));
    page.replaceKey("/Resources", QPDFObjectHandle::newDictionary());
    page.getKey("/Resources").replaceKey("/Font", fonts);
    page.replaceKey("/Contents", pdf.newStream(c.content));
    QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
    EXPECT_EQ(TrimFontsToPages(pdf).code(), StatusCode::kRefused) << c.what;
  }
}

}  // namespace
}  // namespace vexlo::engine
