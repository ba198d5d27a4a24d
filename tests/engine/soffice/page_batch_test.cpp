// Which records may be joined for one PDF export, and what the joined document gives each record:
// a section of its own on a new page, page numbers and list numbers starting again, a mark.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>

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
constexpr const char* kNoteReference = "<w:p><w:r><w:footnoteReference w:id=\"1\"/></w:r></w:p>";

// A notes part: the separator, and note 1 saying `text`.
std::string Notes(const std::string& text) {
  return std::string("<w:footnotes ") + kNs + "><w:footnote w:type=\"separator\" w:id=\"-1\"><w:p/></w:footnote>" +
         "<w:footnote w:id=\"1\">" + Paragraph(text) + "</w:footnote></w:footnotes>";
}

constexpr const char* kListItem = "<w:pPr><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"1\"/></w:numPr></w:pPr>";

// The start of each level of abstract list `id` in `numbering`.
std::map<std::string, std::string> Levels(const pugi::xml_document& numbering, const std::string& id) {
  std::map<std::string, std::string> starts;
  const pugi::xml_node abstract =
      numbering.child("w:numbering").find_child_by_attribute("w:abstractNum", "w:abstractNumId", id.c_str());
  for (pugi::xml_node level : abstract.children("w:lvl")) {
    starts[level.attribute("w:ilvl").value()] = level.child("w:start").attribute("w:val").value();
  }
  return starts;
}

// A table of contents as word processors write it: its field spanning paragraphs, each entry a
// link to a heading's _Toc bookmark holding a page reference to it; and the heading.
constexpr const char* kContents =
    "<w:p><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> TOC \\o \"1-3\" \\h \\z \\u </w:instrText></w:r>"
    "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:hyperlink w:anchor=\"_Toc1\" w:history=\"1\">"
    "<w:r><w:t>第一章</w:t></w:r><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> PAGEREF _Toc1 \\h </w:instrText></w:r>"
    "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>1</w:t></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:hyperlink></w:p>"
    "<w:p><w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>"
    "<w:p><w:bookmarkStart w:id=\"1\" w:name=\"_Toc1\"/><w:r><w:t>第一章</w:t></w:r><w:bookmarkEnd w:id=\"1\"/></w:p>";

