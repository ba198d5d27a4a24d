#include "tests/engine/oracle/field_templates.h"

namespace vexlo::oracle {

using namespace vexlo::corpus;

std::string Field(const std::string& instruction, const std::string& shown, const std::string& rpr) {
  const std::string props = rpr.empty() ? "" : "<w:rPr>" + rpr + "</w:rPr>";
  const auto mark = [&](const char* type) { return "<w:r>" + props + "<w:fldChar w:fldCharType=\"" + type + "\"/></w:r>"; };
  return mark("begin") + "<w:r>" + props + "<w:instrText xml:space=\"preserve\">" + instruction + "</w:instrText></w:r>" +
         mark("separate") + R(shown, rpr) + mark("end");
}

std::string NoteReference(const std::string& kind, int id, const std::string& rpr) {
  return "<w:r><w:rPr>" + rpr + "</w:rPr><w:" + kind + "Reference w:id=\"" + std::to_string(id) + "\"/></w:r>";
}

std::string TwoNotes(const std::string& kind, const std::string& rpr) {
  const auto note = [&](int id, const std::string& text) {
    return "<w:" + kind + " w:id=\"" + std::to_string(id) + "\"><w:p><w:r><w:rPr>" + rpr + "</w:rPr><w:" + kind +
           "Ref/></w:r>" + R(" " + text) + "</w:p></w:" + kind + ">";
  };
  return note(1, "本人 姓名 确认。") + note(2, "按月发放。");
}

namespace {

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

// A legacy text form field (FORMTEXT, its name a bookmark around it as word processors write it)
// showing `shown`.
std::string FormText(int id, const std::string& name, const std::string& shown) {
  return "<w:bookmarkStart w:id=\"" + std::to_string(id) + "\" w:name=\"" + name + "\"/>"
         "<w:r><w:fldChar w:fldCharType=\"begin\"><w:ffData><w:name w:val=\"" + name + "\"/><w:enabled/>"
         "<w:calcOnExit w:val=\"0\"/><w:textInput/></w:ffData></w:fldChar></w:r>"
         "<w:r><w:instrText xml:space=\"preserve\"> FORMTEXT </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>" +
         R(shown) + "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r><w:bookmarkEnd w:id=\"" + std::to_string(id) + "\"/>";
}

const char kEndnoteMark[] = "<w:vertAlign w:val=\"superscript\"/>";

}  // namespace

// A table whose cells hold values, one of them gaining lines.
Template Cells() {
  Template t;
  t.name = "cells";
  t.body = P(R("明细：")) + Tbl(Tr(P(R("姓名")), P(R("部门", "<w:b/>"))) + Tr(P(R("金额：") + R("金额", "<w:color w:val=\"C00000\"/>")), P(R("备注")))) +
           P(R("表后 姓名"));
  return t;
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

// Endnotes 1 and 2, one holding a value, their marks on the record's first and last page.
Template Endnotes() {
  Template t = Cells();
  t.name = "endnotes";
  t.body = P(R("说明 姓名") + NoteReference("endnote", 1, kEndnoteMark)) + t.body +
           P(R("金额 依据") + NoteReference("endnote", 2, kEndnoteMark) + R(" 完"));
  t.endnotes = TwoNotes("endnote", kEndnoteMark);
  return t;
}

}  // namespace vexlo::oracle
