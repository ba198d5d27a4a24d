#include "tests/engine/oracle/oracle_cases.h"

#include "app/runtime_error.h"
#include "office/engine/package/atomic_file.h"
#include "tests/engine/oracle/field_templates.h"
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

const char kFootnoteMark[] = "<w:rStyle w:val=\"FootnoteReference\"/>";

std::string FootnoteReference(int id) { return NoteReference("footnote", id, kFootnoteMark); }

// Footnote 1 holding a value and footnote 2 plain.
std::string TwoFootnotes() { return TwoNotes("footnote", kFootnoteMark); }

// Footnotes numbered 1 and 2 in every record, on its first and second page, one of them on a
// value and one holding a value (the office numbers notes on through a joined document: each
// record's are labelled).
Template Footnotes() {
  Template t = Cells();
  t.name = "footnotes";
  t.body = P(R("说明 姓名") + FootnoteReference(1)) + t.body + P("<w:r><w:br w:type=\"page\"/></w:r>" + R("次页")) +
           P(R("金额 依据") + FootnoteReference(2) + R(" 完"));
  t.footnotes = TwoFootnotes();
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
  t.body.insert(first, FootnoteReference(1));
  t.body.insert(t.body.rfind("</w:p>"), FootnoteReference(2));
  t.footnotes = TwoFootnotes();
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

// The footer above on a record that starts with a table: the mark of each joined record is in
// its first cell, where no character goes back to the record before.
Template PageCountTableFirst() {
  Template t = Cells();
  t.name = "page-count-table-first";
  t.footer = PagesFooter(" PAGE ", " NUMPAGES ");
  t.body = Tbl(Tr(P(R("姓名")), P(R("部门")))) + P(R("金额：") + R("金额") + R(" 元")) + P(R("备注"));
  return t;
}

// The same without the count.
Template TableFirst() {
  Template t = PageCountTableFirst();
  t.name = "table-first";
  t.footer = "";
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
      name == "references" || name == "bookmark-references" || name == "toc" || name == "toc-update" || name == "toc-empty" || name == "form-text" || name == "form-text-protected" || name == "endnotes" || name == "page-count-table-first") {
    // Records of one, two and three pages.
    std::vector<std::vector<std::string>> records = kRecords;
    records[1][3] = std::string(3000, 'y');
    records[2][3] = std::string(7000, 'z');
    const Template t = name == "page-count" ? PageCount() : name == "page-count-formats" ? PageCountFormats()
                       : name == "page-count-chinese" ? PageCountChinese() : name == "dates" ? Dates()
                       : name == "toc" ? Contents() : name == "toc-update" ? ContentsUpdatedOnOpening() : name == "toc-empty" ? ContentsEmpty() : name == "form-text" ? FormFields() : name == "form-text-protected" ? FormFieldsProtected()
                       : name == "endnotes" ? Endnotes() : name == "page-count-table-first" ? PageCountTableFirst() : References(name == "references");
    return Made(generated, t, records);
  }
  if (name == "table-first") {
    // Every record longer than a page, so that records running on into each other would still
    // start on ascending pages.
    std::vector<std::vector<std::string>> records = kRecords;
    for (std::vector<std::string>& r : records) r[3] = std::string(6000, 'q');
    return Made(generated, TableFirst(), records);
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
                           "page-count", "page-count-sections", "page-count-table-first", "page-count-formats", "page-count-chinese", "dates", "references", "bookmark-references", "toc", "toc-update", "toc-empty", "form-text", "form-text-protected", "endnotes"}) {
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