// A paragraph holding a text form field named `name`, inside its bookmark of that name.
std::string FormText(const std::string& name) {
  return "<w:p><w:bookmarkStart w:id=\"7\" w:name=\"" + name + "\"/><w:r><w:fldChar w:fldCharType=\"begin\"><w:ffData>"
         "<w:name w:val=\"" + name + "\"/><w:enabled/><w:textInput/></w:ffData></w:fldChar></w:r>"
         "<w:r><w:instrText> FORMTEXT </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>"
         "<w:r><w:t>张三</w:t></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r><w:bookmarkEnd w:id=\"7\"/></w:p>";
}

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
  // Two sections; the last also names a footer of the kind `kind`, which the first one does not.
  const auto later_kind = [](const char* kind, const std::string& first_section_extra) {
    std::string doc = Document("<w:p><w:pPr><w:sectPr><w:footerReference w:type=\"default\" r:id=\"rId9\"/>" +
                               first_section_extra + "</w:sectPr></w:pPr></w:p>" + Paragraph("乙"));
    doc.insert(doc.rfind("<w:pgSz"), std::string("<w:footerReference w:type=\"") + kind + "\" r:id=\"rId9\"/>");
    return doc;
  };
  const std::vector<Case> cases = {
      {"plain", {}, true},
      {"page number and a numbered list", {{"word/footer1.xml", Footer(page_field)},
                                           {"word/document.xml", Document(Paragraph("一", kListItem))}}, true},
      // Each record is given its own count (and the document's dates are every record's).
      {"page count", {{"word/footer1.xml", Footer("<w:fldSimple w:instr=\" NUMPAGES \"/>")}}, true},
      {"dates of the document", {{"word/document.xml", Document("<w:p><w:fldSimple w:instr=\"CREATEDATE \\@ &quot;yyyy年M月d日&quot;\"/>"
                                                               "<w:fldSimple w:instr=\" savedate \"/><w:fldSimple w:instr=\"PRINTDATE\"/></w:p>")}}, true},
      {"sequence", {{"word/document.xml", Document("<w:p><w:fldSimple w:instr=\" SEQ 表 \"/></w:p>")}}, true},
      // References and captions' numbers are made each record's own, in the main text.
      {"cross reference", {{"word/document.xml", Document("<w:p><w:fldSimple w:instr=\"REF a\"/></w:p>")}}, true},
      {"page reference made a link", {{"word/document.xml", Document("<w:p><w:fldSimple w:instr=\"PAGEREF a \\h\"/></w:p>")}}, true},
      {"cross reference in the footer", {{"word/footer1.xml", Footer("<w:fldSimple w:instr=\"REF a\"/>")}}, false},
      // A table of contents shows the entries it holds; a text form field its text.
      {"table of contents", {{"word/document.xml", Document(kContents)}}, true},
      {"text form field", {{"word/document.xml", Document(FormText("Text1"))}}, true},
      {"check box form field", {{"word/document.xml", Document("<w:p><w:fldSimple w:instr=\" FORMCHECKBOX \"/></w:p>")}}, false},
      {"caption repeating the number before", {{"word/document.xml", Document("<w:p><w:fldSimple w:instr=\" SEQ 表 \\c \"/></w:p>")}}, false},
      {"footnote", {{"word/document.xml", Document(Paragraph("甲") + kNoteReference)}, {"word/footnotes.xml", Notes("注")}}, true},
      {"footnote without its part", {{"word/document.xml", Document(kNoteReference)}}, false},
      {"footnote numbered by letters", {{"word/document.xml", Document(Paragraph("甲") + kNoteReference)},
                                        {"word/footnotes.xml", Notes("注")},
                                        {"word/settings.xml", "<w:settings><w:footnotePr><w:numFmt w:val=\"lowerLetter\"/></w:footnotePr></w:settings>"}}, false},
      {"footnote numbers starting on each page", {{"word/document.xml", Document(Paragraph("甲") + kNoteReference)},
                                                  {"word/footnotes.xml", Notes("注")},
                                                  {"word/settings.xml", "<w:settings><w:footnotePr><w:numRestart w:val=\"eachPage\"/></w:footnotePr></w:settings>"}}, true},
      // The office draws the line above the notes in the section where it meets the first one.
      {"footnote in a later section only", {{"word/document.xml", Document("<w:p><w:pPr>" + std::string(kSection) + "</w:pPr></w:p>" + kNoteReference)},
                                            {"word/footnotes.xml", Notes("注")}}, false},
      {"endnote", {{"word/document.xml", Document("<w:p><w:r><w:endnoteReference w:id=\"1\"/></w:r></w:p>")}}, false},
      {"two sections", {{"word/document.xml", Document("<w:p><w:pPr>" + std::string(kSection) + "</w:pPr></w:p>" + Paragraph("乙"))}}, true},
      // It would show the footer of the record before.
      {"a first section without the footer", {{"word/document.xml", Document("<w:p><w:pPr><w:sectPr/></w:pPr></w:p>" + Paragraph("乙"))}}, false},
      // A first section without the later one's footer takes an empty one when joined, where its
      // page has the room.
      {"a first section without the footer, with room", {{"word/document.xml", Document("<w:p><w:pPr><w:sectPr><w:pgMar w:bottom=\"1440\" w:footer=\"992\"/></w:sectPr></w:pPr></w:p>" + Paragraph("乙"))}}, true},
      {"a first section without the footer, without room", {{"word/document.xml", Document("<w:p><w:pPr><w:sectPr><w:pgMar w:bottom=\"1000\" w:footer=\"992\"/></w:sectPr></w:pPr></w:p>" + Paragraph("乙"))}}, false},
      // A first page's or even pages' footer shows only where a section has a first page of its
      // own, or where the document tells odd from even pages.
      {"a later section's first page footer", {{"word/document.xml", later_kind("first", "")}}, true},
      {"a later section's first page footer, a first page in the first", {{"word/document.xml", later_kind("first", "<w:titlePg/>")}}, false},
      {"a later section's even pages' footer", {{"word/document.xml", later_kind("even", "")}}, true},
      {"a later section's even pages' footer, pages alternating", {{"word/document.xml", later_kind("even", "")},
                                                                   {"word/settings.xml", "<w:settings><w:evenAndOddHeaders w:val=\"true\"/></w:settings>"}}, false},
      {"different first page", {{"word/document.xml", Document(Paragraph("甲")).replace(Document(Paragraph("甲")).find("<w:cols"), 0, "<w:titlePg/>")}}, true},
      {"alternating headers", {{"word/settings.xml", "<w:settings><w:evenAndOddHeaders/></w:settings>"}}, true},
      {"numbering by style", {{"word/styles.xml", "<w:styles><w:style><w:pPr><w:numPr/></w:pPr></w:style></w:styles>"}}, true},
      {"starts with a page break", {{"word/document.xml", Document(Paragraph("甲", "<w:pPr><w:pageBreakBefore/></w:pPr>") + Paragraph("乙"))}}, false},
      {"ends with a page break", {{"word/document.xml", Document(Paragraph("甲") + "<w:p><w:r><w:br w:type=\"page\"/></w:r></w:p>")}}, false},
      {"ends with a table", {{"word/document.xml", Document(Paragraph("甲") + "<w:tbl><w:tr><w:tc>" + Paragraph("乙") + "</w:tc></w:tr></w:tbl>")}}, false},
      {"not a package", {{"word/document.xml", ""}}, false},
  };
  int n = 0;
  for (const Case& c : cases) {
    const Status joinable = CheckJoinable(Make(std::to_string(++n) + ".docx", c.changes));
    EXPECT_EQ(joinable.ok(), c.joinable) << c.what << ": " << joinable.message();
  }
}

