#include "tests/engine/oracle/oracle_cases.h"

#include "app/runtime_error.h"
#include "office/engine/package/atomic_file.h"
#include "tools/word_corpus/word_package.h"

namespace vexlo::oracle {

namespace fs = std::filesystem;
using namespace vexlo::corpus;

namespace {

const std::vector<std::string> kTitles = {"姓名", "部门", "金额", "备注"};
const std::string kLongName = "欧阳" + std::string(24, 'x') + "娜娜娜娜娜娜娜娜娜娜";

// Values that push every edit of a kept document to its limits: emptied first, then far longer,
// shorter, of another script, outside the basic plane, back to empty.
const std::vector<std::vector<std::string>> kRecords = {
    {"张三", "销售部", "", ""},
    {"李四", "技术部", "4791.95", "加急"},
    {kLongName, "R&D 研发（一）部", "91.95", "Mixed 混合 text 𠮷"},
    {"赵", "", "123456789.00", "短"},
    {"Zhang San", "部", "7", "x"}};

// Titles as runs of their own with formatting, beside plain text, two formatted runs touching,
// titles inside one longer run, a paragraph that is a value alone.
Template Formats() {
  Template t;
  t.name = "formats";
  const std::string red = "<w:color w:val=\"FF0000\"/>";
  t.body = P(R("姓名：") + R("姓名", "<w:b/>") + R("  部门：") + R("部门", "<w:u w:val=\"single\"/>")) +
           P(R("金额：") + R("金额", red) + R(" 元")) +
           P(R("备注：") + R("备注", "<w:b/><w:color w:val=\"0000FF\"/>")) +
           P(R("姓名", "<w:i/>") + R("部门", "<w:b/>" + red)) +
           P(R("合计 金额 元，经办 姓名，备注 完")) +
           P(R("金额", red + "<w:sz w:val=\"32\"/>")) +
           P(R("Latin 姓名", "<w:rFonts w:ascii=\"DejaVu Sans\" w:hAnsi=\"DejaVu Sans\"/><w:b/>") + R(" 尾"));
  return t;
}

// A table whose cells hold values, one of them gaining lines.
Template Cells() {
  Template t;
  t.name = "cells";
  t.body = P(R("明细：")) + Tbl(Tr(P(R("姓名")), P(R("部门", "<w:b/>"))) + Tr(P(R("金额：") + R("金额", "<w:color w:val=\"C00000\"/>")), P(R("备注")))) +
           P(R("表后 姓名"));
  return t;
}

// Headings numbered through their style, a list through a paragraph style, two sections, pictures
// in the body and the header.
Template Structure() {
  Template t;
  t.name = "structure";
  t.picture = true;
  t.header = P(Picture(10, "rId8") + R("页眉"));
  t.styles =
      "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/><w:basedOn w:val=\"Normal\"/>"
      "<w:qFormat/><w:pPr><w:keepNext/><w:numPr><w:numId w:val=\"1\"/></w:numPr><w:outlineLvl w:val=\"0\"/></w:pPr>"
      "<w:rPr><w:b/><w:sz w:val=\"32\"/></w:rPr></w:style>"
      "<w:style w:type=\"paragraph\" w:styleId=\"ListItem\"><w:name w:val=\"list item\"/><w:basedOn w:val=\"Normal\"/>"
      "<w:pPr><w:numPr><w:numId w:val=\"2\"/></w:numPr></w:pPr></w:style>";
  t.numbering = "<w:abstractNum w:abstractNumId=\"0\"><w:multiLevelType w:val=\"singleLevel\"/>" +
                Level(0, 1, "decimal", "第%1章") + "</w:abstractNum>"
                "<w:abstractNum w:abstractNumId=\"1\"><w:multiLevelType w:val=\"singleLevel\"/>" +
                Level(0, 1, "decimal", "%1.") + "</w:abstractNum>"
                "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num>"
                "<w:num w:numId=\"2\"><w:abstractNumId w:val=\"1\"/></w:num>";
  const auto style = [](const char* id) { return std::string("<w:pStyle w:val=\"") + id + "\"/>"; };
  t.body = P(R("概述 姓名"), style("Heading1")) + P(R("姓名 所在 部门 的说明。")) +
           P(R("项目 金额"), style("ListItem")) + P(R("项目 备注"), style("ListItem")) +
           P(R("照片：") + Picture(1, "rId8") + R(" 姓名")) +
           P(R("第一节完 部门"), SectionEnd()) +
           P(R("细则 部门"), style("Heading1")) + P(R("条目 金额"), style("ListItem")) + P(R("结束 备注"));
  return t;
}

// A field as word processors write it (begin, instruction, separator, the result `shown`, end),
// each of its runs formatted by `rpr`.
std::string Field(const std::string& instruction, const std::string& shown, const std::string& rpr = "") {
  const std::string props = rpr.empty() ? "" : "<w:rPr>" + rpr + "</w:rPr>";
  const auto mark = [&](const char* type) { return "<w:r>" + props + "<w:fldChar w:fldCharType=\"" + type + "\"/></w:r>"; };
  return mark("begin") + "<w:r>" + props + "<w:instrText xml:space=\"preserve\">" + instruction + "</w:instrText></w:r>" +
         mark("separate") + R(shown, rpr) + mark("end");
}

const std::string kPageField = Field(" PAGE ", "1");

// The structure above with its header and a page-numbered footer on both sections.
Template Sections() {
  Template t = Structure();
  t.name = "sections";
  t.footer = P(R("第 ") + kPageField + R(" 页"));
  std::string first_end = SectionEnd();
  first_end.insert(std::string("<w:sectPr>").size(),
                   "<w:headerReference w:type=\"default\" r:id=\"rId6\"/><w:footerReference w:type=\"default\" r:id=\"rId7\"/>");
  const std::size_t at = t.body.find(SectionEnd());
  t.body.replace(at, SectionEnd().size(), first_end);
  return t;
}

// The sections above, the second with a first page of its own whose header only it names (and
// holds a value): the first section, without a first page of its own, never shows it.
Template FirstPage() {
  Template t = Sections();
  t.name = "first-page";
  t.first_header = P(R("首页页眉 部门"));
  return t;
}

// A header and a footer that hold values, one of them beside a picture.
Template HeaderValues() {
  Template t = Cells();
  t.name = "header-values";
  t.picture = true;
  t.header = P(Picture(10, "rId8") + R("页眉 姓名"));
  t.footer = P(R("部门 第 ") + kPageField + R(" 页"));
  return t;
}

// Headers alternating between odd and even pages, one of them holding a value; records of one,
// two and three pages, so that a record may start on either side after the one before.
Template OddEven() {
  Template t = HeaderValues();
  t.name = "odd-even";
  t.even_header = P(R("偶数页 部门"));
  return t;
}

std::string NoteReference(int id) {
  return "<w:r><w:rPr><w:rStyle w:val=\"FootnoteReference\"/></w:rPr><w:footnoteReference w:id=\"" + std::to_string(id) + "\"/></w:r>";
}

// Footnote 1 holding a value and footnote 2 plain.
std::string TwoNotes() {
  const auto note = [](int id, const std::string& text) {
    return "<w:footnote w:id=\"" + std::to_string(id) + "\"><w:p><w:r><w:rPr><w:rStyle w:val=\"FootnoteReference\"/></w:rPr>"
           "<w:footnoteRef/></w:r>" + R(" " + text) + "</w:p></w:footnote>";
  };
  return note(1, "本人 姓名 确认。") + note(2, "按月发放。");
}

// Footnotes numbered 1 and 2 in every record, on its first and second page, one of them on a
// value and one holding a value (the office numbers notes on through a joined document: each
// record's are labelled).
Template Footnotes() {
  Template t = Cells();
  t.name = "footnotes";
  t.body = P(R("说明 姓名") + NoteReference(1)) + t.body + P("<w:r><w:br w:type=\"page\"/></w:r>" + R("次页")) +
           P(R("金额 依据") + NoteReference(2) + R(" 完"));
  t.footnotes = TwoNotes();
  return t;
}

// The notes above numbered again on every page.
Template FootnotesEachPage() {
  Template t = Footnotes();
  t.name = "footnotes-each-page";
  t.settings = "<w:footnotePr><w:numRestart w:val=\"eachPage\"/></w:footnotePr>";
  return t;
}

// A note in each of two sections (the office draws the line above the notes only in the section
// where it meets the first).
Template FootnoteSections() {
  Template t = Sections();
  t.name = "footnote-sections";
  const std::size_t first = t.body.find("</w:p>");
  t.body.insert(first, NoteReference(1));
  t.body.insert(t.body.rfind("</w:p>"), NoteReference(2));
  t.footnotes = TwoNotes();
  return t;
}

// Links to places in the record itself: a bookmark on a later page, and back to its start.
Template Links() {
  Template t = Cells();
  t.name = "links";
  const auto link = [](const char* anchor, const std::string& text) {
    return std::string("<w:hyperlink w:anchor=\"") + anchor + "\">" + R(text, "<w:u w:val=\"single\"/>") + "</w:hyperlink>";
  };
  t.body = P("<w:bookmarkStart w:id=\"1\" w:name=\"top\"/>" + R("开头 姓名") + "<w:bookmarkEnd w:id=\"1\"/>" + link("end", " 见结尾")) +
           t.body + P(R("金额"), "<w:pageBreakBefore/>") +
           P("<w:bookmarkStart w:id=\"2\" w:name=\"end\"/>" + R("结尾 部门") + "<w:bookmarkEnd w:id=\"2\"/>" + link("top", " 回到开头"));
  return t;
}

// The count's fields stand out, so that a number written in a field's place shows its formatting.
const std::string kCountLook = "<w:b/><w:color w:val=\"C00000\"/>";

std::string PagesFooter(const std::string& page, const std::string& count) {
  return P(R("第 ") + Field(page, "1") + R(" 页 共 ") + Field(count, "1", kCountLook) + R(" 页"), "<w:jc w:val=\"center\"/>");
}

// "第 X 页 共 Y 页" in the footer; the page count and the section's in the text and in a table
// cell. Joined, the office would count every record's pages.
Template PageCount() {
  Template t = Cells();
  t.name = "page-count";
  t.footer = PagesFooter(" PAGE ", " NUMPAGES ");
  t.body = P(R("姓名 的通知共 ") + Field(" NUMPAGES ", "1", kCountLook) + R(" 页，本节 ") + Field(" SECTIONPAGES ", "1") + R(" 页。")) +
           Tbl(Tr(P(R("页数")), P(Field(" NUMPAGES ", "1")))) + t.body;
  return t;
}

// The footer above on both sections of the structure (two page styles a record).
Template PageCountSections() {
  Template t = Sections();
  t.name = "page-count-sections";
  t.footer = PagesFooter(" PAGE ", " NUMPAGES ");
  return t;
}

// The counts in roman numerals, Chinese ones (lower and upper case) and arabic.
Template PageCountFormats() {
  Template t = PageCount();
  t.name = "page-count-formats";
  t.footer = PagesFooter(" PAGE \\* ROMAN ", " NUMPAGES \\* ROMAN ");
  t.body = P(R("共 ") + Field(" NUMPAGES \\* roman ", "i") + R(" 页，") + Field(" NUMPAGES \\* CHINESENUM3 ", "一", kCountLook) +
             R(" 页，") + Field(" NUMPAGES \\* CHINESENUM2 ", "壹") + R(" 页，") + Field(" SECTIONPAGES \\* Arabic ", "1") + R(" 页")) +
           t.body;
  return t;
}

// Pages numbered in Chinese numerals by the section, the count by its own switch and by none.
Template PageCountChinese() {
  Template t = PageCount();
  t.name = "page-count-chinese";
  t.page_numbers = "<w:pgNumType w:fmt=\"chineseCounting\"/>";
  t.footer = PagesFooter(" PAGE ", " NUMPAGES \\* CHINESENUM3 ");
  return t;
}

// The clock's date and the document's own dates (made, saved, printed), in several formats, in
// the text and the header.
Template Dates() {
  Template t = Cells();
  t.name = "dates";
  t.core = "<dcterms:created xsi:type=\"dcterms:W3CDTF\">2025-03-04T08:09:10Z</dcterms:created>"
           "<dcterms:modified xsi:type=\"dcterms:W3CDTF\">2025-11-12T13:14:15Z</dcterms:modified>"
           "<cp:lastPrinted>2025-12-01T02:03:00Z</cp:lastPrinted>";
  t.header = P(R("发文日期 ") + Field(" DATE \\@ \"yyyy年M月d日\" ", "2026年1月1日"));
  t.body = P(R("姓名：制定于 ") + Field(" CREATEDATE \\@ \"yyyy年M月d日 HH:mm\" ", "x", kCountLook) + R("，修订于 ") +
             Field(" SAVEDATE \\@ \"yyyy-MM-dd\" ", "x") + R("，打印于 ") + Field(" PRINTDATE \\@ \"yyyy/M/d\" ", "x")) +
           P(Field(" DATE \\@ \"yyyy'年'MM'月'dd'日' dddd\" ", "x") + R(" ") + Field(" CREATEDATE ", "x") + R(" ") +
             Field(" SAVEDATE \\@ \"MMMM d, yyyy\" ", "x")) +
           t.body;
  return t;
}

// Captions numbered by two sequences (without them: `captions` false), references to a
// bookmark's text and page and back to the record's start, the bookmark on a later page that a
// long value pushes further.
Template References(bool captions) {
  Template t = Cells();
  t.name = captions ? "references" : "bookmark-references";
  const auto mark = [](int id, const char* name, const std::string& runs) {
    return "<w:bookmarkStart w:id=\"" + std::to_string(id) + "\" w:name=\"" + name + "\"/>" + runs +
           "<w:bookmarkEnd w:id=\"" + std::to_string(id) + "\"/>";
  };
  t.body = P(mark(1, "top", R("开头 姓名"))) + P(R("表 ") + Field(" SEQ 表 \\* ARABIC ", "1") + R(" 明细")) + t.body +
           P(R("表 ") + Field(" SEQ 表 ", "2") + R(" 汇总，图 ") + Field(" SEQ 图 ", "1")) +
           P(R("见第 ") + Field(" PAGEREF end ", "2") + R(" 页的“") + Field(" REF end ", "结尾") + R("”，回到第 ") +
             Field(" PAGEREF top ", "1") + R(" 页的“") + Field(" REF top ", "开头") + R("”。")) +
           P(mark(2, "end", R("结尾 部门")), "<w:pageBreakBefore/>") + P(R("图 ") + Field(" SEQ 图 ", "2") + R(" 完"));
  if (!captions) {
    for (std::size_t at; (at = t.body.find(" SEQ ")) != std::string::npos;) t.body.replace(at, 5, " PAGE ");
  }
  return t;
}

// Headings of two levels and the styles a table of contents uses.
const std::string kContentsStyles =
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/><w:basedOn w:val=\"Normal\"/>"
    "<w:next w:val=\"Normal\"/><w:qFormat/><w:pPr><w:keepNext/><w:spacing w:before=\"240\" w:after=\"120\"/>"
    "<w:outlineLvl w:val=\"0\"/></w:pPr><w:rPr><w:b/><w:sz w:val=\"32\"/></w:rPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading2\"><w:name w:val=\"heading 2\"/><w:basedOn w:val=\"Normal\"/>"
    "<w:next w:val=\"Normal\"/><w:qFormat/><w:pPr><w:keepNext/><w:outlineLvl w:val=\"1\"/></w:pPr><w:rPr><w:b/></w:rPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"TOC1\"><w:name w:val=\"toc 1\"/><w:basedOn w:val=\"Normal\"/>"
    "<w:next w:val=\"Normal\"/></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"TOC2\"><w:name w:val=\"toc 2\"/><w:basedOn w:val=\"Normal\"/>"
    "<w:next w:val=\"Normal\"/><w:pPr><w:ind w:left=\"420\"/></w:pPr></w:style>"
    "<w:style w:type=\"character\" w:styleId=\"Hyperlink\"><w:name w:val=\"Hyperlink\"/>"
    "<w:rPr><w:color w:val=\"0563C1\"/><w:u w:val=\"single\"/></w:rPr></w:style>";

// A heading of `level` holding the bookmark `name` (id `id`) around its text.
std::string MarkedHeading(int level, int id, const std::string& name, const std::string& text) {
  return P("<w:bookmarkStart w:id=\"" + std::to_string(id) + "\" w:name=\"" + name + "\"/>" + R(text) +
               "<w:bookmarkEnd w:id=\"" + std::to_string(id) + "\"/>",
           "<w:pStyle w:val=\"Heading" + std::to_string(level) + "\"/>");
}

// A table of contents as word processors write it (TOC \o "1-3" \h \z \u with its entries and
// page numbers as last shown, each entry a link to its heading's _Toc bookmark), headings of two
// levels that long values push to later pages, a link back to the contents.
Template Contents() {
  Template t = Cells();
  t.name = "toc";
  t.styles = kContentsStyles;
  const auto entry = [](const std::string& mark, const std::string& text, const std::string& page) {
    return "<w:hyperlink w:anchor=\"" + mark + "\" w:history=\"1\">" + R(text, "<w:rStyle w:val=\"Hyperlink\"/>") +
           "<w:r><w:tab/></w:r>" + Field(" PAGEREF " + mark + " \\h ", page) + "</w:hyperlink>";
  };
  const auto toc_ppr = [](int level) {
    return "<w:pStyle w:val=\"TOC" + std::to_string(level) + "\"/><w:tabs><w:tab w:val=\"right\" w:leader=\"dot\" w:pos=\"8300\"/></w:tabs>";
  };
  const std::string begin = "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\"> TOC \\o \"1-3\" \\h \\z \\u </w:instrText></w:r>"
                            "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>";
  t.body = P("<w:bookmarkStart w:id=\"9\" w:name=\"contents\"/>" + R("目录") + "<w:bookmarkEnd w:id=\"9\"/>") +
           P(begin + entry("_Toc101", "第一章 姓名", "1"), toc_ppr(1)) + P(entry("_Toc102", "1.1 说明", "1"), toc_ppr(2)) +
           P(entry("_Toc103", "第二章 部门", "2"), toc_ppr(1)) + P(entry("_Toc104", "2.1 明细", "2"), toc_ppr(2)) +
           P("<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>") +
           MarkedHeading(1, 11, "_Toc101", "第一章 姓名") + P(R("正文 金额")) + MarkedHeading(2, 12, "_Toc102", "1.1 说明") +
           P(R("备注")) + MarkedHeading(1, 13, "_Toc103", "第二章 部门") + t.body + MarkedHeading(2, 14, "_Toc104", "2.1 明细") +
           P(R("结束 ") + "<w:hyperlink w:anchor=\"contents\">" + R("回到目录", "<w:rStyle w:val=\"Hyperlink\"/>") + "</w:hyperlink>");
  return t;
}

// The contents above in a document that asks for its fields to be updated when it is opened.
Template ContentsUpdatedOnOpening() {
  Template t = Contents();
  t.name = "toc-update";
  t.settings = "<w:updateFields w:val=\"true\"/>";
  return t;
}

// The contents above holding no entries, as a table of contents never made shows: made on
// opening, it would list every joined record's headings.
Template ContentsEmpty() {
  Template t = Contents();
  t.name = "toc-empty";
  const std::size_t from = t.body.find("<w:p><w:pPr><w:pStyle w:val=\"TOC1\"/>");
  const std::size_t to = t.body.find("<w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>");
  t.body.replace(from, to - from, "<w:p><w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\"> TOC \\o \"1-3\" \\h \\z \\u </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>");
  return t;
}

// A legacy text form field (FORMTEXT, its name a bookmark around it as word processors write it)
// showing `shown`.
std::string FormText(int id, const std::string& name, const std::string& shown) {
  return "<w:bookmarkStart w:id=\"" + std::to_string(id) + "\" w:name=\"" + name + "\"/>"
         "<w:r><w:fldChar w:fldCharType=\"begin\"><w:ffData><w:name w:val=\"" + name + "\"/><w:enabled/>"
         "<w:calcOnExit w:val=\"0\"/><w:textInput/></w:ffData></w:fldChar></w:r>"
         "<w:r><w:instrText xml:space=\"preserve\"> FORMTEXT </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>" +
         R(shown) + "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r><w:bookmarkEnd w:id=\"" + std::to_string(id) + "\"/>";
}

// Text form fields holding values and a fixed text, one on a later page.
Template FormFields() {
  Template t = Cells();
  t.name = "form-text";
  t.body = P(R("姓名：") + FormText(21, "Text1", "姓名") + R("  部门：") + FormText(22, "Text2", "部门")) +
           P(R("签收：") + FormText(23, "Text3", "（签字）")) + t.body + P(R("备注：") + FormText(24, "Text4", "备注")) +
           P(R("金额 ") + FormText(25, "Text5", "金额"), "<w:pageBreakBefore/>") + P(R("完"));
  return t;
}

// The form fields above in a document open to filling them in only (as one protected for a form).
Template FormFieldsProtected() {
  Template t = FormFields();
  t.name = "form-text-protected";
  t.settings = "<w:documentProtection w:edit=\"forms\" w:enforcement=\"1\"/>";
  return t;
}

std::string EndnoteReference(int id) {
  return "<w:r><w:rPr><w:vertAlign w:val=\"superscript\"/></w:rPr><w:endnoteReference w:id=\"" + std::to_string(id) + "\"/></w:r>";
}

// Endnotes 1 and 2, one holding a value, their marks on the record's first and last page.
Template Endnotes() {
  Template t = Cells();
  t.name = "endnotes";
  const auto note = [](int id, const std::string& text) {
    return "<w:endnote w:id=\"" + std::to_string(id) + "\"><w:p><w:r><w:rPr><w:vertAlign w:val=\"superscript\"/></w:rPr>"
           "<w:endnoteRef/></w:r>" + R(" " + text) + "</w:p></w:endnote>";
  };
  t.body = P(R("说明 姓名") + EndnoteReference(1)) + t.body + P(R("金额 依据") + EndnoteReference(2) + R(" 完"));
  t.endnotes = note(1, "本人 姓名 确认。") + note(2, "按月发放。");
  return t;
}

OracleCase Made(const fs::path& folder, const Template& t, std::vector<std::vector<std::string>> records) {
  fs::create_directories(folder);
  const fs::path path = folder / (t.name + ".docx");
  engine::WriteFileAtomically(path.string(), Build(t));
  return {"生成:" + t.name, path, kTitles, std::move(records)};
}

}  // namespace

std::vector<OracleCase> CorpusCases(const fs::path& source) {
  std::vector<OracleCase> cases;
  for (const char* name : {"bodies", "captions", "controls", "drawings", "headings", "lists", "notes", "tables", "toc"}) {
    for (const char* ext : {".docx", ".doc"}) {
      cases.push_back({std::string("语料:") + name + ext, source / "tests/data/corpus" / (std::string(name) + ext),
                       {"姓名", "编号", "部门", "金额"},
                       {{"张三", "A001", "销售部", "100"},
                        {"欧阳娜娜", "B0002", "技术研发部", "200.5"},
                        {"李", "C3", "部", "3000000"},
                        {"", "D4", "", "4"}}});
    }
  }
  return cases;
}

OracleCase ExampleCase(const fs::path& source) {
  return {"示例", source / "示例/模板.doc", {"姓名", "部门", "基本工资"},
          {{"刘洋", "研发部", "9800"}, {"吴婷", "市场部", "8600"}, {"欧阳𠮷", "财务部", "12000"},
           {"司马" + std::string(300, 'y'), "总经理办公室（北京）", "1234567.89"}}};
}

OracleCase HeadingPaySlipCase(const fs::path& source) {
  return {"工资条:标题样式", source / "tests/data/word/payslip_heading.docx", {"姓名", "部门", "实发工资"},
          {{"李四", "技术部", "6000.00"}, {"欧阳" + std::string(900, 'x'), "财务部", "7.5"}, {"𠮷田", "", "123456.78"}}};
}

OracleCase NoticeCase(const fs::path& source) {
  return {"通知:页码与日期", source / "tests/data/word/notice_pages.docx", {"姓名", "部门", "工号", "月薪", "入职日期"},
          {{"张三", "销售部", "A10001", "8000", "2027年1月4日"},
           {"欧阳" + std::string(2500, 'x'), "技术研发部（北京）", "B2", "12000.50", "2027年1月5日"},
           {"李", "", "C3", "", "次日"}}};
}

OracleCase GeneratedCase(const fs::path& generated, const std::string& name) {
  if (name == "cells") {
    return Made(generated, Cells(),
                {{"张三", "销售部", "100", "单行"}, {"李四", "技术部", "200", "第一行\n第二行"}, {"王五", "", "300", "a\nb\nc"},
                 {"赵六", "财务部", "", "单行"}});
  }
  if (name == "structure" || name == "sections" || name == "first-page" || name == "footnote-sections") {
    std::vector<std::vector<std::string>> records = kRecords;
    records[3][3] = std::string(4000, 'y');  // a record long enough for another page
    const Template t = name == "structure" ? Structure() : name == "sections" ? Sections()
                       : name == "first-page" ? FirstPage() : FootnoteSections();
    return Made(generated, t, records);
  }
  if (name == "header-values") return Made(generated, HeaderValues(), kRecords);
  if (name == "footnotes") return Made(generated, Footnotes(), kRecords);
  if (name == "footnotes-each-page") return Made(generated, FootnotesEachPage(), kRecords);
  if (name == "links") return Made(generated, Links(), kRecords);
  if (name == "page-count" || name == "page-count-formats" || name == "page-count-chinese" || name == "dates" ||
      name == "references" || name == "bookmark-references" || name == "toc" || name == "toc-update" || name == "toc-empty" || name == "form-text" || name == "form-text-protected" || name == "endnotes") {
    // Records of one, two and three pages.
    std::vector<std::vector<std::string>> records = kRecords;
    records[1][3] = std::string(3000, 'y');
    records[2][3] = std::string(7000, 'z');
    const Template t = name == "page-count" ? PageCount() : name == "page-count-formats" ? PageCountFormats()
                       : name == "page-count-chinese" ? PageCountChinese() : name == "dates" ? Dates()
                       : name == "toc" ? Contents() : name == "toc-update" ? ContentsUpdatedOnOpening() : name == "toc-empty" ? ContentsEmpty() : name == "form-text" ? FormFields() : name == "form-text-protected" ? FormFieldsProtected()
                       : name == "endnotes" ? Endnotes() : References(name == "references");
    return Made(generated, t, records);
  }
  if (name == "page-count-sections") {
    std::vector<std::vector<std::string>> records = kRecords;
    records[3][3] = std::string(4000, 'y');
    return Made(generated, PageCountSections(), records);
  }
  if (name == "odd-even") {
    std::vector<std::vector<std::string>> records = kRecords;
    records[1][3] = std::string(3000, 'y');
    records[2][3] = std::string(7000, 'z');
    return Made(generated, OddEven(), records);
  }
  return Made(generated, Formats(), kRecords);
}

std::vector<OracleCase> GeneratedCases(const fs::path& generated) {
  std::vector<OracleCase> cases;
  for (const char* name : {"formats", "cells", "structure", "sections", "first-page", "header-values", "odd-even", "footnotes", "footnotes-each-page", "footnote-sections", "links",
                           "page-count", "page-count-sections", "page-count-formats", "page-count-chinese", "dates", "references", "bookmark-references", "toc", "toc-update", "toc-empty", "form-text", "form-text-protected", "endnotes"}) {
    cases.push_back(GeneratedCase(generated, name));
  }
  return cases;
}

OracleCase AsDocTemplate(const OracleCase& c, engine::OfficePool& pool, const fs::path& folder) {
  OracleCase doc = c;
  doc.name += ".doc";
  fs::create_directories(folder);
  doc.templ = folder / c.templ.filename().replace_extension(".doc");
  engine::ConversionJob job{c.templ.string(), false, {{doc.templ.string(), engine::StoreFormat::kDoc}}, c.name};
  const engine::ConversionOutcome outcome = pool.Submit(std::move(job)).get();
  if (!outcome.ok()) throw app::RuntimeError::File(doc.templ.string(), outcome.message());
  return doc;
}

}  // namespace vexlo::oracle
