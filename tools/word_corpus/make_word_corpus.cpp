// Writes the template corpus: .docx templates shaped like the ones people really use (lists
// with overrides and restarts, fields, notes, comments, tracked changes, text boxes, headers and
// footers, pictures, content controls plain and bound, ruby, right-to-left text, CJK and Latin
// mixed, nested tables, floating tables, several bodies) and the rows of the small workbook they
// are merged with, as CSV (make_word_corpus.sh has LibreOffice turn it into .xlsx and each
// template into a .doc). Usage: make_word_corpus <output folder>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "office/engine/package/atomic_file.h"
#include "tools/word_corpus/word_package.h"

namespace {

using namespace vexlo::corpus;

// Lists: a two-level list, the same list restarted inside the template, a list that starts at
// 5, a list continued by a second instance, bullets, headings numbered by their style.
Template Lists() {
  Template t;
  t.name = "lists";
  t.styles =
      "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/>"
      "<w:basedOn w:val=\"Normal\"/><w:qFormat/><w:pPr><w:keepNext/><w:numPr><w:numId w:val=\"7\"/>"
      "</w:numPr><w:outlineLvl w:val=\"0\"/></w:pPr><w:rPr><w:b/></w:rPr></w:style>"
      "<w:style w:type=\"paragraph\" w:styleId=\"Chapter\"><w:name w:val=\"chapter\"/>"
      "<w:basedOn w:val=\"Heading1\"/></w:style>";
  t.numbering =
      "<w:abstractNum w:abstractNumId=\"0\"><w:nsid w:val=\"1A2B3C4D\"/><w:multiLevelType w:val=\"multilevel\"/>" +
      Level(0, 1, "decimal", "%1.") + Level(1, 1, "decimal", "%1.%2") + "</w:abstractNum>"
      "<w:abstractNum w:abstractNumId=\"1\"><w:nsid w:val=\"2B3C4D5E\"/><w:multiLevelType w:val=\"singleLevel\"/>" +
      Level(0, 5, "decimal", "(%1)") + "</w:abstractNum>"
      "<w:abstractNum w:abstractNumId=\"2\"><w:nsid w:val=\"3C4D5E6F\"/><w:multiLevelType w:val=\"singleLevel\"/>" +
      Level(0, 1, "bullet", "•") + "</w:abstractNum>"
      "<w:abstractNum w:abstractNumId=\"3\"><w:nsid w:val=\"4D5E6F70\"/><w:multiLevelType w:val=\"singleLevel\"/>" +
      Level(0, 1, "upperLetter", "%1)") + "</w:abstractNum>"
      "<w:abstractNum w:abstractNumId=\"4\"><w:nsid w:val=\"5E6F7081\"/><w:multiLevelType w:val=\"singleLevel\"/>" +
      Level(0, 1, "decimal", "第%1章") + "</w:abstractNum>"
      "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num>"
      "<w:num w:numId=\"2\"><w:abstractNumId w:val=\"0\"/><w:lvlOverride w:ilvl=\"0\"><w:startOverride w:val=\"1\"/></w:lvlOverride></w:num>"
      "<w:num w:numId=\"3\"><w:abstractNumId w:val=\"1\"/></w:num>"
      "<w:num w:numId=\"4\"><w:abstractNumId w:val=\"2\"/></w:num>"
      "<w:num w:numId=\"5\"><w:abstractNumId w:val=\"3\"/></w:num>"
      "<w:num w:numId=\"6\"><w:abstractNumId w:val=\"3\"/></w:num>"
      "<w:num w:numId=\"7\"><w:abstractNumId w:val=\"4\"/></w:num>";
  t.body = P(R("概述 姓名"), "<w:pStyle w:val=\"Heading1\"/>") + P(R("名单：姓名")) + Li(1, 0, R("第一项 姓名")) + Li(1, 1, R("子项 编号")) +
           Li(1, 1, R("子项 部门")) + Li(1, 0, R("第二项 金额")) + P(R("中间的说明")) +
           Li(2, 0, R("重新开始 姓名")) + Li(2, 0, R("接着 编号")) + Li(3, 0, R("从五开始 部门")) +
           Li(3, 0, R("再一项")) + Li(5, 0, R("字母 姓名")) + Li(6, 0, R("字母接续 编号")) +
           Li(4, 0, R("要点 部门")) +
           P(R("细则 编号"), "<w:pStyle w:val=\"Chapter\"/><w:jc w:val=\"left\"/>") + P(R("结束"));
  return t;
}

// Notes, comments, tracked changes, bookmarks and fields.
Template Notes() {
  Template t;
  t.name = "notes";
  t.footnotes =
      "<w:footnote w:id=\"1\"><w:p><w:r><w:rPr><w:rStyle w:val=\"FootnoteReference\"/></w:rPr><w:footnoteRef/></w:r>" + R(" 脚注一 姓名") + "</w:p></w:footnote>"
      "<w:footnote w:id=\"2\"><w:p w14:paraId=\"0A000001\"><w:r><w:rPr><w:rStyle w:val=\"FootnoteReference\"/></w:rPr><w:footnoteRef/></w:r>" + R(" 脚注二") + "</w:p></w:footnote>";
  t.endnotes = "<w:endnote w:id=\"1\"><w:p><w:r><w:endnoteRef/></w:r>" + R(" 尾注 编号") + "</w:p></w:endnote>";
  t.comments = "<w:comment w:id=\"0\" w:author=\"审阅人\" w:date=\"2026-01-01T00:00:00Z\" w:initials=\"审\"><w:p>" + R("请核对姓名") + "</w:p></w:comment>";
  auto fn = [](int id) {
    return "<w:r><w:rPr><w:rStyle w:val=\"FootnoteReference\"/></w:rPr><w:footnoteReference w:id=\"" + std::to_string(id) + "\"/></w:r>";
  };
  t.body = P(R("致 ") + "<w:commentRangeStart w:id=\"0\"/>" + R("姓名") + "<w:commentRangeEnd w:id=\"0\"/>" +
             "<w:r><w:commentReference w:id=\"0\"/></w:r>" + R("：") + fn(1)) +
           P(R("编号 的说明") + fn(2) + R("，另见尾注") + "<w:r><w:endnoteReference w:id=\"1\"/></w:r>") +
           P("<w:bookmarkStart w:id=\"0\" w:name=\"签名处\"/>" + R("签名：姓名") + "<w:bookmarkEnd w:id=\"0\"/>") +
           P(R("部门 已") + "<w:ins w:id=\"1\" w:author=\"审阅人\" w:date=\"2026-01-01T00:00:00Z\">" + R("新增 金额") + "</w:ins>" +
             "<w:del w:id=\"2\" w:author=\"审阅人\" w:date=\"2026-01-01T00:00:00Z\"><w:r><w:delText>删去的字</w:delText></w:r></w:del>") +
           P(R("引用：") + "<w:fldSimple w:instr=\" QUOTE &quot;固定引文&quot; \">" + R("固定引文") + "</w:fldSimple>" +
             R("；域：") + "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\"> QUOTE \"部门\" </w:instrText></w:r>"
             "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>" + R("部门") + "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>");
  return t;
}

// Headers and footers with titles, pictures, a text box.
Template Drawings() {
  Template t;
  t.name = "drawings";
  t.picture = true;
  t.header = P(Picture(10, "rId8") + R("页眉 姓名"));
  t.footer = P(R("页脚 部门 第") + "<w:fldSimple w:instr=\" PAGE \">" + R("1") + "</w:fldSimple>" + R("页"));
  t.body = P(R("照片：") + Picture(1, "rId8") + R(" 姓名")) +
           P(TextBox(2, 1026, "文本框里的 编号") + R("正文 编号 在文本框旁")) +
           P(R("第二张：") + Picture(3, "rId8") + R(" 部门"));
  return t;
}

// Content controls plain, bound and showing a placeholder; ruby; right-to-left; mixed scripts.
Template Controls() {
  Template t;
  t.name = "controls";
  t.custom_xml = "<root xmlns=\"urn:vexlo:corpus\"><code>编号</code><fixed>固定值</fixed></root>";
  auto sdt = [](int id, const std::string& pr, const std::string& content) {
    return "<w:sdt><w:sdtPr><w:alias w:val=\"控件\"/><w:id w:val=\"" + std::to_string(id) + "\"/>" + pr +
           "</w:sdtPr><w:sdtContent>" + content + "</w:sdtContent></w:sdt>";
  };
  auto bind = [](const std::string& xpath) {
    return "<w:dataBinding w:prefixMappings=\"xmlns:ns0='urn:vexlo:corpus'\" w:xpath=\"" + xpath +
           "\" w:storeItemID=\"{6F1C3A52-0D5B-4E4B-9A41-2B7C1D3E5F60}\"/><w:text/>";
  };
  t.body = P(R("控件：") + sdt(101, "", R("姓名"))) +
           P(R("绑定：") + sdt(102, bind("/ns0:root[1]/ns0:code[1]"), R("编号"))) +
           P(R("不变的绑定：") + sdt(103, bind("/ns0:root[1]/ns0:fixed[1]"), R("固定值"))) +
           P(R("占位：") + sdt(104, "<w:showingPlcHdr/>", R("部门", "<w:color w:val=\"808080\"/>"))) +
           sdt(105, "", P(R("块级控件 金额"))) +
           P(R("注音：") + "<w:r><w:ruby><w:rubyPr><w:rubyAlign w:val=\"center\"/><w:hps w:val=\"10\"/>"
             "<w:hpsRaise w:val=\"18\"/><w:hpsBaseText w:val=\"21\"/><w:lid w:val=\"zh-CN\"/></w:rubyPr>"
             "<w:rt><w:r><w:t>xìng míng</w:t></w:r></w:rt><w:rubyBase><w:r><w:t>姓名</w:t></w:r></w:rubyBase></w:ruby></w:r>" +
             R("。")) +
           P(R("مرحبا", "<w:rtl/>") + R(" 姓名 ") + R("شكرا", "<w:rtl/>"), "<w:bidi/>") +
           P(R("Dear 姓名，your number is 编号（部门）；Type: INSTR_LOCAL_TYPE; INSTR_LOCAL_TYPE_CONVERTED stays."));
  return t;
}

// Tables nested two deep, and a floating table placed on the page.
Template Tables() {
  Template t;
  t.name = "tables";
  const std::string inner = Tbl(Tr(P(R("内层 姓名")), P(R("编号"))));
  t.body = P(R("表格：")) + Tbl(Tr(P(R("外层 部门")), inner + P(R("内层之后")))) +
           Tbl(Tr(P(R("浮动 姓名")), P(R("金额"))),
               "<w:tblpPr w:leftFromText=\"180\" w:rightFromText=\"180\" w:vertAnchor=\"page\" "
               "w:horzAnchor=\"margin\" w:tblpY=\"12000\"/><w:tblOverlap w:val=\"never\"/>") +
           P(R("末段 编号"));
  return t;
}

// Two bodies in one document part.
Template Bodies() {
  Template t;
  t.name = "bodies";
  t.whole_bodies = true;
  t.body = "<w:body>" + P(R("第一部分 姓名")) + "</w:body><w:body>" + P(R("第二部分 部门")) + "</w:body>";
  return t;
}

// A complex field: its instruction and its result as the editor last showed it.
std::string Field(const std::string& instr, const std::string& result_runs) {
  return "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\">" +
         instr + "</w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>" +
         result_runs + "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
}

// A run of text without xml:space: readers drop the spaces at its edges.
std::string PlainRun(const std::string& text) { return "<w:r><w:t>" + text + "</w:t></w:r>"; }

// Notes whose text starts after a run of a single space, a comment holding a picture, captions
// numbered by SEQ fields (complex and simple, two sequences), runs with spaces at their edges.
Template Captions() {
  Template t;
  t.name = "captions";
  t.picture = true;
  const std::string mark = "<w:r><w:rPr><w:rStyle w:val=\"FootnoteReference\"/></w:rPr>";
  t.footnotes = "<w:footnote w:id=\"1\"><w:p>" + mark + "<w:footnoteRef/></w:r>" + R(" ") + R("脚注 姓名") +
                "</w:p></w:footnote><w:footnote w:id=\"2\"><w:p>" + mark + "<w:footnoteRef/></w:r>" +
                R(" ") + R("第二个脚注") + "</w:p></w:footnote>";
  t.endnotes = "<w:endnote w:id=\"1\"><w:p>" + mark + "<w:endnoteRef/></w:r>" + R(" ") + R("尾注 编号") +
               "</w:p></w:endnote>";
  t.comments = "<w:comment w:id=\"0\" w:author=\"审阅人\" w:date=\"2026-01-01T00:00:00Z\" w:initials=\"审\"><w:p>" +
               Picture(20, "rId8") + R("带图的批注") + "</w:p></w:comment>";
  auto ref = [&](const char* kind, int id) {
    return mark + "<w:" + kind + "Reference w:id=\"" + std::to_string(id) + "\"/></w:r>";
  };
  t.body = P(R("说明 姓名") + ref("footnote", 1) + R("，另见") + ref("footnote", 2) + R("与尾注") +
             ref("endnote", 1)) +
           P("<w:commentRangeStart w:id=\"0\"/>" + R("照片 部门") + "<w:commentRangeEnd w:id=\"0\"/>" +
             "<w:r><w:commentReference w:id=\"0\"/></w:r>") +
           P(Picture(1, "rId8")) +
           P(R("图 ") + Field(" SEQ 图 \\* ARABIC ", R("1")) + R(" 姓名的照片")) +
           P(R("图 ") + "<w:fldSimple w:instr=\" SEQ 图 \\* ARABIC \">" + R("2") + "</w:fldSimple>" + R(" 部门的照片")) +
           P(R("表 ") + Field(" SEQ 表 \\* ARABIC ", R("1")) + R(" 金额")) +
           P(PlainRun("Breast ") + PlainRun(" X ") + PlainRun(" Human") + R(" 姓名"));
  return t;
}

const char kHeadingStyles[] =
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name w:val=\"heading 1\"/>"
    "<w:basedOn w:val=\"Normal\"/><w:next w:val=\"Normal\"/><w:qFormat/><w:pPr><w:keepNext/>"
    "<w:spacing w:before=\"240\" w:after=\"120\"/><w:outlineLvl w:val=\"0\"/></w:pPr><w:rPr><w:b/>"
    "<w:sz w:val=\"32\"/></w:rPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"Heading2\"><w:name w:val=\"heading 2\"/>"
    "<w:basedOn w:val=\"Normal\"/><w:next w:val=\"Normal\"/><w:qFormat/><w:pPr><w:keepNext/>"
    "<w:outlineLvl w:val=\"1\"/></w:pPr><w:rPr><w:b/></w:rPr></w:style>"
    "<w:style w:type=\"paragraph\" w:styleId=\"TOC1\"><w:name w:val=\"toc 1\"/>"
    "<w:basedOn w:val=\"Normal\"/><w:next w:val=\"Normal\"/></w:style>"
    "<w:style w:type=\"character\" w:styleId=\"Hyperlink\"><w:name w:val=\"Hyperlink\"/>"
    "<w:rPr><w:color w:val=\"0563C1\"/><w:u w:val=\"single\"/></w:rPr></w:style>";

std::string Heading(int level, const std::string& bookmark, int id, const std::string& text) {
  return P("<w:bookmarkStart w:id=\"" + std::to_string(id) + "\" w:name=\"" + bookmark + "\"/>" +
               R(text) + "<w:bookmarkEnd w:id=\"" + std::to_string(id) + "\"/>",
           "<w:pStyle w:val=\"Heading" + std::to_string(level) + "\"/>");
}

// Headings whose styles give them their look (no list of their own), as most documents have.
Template Headings() {
  Template t;
  t.name = "headings";
  t.styles = kHeadingStyles;
  t.body = Heading(1, "_Ref1", 1, "第一部分 姓名") + P(R("正文 编号")) + Heading(2, "_Ref2", 2, "细节 部门") +
           P(R("内容 金额")) + Heading(1, "_Ref3", 3, "第二部分") + P(R("结束"));
  return t;
}

// A table of contents as editors write it: a TOC field in a content control, its entries links
// to the headings' bookmarks with their page numbers.
Template Contents() {
  Template t;
  t.name = "toc";
  t.styles = kHeadingStyles;
  auto entry = [](const std::string& bookmark, const std::string& text) {
    return "<w:hyperlink w:anchor=\"" + bookmark + "\" w:history=\"1\">" + R(text) + "<w:r><w:tab/></w:r>" +
           Field(" PAGEREF " + bookmark + " \\h ", R("1")) + "</w:hyperlink>";
  };
  const std::string toc_ppr = "<w:pStyle w:val=\"TOC1\"/><w:tabs><w:tab w:val=\"right\" w:leader=\"dot\" w:pos=\"8300\"/></w:tabs>";
  const std::string begin = "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\"> TOC \\o \"1-3\" \\h \\z \\u </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>";
  t.body = "<w:sdt><w:sdtPr><w:id w:val=\"201\"/><w:docPartObj><w:docPartGallery w:val=\"Table of Contents\"/>"
           "<w:docPartUnique/></w:docPartObj></w:sdtPr><w:sdtContent>" +
           P(R("目录")) + P(begin + entry("_Toc1", "第一章 姓名"), toc_ppr) +
           P(entry("_Toc2", "第二章 部门"), toc_ppr) +
           P("<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>") + "</w:sdtContent></w:sdt>" +
           Heading(1, "_Toc1", 1, "第一章 姓名") + P(R("内容 编号")) + Heading(1, "_Toc2", 2, "第二章 部门") +
           P(R("结束 金额"));
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_word_corpus <output folder>\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  for (const Template& t : {Lists(), Notes(), Drawings(), Controls(), Tables(), Bodies(), Captions(),
                            Headings(), Contents()}) {
    vexlo::engine::WriteFileAtomically((dir / (t.name + ".docx")).string(), Build(t));
  }
  vexlo::engine::WriteFileAtomically((dir / "corpus_data.csv").string(),
            "姓名,编号,部门,INSTR_LOCAL_TYPE,金额\n"
            "张三,A001,销售部,本地,100.00\n"
            "李四,A002,技术部,远程,200.50\n"
            "王五,A003,财务部,混合,300.00\n");
  return 0;
}