// Records that show the page count, in the text or a footer, go to the export marked, so that it
// gives each record its own count.
TEST_F(PageBatchTest, RecordsShowingThePageCountAreMarked) {
  const std::string plain = Make("plain.docx", {});
  const std::string in_footer = Make("footer.docx", {{"word/footer1.xml", Footer("<w:fldSimple w:instr=\" SECTIONPAGES \\* ROMAN \"/>")}});
  const std::string in_text = Make("text.docx", {{"word/document.xml", Document("<w:p><w:fldSimple w:instr=\" numpages \"/></w:p>")}});
  const std::string out = (dir_ / "joined.docx").string();
  EXPECT_FALSE(JoinForPages({plain, plain}, out).page_counts);
  EXPECT_TRUE(JoinForPages({in_footer, in_footer}, out).page_counts);
  EXPECT_TRUE(JoinForPages({in_text, in_text}, out).page_counts);
}

// When the records are expected to take a known number of pages, the page counts shown in
// arabic numerals (an instruction split over runs, a simple field, in a footer and the text) are
// written in as a field the office keeps as written; a roman count, a section numbering its pages
// in Chinese, a count with no result to write into, or one whose name a switch follows without a
// space leave every part for the office to count.
TEST_F(PageBatchTest, ExpectedPageCountsAreWrittenIntoTheJoinedDocument) {
  const std::string split_field =
      "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> NUMPAGES</w:instrText></w:r>"
      "<w:r><w:instrText xml:space=\"preserve\"> \\* MERGEFORMAT </w:instrText></w:r>"
      "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>9</w:t></w:r><w:r><w:t>9</w:t></w:r>"
      "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
  const std::string arabic = Make("arabic.docx", {
      {"word/footer1.xml", Footer(split_field)},
      {"word/document.xml", Document("<w:p><w:fldSimple w:instr=\" sectionpages \\* Arabic \"><w:r><w:t>9</w:t></w:r></w:fldSimple>"
                                     "<w:fldSimple w:instr=\" PAGE \"><w:r><w:t>1</w:t></w:r></w:fldSimple></w:p>")}});
  const fs::path out = dir_ / "joined.docx";
  const JoinedDocuments written = JoinForPages({arabic, arabic}, out.string(), false, 3);
  ASSERT_EQ(written.members.size(), 2u);
  EXPECT_EQ(written.pages_shown, 3);
  const auto zip = ZipReader::Open(out.string());
  std::string all = *zip->Read("word/document.xml");
  for (const std::string& name : zip->names()) {
    if (name.starts_with("word/footer")) all += *zip->Read(name);
  }
  EXPECT_EQ(all.find("PAGES "), std::string::npos) << all;
  EXPECT_NE(all.find("<w:instrText> DOCPROPERTY vexlopages \\* MERGEFORMAT </w:instrText></w:r><w:r><w:instrText xml:space=\"preserve\"></w:instrText>"), std::string::npos) << all;
  EXPECT_NE(all.find("<w:t>3</w:t></w:r><w:r><w:t></w:t>"), std::string::npos) << all;
  EXPECT_NE(all.find("w:instr=\" DOCPROPERTY vexlopages \"><w:r><w:t>3</w:t>"), std::string::npos) << all;
  EXPECT_NE(all.find("w:instr=\" PAGE \"><w:r><w:t>1</w:t>"), std::string::npos) << all;  // not a count
  // Not known: the office counts.
  EXPECT_EQ(JoinForPages({arabic, arabic}, out.string(), false, 0).pages_shown, 0);

  const std::string chinese_pages = Document(Paragraph("甲")).replace(
      Document(Paragraph("甲")).find("<w:cols"), 0, "<w:pgNumType w:fmt=\"chineseCounting\"/>");
  const std::map<std::string, std::map<std::string, std::string>> kept = {
      {"roman", {{"word/footer1.xml", Footer(split_field)},
                 {"word/document.xml", Document("<w:p><w:fldSimple w:instr=\" NUMPAGES \\* ROMAN \"><w:r><w:t>IX</w:t></w:r></w:fldSimple></w:p>")}}},
      {"chinese", {{"word/footer1.xml", Footer(split_field)}, {"word/document.xml", chinese_pages}}},
      {"no result", {{"word/footer1.xml", Footer("<w:fldSimple w:instr=\" NUMPAGES \"/>")}}},
      {"switch against the name", {{"word/footer1.xml", Footer("<w:fldSimple w:instr=\" NUMPAGES\\* Arabic \"><w:r><w:t>9</w:t></w:r></w:fldSimple>")}}},
  };
  for (const auto& [what, changes] : kept) {
    const std::string path = Make(what + ".docx", changes);
    const JoinedDocuments joined = JoinForPages({path, path}, out.string(), false, 3);
    ASSERT_EQ(joined.members.size(), 2u) << what;
    EXPECT_EQ(joined.pages_shown, 0) << what;
    const auto parts = ZipReader::Open(out.string());
    std::string text = *parts->Read("word/document.xml");
    for (const std::string& name : parts->names()) {
      if (name.starts_with("word/footer")) text += *parts->Read(name);
    }
    EXPECT_EQ(text.find("vexlopages"), std::string::npos) << what;
  }
}

