// Which records may be joined for one PDF export, and what the joined document gives each record:
// a section of its own on a new page, page numbers and list numbers starting again, a mark.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>

#include "office/engine/package/zip_reader.h"
#include "office/engine/package/zip_writer.h"
#include "office/engine/soffice/page_batch.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNs =
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
constexpr const char* kSection =
    "<w:sectPr><w:footerReference w:type=\"default\" r:id=\"rId9\"/><w:pgSz w:w=\"11906\" "
    "w:h=\"16838\"/><w:cols w:space=\"425\"/></w:sectPr>";

std::string Document(const std::string& body) {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:document ") +
         kNs + "><w:body>" + body + kSection + "</w:body></w:document>";
}

std::string Paragraph(const std::string& text, const std::string& properties = "") {
  return "<w:p>" + properties + "<w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r></w:p>";
}

std::string Footer(const std::string& content) {
  return std::string("<w:ftr ") + kNs + "><w:p>" + content + "</w:p></w:ftr>";
}

constexpr const char* kNumbering =
    "<w:numbering xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
    "<w:abstractNum w:abstractNumId=\"0\"><w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/>"
    "<w:numFmt w:val=\"decimal\"/><w:lvlText w:val=\"%1.\"/></w:lvl></w:abstractNum>"
    "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num></w:numbering>";
constexpr const char* kListItem = "<w:pPr><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"1\"/></w:numPr></w:pPr>";

class PageBatchTest : public ::testing::Test {
 protected:
  // A package of the base parts with `changes` put over them (an empty text drops a part).
  std::string Make(const std::string& name, std::map<std::string, std::string> changes) {
    std::map<std::string, std::string> parts = {
        {"[Content_Types].xml", "<Types/>"},
        {"word/document.xml", Document(Paragraph("甲") + Paragraph("乙"))},
        {"word/footer1.xml", Footer("<w:r><w:t>页脚</w:t></w:r>")},
        {"word/styles.xml", "<w:styles/>"},
        {"word/settings.xml", "<w:settings/>"},
        {"word/numbering.xml", kNumbering}};
    for (auto& [part, bytes] : changes) parts[part] = bytes;
    ZipWriter zip;
    for (const auto& [part, bytes] : parts) {
      if (!bytes.empty()) zip.Add(part, bytes);
    }
    const fs::path path = dir_ / name;
    test::WriteFile(path, zip.Finish());
    return path.string();
  }

  test::ScratchDir dir_;
};

TEST_F(PageBatchTest, OnlyDocumentsThatLookTheSameInALongerDocumentAreJoinable) {
  const std::string page_field =  // a field whose instruction is split over two runs
      "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> PA</w:instrText></w:r>"
      "<w:r><w:instrText>GE </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>"
      "<w:r><w:t>1</w:t></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
  struct Case {
    const char* what;
    std::map<std::string, std::string> changes;
    bool joinable;
  };
  const std::vector<Case> cases = {
      {"plain", {}, true},
      {"page number and a numbered list", {{"word/footer1.xml", Footer(page_field)},
                                           {"word/document.xml", Document(Paragraph("一", kListItem))}}, true},
      {"page count", {{"word/footer1.xml", Footer("<w:fldSimple w:instr=\" NUMPAGES \"/>")}}, false},
      {"cross reference", {{"word/document.xml", Document("<w:p><w:fldSimple w:instr=\"REF a\"/></w:p>")}}, false},
      {"footnote", {{"word/document.xml", Document("<w:p><w:r><w:footnoteReference w:id=\"1\"/></w:r></w:p>")}}, false},
      {"two sections", {{"word/document.xml", Document("<w:p><w:pPr>" + std::string(kSection) + "</w:pPr></w:p>" + Paragraph("乙"))}}, false},
      {"different first page", {{"word/document.xml", Document(Paragraph("甲")).replace(Document(Paragraph("甲")).find("<w:cols"), 0, "<w:titlePg/>")}}, true},
      {"alternating headers", {{"word/settings.xml", "<w:settings><w:evenAndOddHeaders/></w:settings>"}}, false},
      {"numbering by style", {{"word/styles.xml", "<w:styles><w:style><w:pPr><w:numPr/></w:pPr></w:style></w:styles>"}}, false},
      {"starts with a page break", {{"word/document.xml", Document(Paragraph("甲", "<w:pPr><w:pageBreakBefore/></w:pPr>") + Paragraph("乙"))}}, false},
      {"ends with a page break", {{"word/document.xml", Document(Paragraph("甲") + "<w:p><w:r><w:br w:type=\"page\"/></w:r></w:p>")}}, false},
      {"ends with a table", {{"word/document.xml", Document(Paragraph("甲") + "<w:tbl><w:tr><w:tc>" + Paragraph("乙") + "</w:tc></w:tr></w:tbl>")}}, false},
      {"not a package", {{"word/document.xml", ""}}, false},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string why = WhyNotJoinable(Make(std::to_string(++n) + ".docx", c.changes));
    EXPECT_EQ(why.empty(), c.joinable) << c.what << ": " << why;
  }
}