// A later record's bookmarks, the references and links to them (an instruction split over runs
// too) take the record's own names, and its first caption of each sequence starts again.
TEST_F(PageBatchTest, JoinedRecordsReferToTheirOwnBookmarks) {
  const std::string body =
      "<w:p><w:bookmarkStart w:id=\"1\" w:name=\"end\"/><w:r><w:t>甲</w:t></w:r><w:bookmarkEnd w:id=\"1\"/>"
      "<w:hyperlink w:anchor=\"end\"><w:r><w:t>链</w:t></w:r></w:hyperlink><w:hyperlink w:anchor=\"elsewhere\"/></w:p>"
      "<w:p><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> PAGE</w:instrText></w:r>"
      "<w:r><w:instrText>REF end </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r>"
      "<w:fldSimple w:instr=\" SEQ 表 \"/><w:fldSimple w:instr=\" SEQ 表 \"/><w:fldSimple w:instr=\" SEQ 图 \\r 5\"/></w:p>";
  const std::string a = Make("a.docx", {{"word/document.xml", Document(body)}});
  const fs::path out = dir_ / "joined.docx";
  ASSERT_EQ(JoinForPages({a, a}, out.string()).members.size(), 2u);
  const std::string main = *ZipReader::Open(out.string())->Read("word/document.xml");
  const auto count = [&main](const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = main.find(what); at != std::string::npos; at = main.find(what, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("w:name=\"end\""), 1u);
  EXPECT_EQ(count("w:name=\"end_vx1\""), 1u);
  EXPECT_EQ(count("w:anchor=\"end_vx1\""), 1u);
  EXPECT_EQ(count("w:anchor=\"elsewhere\""), 2u);  // no bookmark of the record: left as it is
  EXPECT_EQ(count("<w:instrText> PAGEREF \"end_vx1\" </w:instrText></w:r><w:r><w:instrText></w:instrText>"), 1u) << main;
  EXPECT_EQ(count("w:instr=\" SEQ 表  \\r 1 \""), 1u) << main;  // the record's first caption only
  EXPECT_EQ(count("w:instr=\" SEQ 表 \""), 3u);
  EXPECT_EQ(count("w:instr=\" SEQ 图 \\r 5\""), 2u);
}

// A later record's table of contents links to its own headings and refers to their pages, and
// its form fields are named as their renamed bookmarks: nothing of it points at the first
// record's.
TEST_F(PageBatchTest, JoinedRecordsContentsAndFormFieldsAreTheirOwn) {
  const std::string a = Make("a.docx", {{"word/document.xml", Document(kContents + FormText("Text1"))}});
  const fs::path out = dir_ / "joined.docx";
  ASSERT_EQ(JoinForPages({a, a, a}, out.string()).members.size(), 3u);
  const std::string main = *ZipReader::Open(out.string())->Read("word/document.xml");
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(main.c_str()));
  const auto values = [&doc](const char* query) {
    std::vector<std::string> found;
    for (pugi::xpath_node n : doc.select_nodes(query)) found.push_back(n.attribute().value());
    return found;
  };
  using Names = std::vector<std::string>;
  EXPECT_EQ(values("//w:hyperlink/@w:anchor"), (Names{"_Toc1", "_Toc1_vx1", "_Toc1_vx2"}));
  EXPECT_EQ(values("//w:bookmarkStart[starts-with(@w:name, '_Toc')]/@w:name"), (Names{"_Toc1", "_Toc1_vx1", "_Toc1_vx2"}));
  EXPECT_EQ(values("//w:ffData/w:name/@w:val"), (Names{"Text1", "Text1_vx1", "Text1_vx2"}));
  EXPECT_EQ(values("//w:bookmarkStart[starts-with(@w:name, 'Text')]/@w:name"), (Names{"Text1", "Text1_vx1", "Text1_vx2"}));
  std::vector<std::string> page_references;
  for (pugi::xpath_node t : doc.select_nodes("//w:instrText[contains(., 'PAGEREF')]")) page_references.push_back(t.node().text().get());
  EXPECT_EQ(page_references, (Names{" PAGEREF _Toc1 \\h ", " PAGEREF \"_Toc1_vx1\" \\h ", " PAGEREF \"_Toc1_vx2\" \\h "}));
}