TEST_F(PageBatchTest, JoinedRecordsGetSectionsPageRestartsAndListsOfTheirOwn) {
  const std::string a = Make("a.docx", {{"word/document.xml", Document(Paragraph("甲一", kListItem) + Paragraph("甲二"))}});
  const std::string other = Make("b.docx", {{"word/styles.xml", "<w:styles><w:docDefaults/></w:styles>"}});
  const std::string c = Make("c.docx", {{"word/document.xml", Document(Paragraph("丙一", kListItem) + Paragraph("丙二"))}});
  const fs::path out = dir_ / "joined.docx";
  const JoinedDocuments joined = JoinForPages({a, other, c}, out.string());
  // The record made from another template is left to be made alone.
  ASSERT_EQ(joined.members, (std::vector<std::size_t>{0, 2})) << joined.why;

  std::unique_ptr<ZipReader> zip = ZipReader::Open(out.string());
  pugi::xml_document doc, numbering;
  const std::string main = *zip->Read("word/document.xml");
  const std::string lists = *zip->Read("word/numbering.xml");
  ASSERT_TRUE(doc.load_string(main.c_str()));
  ASSERT_TRUE(numbering.load_string(lists.c_str()));
  // The first record's section ends with its last paragraph, the second's closes the body; both
  // start on a new page with page 1, and keep the template's footer.
  const pugi::xpath_node_set sections = doc.select_nodes("//w:sectPr");
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_STREQ(sections[0].node().parent().parent().child("w:r").child("w:t").text().get(), "甲二");
  for (const pugi::xpath_node& s : sections) {
    EXPECT_STREQ(s.node().child("w:type").attribute("w:val").value(), "nextPage");
    EXPECT_STREQ(s.node().child("w:pgNumType").attribute("w:start").value(), "1");
    EXPECT_TRUE(s.node().child("w:footerReference"));
  }
  // Each record starts with its mark.
  const pugi::xpath_node_set marks = doc.select_nodes("//w:bookmarkStart");
  ASSERT_EQ(marks.size(), 2u);
  EXPECT_EQ(marks[0].node().attribute("w:name").value(), RecordMark(0));
  EXPECT_EQ(marks[1].node().attribute("w:name").value(), RecordMark(1));
  EXPECT_STREQ(marks[1].node().next_sibling().next_sibling().child("w:t").text().get(), "丙一");
  // The second record's list is an instance of its own that starts at 1 again.
  const pugi::xpath_node_set ids = doc.select_nodes("//w:numId");
  ASSERT_EQ(ids.size(), 2u);
  EXPECT_STREQ(ids[0].node().attribute("w:val").value(), "1");
  const std::string second = ids[1].node().attribute("w:val").value();
  EXPECT_NE(second, "1");
  const pugi::xml_node num = numbering.child("w:numbering").find_child_by_attribute("w:num", "w:numId", second.c_str());
  ASSERT_TRUE(num);
  EXPECT_STREQ(num.child("w:abstractNumId").attribute("w:val").value(), "0");
  EXPECT_STREQ(num.child("w:lvlOverride").child("w:startOverride").attribute("w:val").value(), "1");

  // Nothing to join: nothing written.
  EXPECT_TRUE(JoinForPages({a}, (dir_ / "one.docx").string()).members.empty());
  EXPECT_TRUE(JoinForPages({a, other}, (dir_ / "two.docx").string()).members.empty());
  EXPECT_FALSE(fs::exists(dir_ / "one.docx"));
  EXPECT_FALSE(fs::exists(dir_ / "two.docx"));
}

}  // namespace
}  // namespace vexlo::engine