TEST_F(PageBatchTest, JoinedRecordsGetSectionsPageRestartsAndListsOfTheirOwn) {
  const std::string a = Make("a.docx", {{"word/document.xml", Document(Paragraph("甲一", kListItem) + Paragraph("甲二"))}});
  const std::string other = Make("b.docx", {{"word/styles.xml", "<w:styles><w:docDefaults/></w:styles>"}});
  const std::string c = Make("c.docx", {{"word/document.xml", Document(Paragraph("丙一", kListItem) + Paragraph("丙二"))}});
  const fs::path out = dir_ / "joined.docx";
  const JoinedDocuments joined = JoinForPages({a, other, c}, out.string());
  // The record made from another template is left to be made alone.
  ASSERT_EQ(joined.members, (std::vector<std::size_t>{0, 2})) << joined.refused.message();

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
  const std::string abstract = num.child("w:abstractNumId").attribute("w:val").value();
  EXPECT_NE(abstract, "0");  // a list of its own, with the template's levels
  EXPECT_EQ(Levels(numbering, abstract), (std::map<std::string, std::string>{{"0", "1"}}));

  // Records to be shown through a .doc are joined with their lists, unless paragraphs of two
  // styles number on one list (once through a .doc, the office may start it again at the second
  // style's paragraphs).
  EXPECT_EQ(JoinForPages({a, c}, (dir_ / "doc.docx").string(), true).members.size(), 2u);
  const std::string two_styles = Document(Paragraph("一", kListItem) +
      Paragraph("二", "<w:pPr><w:pStyle w:val=\"Other\"/><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"1\"/></w:numPr></w:pPr>"));
  const std::string d = Make("d.docx", {{"word/document.xml", two_styles}});
  const std::string e = Make("e.docx", {{"word/document.xml", two_styles}});
  EXPECT_TRUE(JoinForPages({d, e}, (dir_ / "doc.docx").string(), true).members.empty());
  EXPECT_EQ(JoinForPages({d, e}, (dir_ / "docx.docx").string()).members.size(), 2u);
  // Records that start with a table: the .doc keeps no page break before it, they would run on
  // into each other. Nor is a record joined whose text starts so while the first's does not.
  const std::string table = Document("<w:tbl><w:tr><w:tc>" + Paragraph("格") + "</w:tc></w:tr></w:tbl>" + Paragraph("后"));
  const std::string f = Make("f.docx", {{"word/document.xml", table}});
  const std::string g = Make("g.docx", {{"word/document.xml", table}});
  const JoinedDocuments tables = JoinForPages({f, g}, (dir_ / "doc.docx").string(), true);
  EXPECT_TRUE(tables.members.empty());
  EXPECT_FALSE(tables.refused.ok());
  EXPECT_EQ(JoinForPages({a, f, c}, (dir_ / "doc.docx").string(), true).members, (std::vector<std::size_t>{0, 2}));
  // In the .docx each record's table starts its page, marked in its first cell.
  ASSERT_EQ(JoinForPages({f, g}, (dir_ / "docx.docx").string()).members.size(), 2u);
  const std::string joined_xml = *ZipReader::Open((dir_ / "docx.docx").string())->Read("word/document.xml");
  pugi::xml_document joined_doc;
  ASSERT_TRUE(joined_doc.load_string(joined_xml.c_str()));
  EXPECT_EQ(joined_doc.select_nodes("//w:tc//w:bookmarkStart").size(), 2u);

  // Nothing to join: nothing written.
  EXPECT_TRUE(JoinForPages({a}, (dir_ / "one.docx").string()).members.empty());
  EXPECT_TRUE(JoinForPages({a, other}, (dir_ / "two.docx").string()).members.empty());
  EXPECT_FALSE(fs::exists(dir_ / "one.docx"));
  EXPECT_FALSE(fs::exists(dir_ / "two.docx"));
}

// A style that numbers its paragraphs (itself, or through the style it is based on), and a list
// tied to a numbering style: the second record's paragraphs name an instance of their own that
// starts again, with the levels of the list the numbering style names.
TEST_F(PageBatchTest, ListsNumberedThroughStylesStartAgainInEveryRecord) {
  const std::string styles =
      "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
      "<w:style w:type=\"paragraph\" w:styleId=\"H1\"><w:pPr><w:numPr><w:ilvl w:val=\"1\"/><w:numId w:val=\"1\"/></w:numPr></w:pPr></w:style>"
      "<w:style w:type=\"paragraph\" w:styleId=\"H1b\"><w:basedOn w:val=\"H1\"/></w:style>"
      "<w:style w:type=\"paragraph\" w:styleId=\"Plain\"/>"
      "<w:style w:type=\"paragraph\" w:styleId=\"Linked\"><w:pPr><w:numPr><w:numId w:val=\"2\"/></w:numPr></w:pPr></w:style>"
      "<w:style w:type=\"numbering\" w:styleId=\"Outline\"><w:pPr><w:numPr><w:numId w:val=\"1\"/></w:numPr></w:pPr></w:style></w:styles>";
  const std::string numbering =
      "<w:numbering xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
      "<w:abstractNum w:abstractNumId=\"0\"><w:styleLink w:val=\"Outline\"/><w:lvl w:ilvl=\"0\"><w:start w:val=\"3\"/></w:lvl>"
      "<w:lvl w:ilvl=\"1\"><w:start w:val=\"5\"/></w:lvl></w:abstractNum>"
      "<w:abstractNum w:abstractNumId=\"1\"><w:numStyleLink w:val=\"Outline\"/></w:abstractNum>"
      "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num><w:num w:numId=\"2\"><w:abstractNumId w:val=\"1\"/></w:num></w:numbering>";
  const std::string body = Paragraph("一", "<w:pPr><w:pStyle w:val=\"H1b\"/></w:pPr>") +
                           Paragraph("二", "<w:pPr><w:pStyle w:val=\"Plain\"/></w:pPr>") +
                           Paragraph("三", "<w:pPr><w:pStyle w:val=\"Linked\"/></w:pPr>") + Paragraph("完");
  std::vector<std::string> sources;
  for (const char* name : {"a.docx", "b.docx"}) {
    sources.push_back(Make(name, {{"word/document.xml", Document(body)}, {"word/styles.xml", styles}, {"word/numbering.xml", numbering}}));
  }
  const fs::path out = dir_ / "joined.docx";
  ASSERT_EQ(JoinForPages(sources, out.string()).members.size(), 2u);
  std::unique_ptr<ZipReader> zip = ZipReader::Open(out.string());
  pugi::xml_document doc, lists;
  ASSERT_TRUE(doc.load_string(zip->Read("word/document.xml")->c_str()));
  ASSERT_TRUE(lists.load_string(zip->Read("word/numbering.xml")->c_str()));
  const pugi::xpath_node_set numbered = doc.select_nodes("//w:p[w:pPr/w:numPr]");
  // The first record keeps numbering through its styles; the second names its own instances.
  ASSERT_EQ(numbered.size(), 2u);
  const auto id_level = [](pugi::xml_node p) {
    const pugi::xml_node n = p.child("w:pPr").child("w:numPr");
    return std::make_pair(std::string(n.child("w:numId").attribute("w:val").value()),
                          std::string(n.child("w:ilvl").attribute("w:val").value()));
  };
  const auto [heading_id, heading_level] = id_level(numbered[0].node());
  const auto [linked_id, linked_level] = id_level(numbered[1].node());
  EXPECT_EQ(heading_level, "1");
  EXPECT_EQ(linked_level, "0");
  EXPECT_NE(heading_id, "1");
  EXPECT_NE(linked_id, heading_id);
  // Both number with one copy of the levels the numbering style names, tied to no style.
  std::set<std::string> abstracts;
  for (const std::string& id : {heading_id, linked_id}) {
    const pugi::xml_node num = lists.child("w:numbering").find_child_by_attribute("w:num", "w:numId", id.c_str());
    ASSERT_TRUE(num) << id;
    abstracts.insert(num.child("w:abstractNumId").attribute("w:val").value());
  }
  ASSERT_EQ(abstracts.size(), 1u);
  const std::string abstract = *abstracts.begin();
  EXPECT_NE(abstract, "0");
  EXPECT_EQ(Levels(lists, abstract), (std::map<std::string, std::string>{{"0", "3"}, {"1", "5"}}));
  const pugi::xml_node copy = lists.child("w:numbering").find_child_by_attribute("w:abstractNum", "w:abstractNumId", abstract.c_str());
  EXPECT_FALSE(copy.child("w:styleLink") || copy.child("w:numStyleLink"));
}

// A footer holding a value: the second record's sections name a copy of its own footer, under a
// new name and relationship; the first record's keep the template's. A record whose footer part
// the package does not describe is left to be made alone.
TEST_F(PageBatchTest, RecordsWhoseFootersHoldValuesGetFootersOfTheirOwn) {
  const std::string types =
      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Override PartName=\"/word/footer1.xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.footer+xml\"/></Types>";
  const std::string relations =
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId9\" "
      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/footer\" Target=\"footer1.xml\"/></Relationships>";
  const auto make = [&](const char* name, const char* value, const std::string& content_types) {
    return Make(name, {{"[Content_Types].xml", content_types}, {"word/_rels/document.xml.rels", relations},
                       {"word/footer1.xml", Footer(std::string("<w:r><w:t>") + value + "</w:t></w:r>")}});
  };
  const std::string a = make("a.docx", "张三", types), b = make("b.docx", "李四", types),
                    undescribed = make("c.docx", "王五", "<Types/>");
  const fs::path out = dir_ / "joined.docx";
  ASSERT_EQ(JoinForPages({a, undescribed, b}, out.string()).members, (std::vector<std::size_t>{0, 2}));
  std::unique_ptr<ZipReader> zip = ZipReader::Open(out.string());
  pugi::xml_document doc, rels, content;
  ASSERT_TRUE(doc.load_string(zip->Read("word/document.xml")->c_str()));
  ASSERT_TRUE(rels.load_string(zip->Read("word/_rels/document.xml.rels")->c_str()));
  ASSERT_TRUE(content.load_string(zip->Read("[Content_Types].xml")->c_str()));
  const pugi::xpath_node_set refs = doc.select_nodes("//w:footerReference");
  ASSERT_EQ(refs.size(), 2u);
  EXPECT_STREQ(refs[0].node().attribute("r:id").value(), "rId9");
  const std::string own_id = refs[1].node().attribute("r:id").value();
  const pugi::xml_node own = rels.child("Relationships").find_child_by_attribute("Relationship", "Id", own_id.c_str());
  ASSERT_TRUE(own) << own_id;
  const std::string target = own.attribute("Target").value();
  EXPECT_NE(target, "footer1.xml");
  EXPECT_NE(zip->Read("word/" + target)->find("李四"), std::string::npos);
  EXPECT_NE(zip->Read("word/footer1.xml")->find("张三"), std::string::npos);
  EXPECT_TRUE(content.child("Types").find_child_by_attribute("Override", "PartName", ("/word/" + target).c_str()));
}

// Each record's footnotes come along under ids of their own, and every record's after the first
// are labelled with the numbers they have alone (the office numbers on through the document).
TEST_F(PageBatchTest, RecordsKeepTheirOwnFootnotesNumberedFromOne) {
  const std::string two_notes = Document(Paragraph("甲") + "<w:p><w:r><w:footnoteReference w:id=\"1\"/></w:r>"
                                        "<w:r><w:footnoteReference w:id=\"2\"/></w:r></w:p>");
  const auto make = [&](const char* name, const std::string& value) {
    std::string notes = Notes(value + "一");
    notes.insert(notes.rfind("</w:footnotes>"), "<w:footnote w:id=\"2\">" + Paragraph(value + "二") + "</w:footnote>");
    return Make(name, {{"word/document.xml", two_notes}, {"word/footnotes.xml", notes}});
  };
  const std::string a = make("a.docx", "张三"), b = make("b.docx", "李四"), c = make("c.docx", "王五");
  const fs::path out = dir_ / "joined.docx";
  const JoinedDocuments joined = JoinForPages({a, b, c}, out.string());
  ASSERT_EQ(joined.members.size(), 3u) << joined.refused.message();
  EXPECT_TRUE(joined.footnotes);
  EXPECT_EQ(joined.note_labels, (std::vector<std::string>{"", "", "1", "2", "1", "2"}));

  std::unique_ptr<ZipReader> zip = ZipReader::Open(out.string());
  pugi::xml_document doc, notes;
  ASSERT_TRUE(doc.load_string(zip->Read("word/document.xml")->c_str()));
  ASSERT_TRUE(notes.load_string(zip->Read("word/footnotes.xml")->c_str()));
  std::vector<std::string> texts;
  for (pugi::xpath_node r : doc.select_nodes("//w:footnoteReference")) {
    const std::string id = r.node().attribute("w:id").value();
    const pugi::xml_node note = notes.child("w:footnotes").find_child_by_attribute("w:footnote", "w:id", id.c_str());
    ASSERT_TRUE(note) << id;
    texts.push_back(note.select_node(".//w:t").node().text().get());
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"张三一", "张三二", "李四一", "李四二", "王五一", "王五二"}));
  EXPECT_TRUE(notes.child("w:footnotes").find_child_by_attribute("w:footnote", "w:type", "separator"));
}

// Two instances of one list that change none of its levels number on from each other within a
// record ("A)" then "B)"): the second record gets one instance for both, not two that each start
// again.
TEST_F(PageBatchTest, InstancesThatNumberOnStayOneListInEveryRecord) {
  const std::string numbering =
      "<w:numbering xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
      "<w:abstractNum w:abstractNumId=\"0\"><w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/></w:lvl></w:abstractNum>"
      "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num><w:num w:numId=\"2\"><w:abstractNumId w:val=\"0\"/></w:num>"
      "<w:num w:numId=\"3\"><w:abstractNumId w:val=\"0\"/><w:lvlOverride w:ilvl=\"0\"><w:startOverride w:val=\"1\"/></w:lvlOverride></w:num>"
      "</w:numbering>";
  const auto item = [](int num) {
    return Paragraph("项", "<w:pPr><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"" + std::to_string(num) + "\"/></w:numPr></w:pPr>");
  };
  const std::string body = item(1) + item(2) + item(3) + Paragraph("完");
  const std::string a = Make("a.docx", {{"word/document.xml", Document(body)}, {"word/numbering.xml", numbering}});
  const std::string b = Make("b.docx", {{"word/document.xml", Document(body)}, {"word/numbering.xml", numbering}});
  const fs::path out = dir_ / "joined.docx";
  ASSERT_EQ(JoinForPages({a, b}, out.string()).members.size(), 2u);
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(ZipReader::Open(out.string())->Read("word/document.xml")->c_str()));
  std::vector<std::string> ids;
  for (pugi::xpath_node n : doc.select_nodes("//w:numId")) ids.push_back(n.node().attribute("w:val").value());
  ASSERT_EQ(ids.size(), 6u);
  EXPECT_EQ(ids[3], ids[4]);  // numbering on from each other, as 1 and 2 do in the first record
  EXPECT_NE(ids[3], "1");
  EXPECT_NE(ids[5], ids[3]);  // the instance that starts again stays one of its own
  EXPECT_NE(ids[5], "3");
}

// Two sections a record: only the first starts a new page at page 1; the second keeps its own
// properties; the first record's sections come before the second's.
TEST_F(PageBatchTest, EveryRecordsFirstSectionStartsItsPagesAgain) {
  const std::string inner = "<w:sectPr><w:footerReference w:type=\"default\" r:id=\"rId9\"/><w:type w:val=\"continuous\"/></w:sectPr>";
  const std::string body = "<w:p><w:pPr>" + inner + "</w:pPr><w:r><w:t>节一</w:t></w:r></w:p>" + Paragraph("节二");
  const std::string a = Make("a.docx", {{"word/document.xml", Document(body)}});
  const std::string b = Make("b.docx", {{"word/document.xml", Document(body)}});
  const fs::path out = dir_ / "joined.docx";
  ASSERT_EQ(JoinForPages({a, b}, out.string()).members.size(), 2u);
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(ZipReader::Open(out.string())->Read("word/document.xml")->c_str()));
  const pugi::xpath_node_set sections = doc.select_nodes("//w:sectPr");
  ASSERT_EQ(sections.size(), 4u);
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const pugi::xml_node s = sections[i].node();
    const bool first = i % 2 == 0;
    EXPECT_STREQ(s.child("w:type").attribute("w:val").value(), first ? "nextPage" : "") << i;
    EXPECT_EQ(std::string(s.child("w:pgNumType").attribute("w:start").value()), first ? "1" : "") << i;
    EXPECT_TRUE(s.child("w:footerReference")) << i;
  }
}

// A record whose first section shows no footer where its second does: from the second record on,
// that first section names an empty footer of the package's own instead of taking the footer the
// record before ends with.
TEST_F(PageBatchTest, AFirstSectionWithoutTheFooterNamesAnEmptyOneWhenJoined) {
  const std::string body = "<w:p><w:pPr><w:sectPr><w:pgMar w:bottom=\"1440\" w:footer=\"992\"/></w:sectPr></w:pPr>"
                           "<w:r><w:t>封面</w:t></w:r></w:p>" + Paragraph("正文");
  const std::map<std::string, std::string> parts = {
      {"word/document.xml", Document(body)},
      {"word/_rels/document.xml.rels", "<Relationships><Relationship Id=\"rId9\" Target=\"footer1.xml\"/></Relationships>"},
      {"[Content_Types].xml", "<Types><Override PartName=\"/word/footer1.xml\"/></Types>"}};
  const std::string a = Make("a.docx", parts), b = Make("b.docx", parts);
  const fs::path out = dir_ / "joined.docx";
  ASSERT_EQ(JoinForPages({a, b}, out.string()).members.size(), 2u);
  std::unique_ptr<ZipReader> zip = ZipReader::Open(out.string());
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(zip->Read("word/document.xml")->c_str()));
  const pugi::xpath_node_set sections = doc.select_nodes("//w:sectPr");
  ASSERT_EQ(sections.size(), 4u);
  EXPECT_FALSE(sections[0].node().child("w:footerReference"));  // the document's first: nothing to take
  const pugi::xml_node empty = sections[2].node().child("w:footerReference");
  ASSERT_TRUE(empty);
  const std::string id = empty.attribute("r:id").value();
  const std::string relations = *zip->Read("word/_rels/document.xml.rels");
  EXPECT_NE(relations.find("Id=\"" + id + "\""), std::string::npos) << relations;
  EXPECT_NE(zip->Read("[Content_Types].xml")->find("/word/vexlo-empty-footer.xml"), std::string::npos);
  EXPECT_NE(zip->Read("word/vexlo-empty-footer.xml")->find("<w:ftr"), std::string::npos);
  for (int i : {1, 3}) EXPECT_STREQ(sections[i].node().child("w:footerReference").attribute("r:id").value(), "rId9");
}

}  // namespace
}  // namespace vexlo::engine
