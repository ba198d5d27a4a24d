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
#include "office/engine/package/zip_writer.h"

namespace {

using vexlo::engine::ZipWriter;

const char kHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
const char kNs[] =
    R"(xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" )"
    R"(xmlns:wp="http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing" )"
    R"(xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" )"
    R"(xmlns:pic="http://schemas.openxmlformats.org/drawingml/2006/picture" )"
    R"(xmlns:wps="http://schemas.microsoft.com/office/word/2010/wordprocessingShape" )"
    R"(xmlns:v="urn:schemas-microsoft-com:vml" xmlns:o="urn:schemas-microsoft-com:office:office" )"
    R"(xmlns:w14="http://schemas.microsoft.com/office/word/2010/wordml" )"
    R"(xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" mc:Ignorable="w14")";
const char kRelNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
const char kCtNs[] = "application/vnd.openxmlformats-officedocument.wordprocessingml.";

// A 1x1 PNG (one grey pixel).
const unsigned char kPng[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44,
    0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x00, 0x00, 0x00, 0x00, 0x3A,
    0x7E, 0x9B, 0x55, 0x00, 0x00, 0x00, 0x0A, 0x49, 0x44, 0x41, 0x54, 0x08, 0xD7, 0x63, 0x68,
    0x00, 0x00, 0x00, 0x82, 0x00, 0x81, 0xDD, 0x43, 0x6A, 0xF4, 0x00, 0x00, 0x00, 0x00, 0x49,
    0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

std::string R(const std::string& text, const std::string& rpr = "") {
  return "<w:r>" + (rpr.empty() ? "" : "<w:rPr>" + rpr + "</w:rPr>") +
         "<w:t xml:space=\"preserve\">" + text + "</w:t></w:r>";
}

std::string P(const std::string& runs, const std::string& ppr = "") {
  return "<w:p>" + (ppr.empty() ? "" : "<w:pPr>" + ppr + "</w:pPr>") + runs + "</w:p>";
}

std::string Li(int num, int level, const std::string& runs) {
  return P(runs, "<w:numPr><w:ilvl w:val=\"" + std::to_string(level) + "\"/><w:numId w:val=\"" +
                     std::to_string(num) + "\"/></w:numPr>");
}

std::string Tc(const std::string& content) {
  return "<w:tc><w:tcPr><w:tcW w:w=\"0\" w:type=\"auto\"/></w:tcPr>" + content + "</w:tc>";
}

std::string Tbl(const std::string& rows, const std::string& tblpr = "") {
  return "<w:tbl><w:tblPr>" + tblpr +
         "<w:tblW w:w=\"0\" w:type=\"auto\"/><w:tblBorders><w:top w:val=\"single\" w:sz=\"4\" "
         "w:space=\"0\" w:color=\"auto\"/><w:bottom w:val=\"single\" w:sz=\"4\" w:space=\"0\" "
         "w:color=\"auto\"/><w:insideH w:val=\"single\" w:sz=\"4\" w:space=\"0\" "
         "w:color=\"auto\"/></w:tblBorders></w:tblPr><w:tblGrid><w:gridCol w:w=\"4000\"/>"
         "<w:gridCol w:w=\"4000\"/></w:tblGrid>" + rows + "</w:tbl>";
}

std::string Tr(const std::string& a, const std::string& b) { return "<w:tr>" + Tc(a) + Tc(b) + "</w:tr>"; }

std::string Picture(int id, const std::string& rid) {
  const std::string n = std::to_string(id);
  return "<w:r><w:drawing><wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\">"
         "<wp:extent cx=\"360000\" cy=\"360000\"/><wp:docPr id=\"" + n + "\" name=\"图片 " + n + "\"/>"
         "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
         "<pic:pic><pic:nvPicPr><pic:cNvPr id=\"" + n + "\" name=\"dot.png\"/><pic:cNvPicPr/></pic:nvPicPr>"
         "<pic:blipFill><a:blip r:embed=\"" + rid + "\"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill>"
         "<pic:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"360000\" cy=\"360000\"/></a:xfrm>"
         "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr></pic:pic></a:graphicData>"
         "</a:graphic></wp:inline></w:drawing></w:r>";
}

// A text box anchored to the paragraph, as Word writes it: a shape with a VML fallback.
std::string TextBox(int id, int spid, const std::string& text) {
  const std::string n = std::to_string(id);
  const std::string inner = "<w:txbxContent>" + P(R(text)) + "</w:txbxContent>";
  return "<w:r><mc:AlternateContent><mc:Choice Requires=\"wps\"><w:drawing>"
         "<wp:anchor distT=\"0\" distB=\"0\" distL=\"114300\" distR=\"114300\" simplePos=\"0\" "
         "relativeHeight=\"251659264\" behindDoc=\"0\" locked=\"0\" layoutInCell=\"1\" allowOverlap=\"1\">"
         "<wp:simplePos x=\"0\" y=\"0\"/><wp:positionH relativeFrom=\"column\"><wp:posOffset>0</wp:posOffset>"
         "</wp:positionH><wp:positionV relativeFrom=\"paragraph\"><wp:posOffset>0</wp:posOffset></wp:positionV>"
         "<wp:extent cx=\"1800000\" cy=\"400000\"/><wp:effectExtent l=\"0\" t=\"0\" r=\"0\" b=\"0\"/>"
         "<wp:wrapSquare wrapText=\"bothSides\"/><wp:docPr id=\"" + n + "\" name=\"文本框 " + n + "\"/>"
         "<wp:cNvGraphicFramePr/><a:graphic><a:graphicData uri=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\">"
         "<wps:wsp><wps:cNvSpPr txBox=\"1\"/><wps:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"1800000\" cy=\"400000\"/></a:xfrm>"
         "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></wps:spPr><wps:txbx>" + inner +
         "</wps:txbx><wps:bodyPr rot=\"0\" vert=\"horz\" wrap=\"square\" lIns=\"91440\" tIns=\"45720\" "
         "rIns=\"91440\" bIns=\"45720\" anchor=\"t\" anchorCtr=\"0\"><a:noAutofit/></wps:bodyPr></wps:wsp>"
         "</a:graphicData></a:graphic></wp:anchor></w:drawing></mc:Choice><mc:Fallback><w:pict>"
         "<v:shapetype id=\"_x0000_t202\" coordsize=\"21600,21600\" o:spt=\"202\" path=\"m,l,21600r21600,l21600,xe\">"
         "<v:stroke joinstyle=\"miter\"/><v:path gradientshapeok=\"t\" o:connecttype=\"rect\"/></v:shapetype>"
         "<v:shape id=\"_x0000_s" + std::to_string(spid) + "\" o:spid=\"_x0000_s" + std::to_string(spid) +
         "\" type=\"#_x0000_t202\" style=\"position:absolute;margin-left:0;margin-top:0;width:141.75pt;height:31.5pt;z-index:251659264\">"
         "<v:textbox>" + inner + "</v:textbox></v:shape></w:pict></mc:Fallback></mc:AlternateContent></w:r>";
}

struct Template {
  std::string name;
  std::string body;                 // the body's content (several bodies: whole body elements)
  bool whole_bodies = false;
  std::string numbering;            // abstractNum and num elements
  std::string footnotes, endnotes, comments;  // entries beyond the separators
  std::string header, footer;       // paragraphs
  bool picture = false;
  std::string custom_xml;           // custom XML data of bound controls
  std::string styles;               // further style elements
};

constexpr char kSectPr[] =
    "<w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1440\" w:right=\"1800\" w:bottom=\"1440\" "
    "w:left=\"1800\" w:header=\"851\" w:footer=\"992\" w:gutter=\"0\"/><w:cols w:space=\"425\"/>";

std::string Build(const Template& t) {
  std::string types = std::string(kHead) +
      R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Default Extension="png" ContentType="image/png"/>)";
  std::string rels = std::string(kHead) +
      R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)";
  ZipWriter z;
  std::vector<std::pair<std::string, std::string>> parts;
  auto part = [&](const std::string& name, const std::string& type, const std::string& rel_type,
                  const std::string& id, const std::string& xml) {
    if (!type.empty()) types += "<Override PartName=\"/word/" + name + "\" ContentType=\"" + kCtNs + type + "\"/>";
    rels += "<Relationship Id=\"" + id + "\" Type=\"" + kRelNs + rel_type + "\" Target=\"" + name + "\"/>";
    parts.push_back({"word/" + name, xml});
  };
  const std::string styles = std::string(kHead) +
      R"(<w:styles xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii="Times New Roman" w:eastAsia="宋体" w:hAnsi="Times New Roman"/><w:sz w:val="21"/><w:lang w:val="en-US" w:eastAsia="zh-CN" w:bidi="ar-SA"/></w:rPr></w:rPrDefault><w:pPrDefault/></w:docDefaults><w:style w:type="paragraph" w:default="1" w:styleId="Normal"><w:name w:val="Normal"/><w:qFormat/></w:style><w:style w:type="character" w:styleId="FootnoteReference"><w:name w:val="footnote reference"/><w:rPr><w:vertAlign w:val="superscript"/></w:rPr></w:style><w:style w:type="table" w:default="1" w:styleId="TableNormal"><w:name w:val="Normal Table"/><w:tblPr><w:tblCellMar><w:left w:w="108" w:type="dxa"/><w:right w:w="108" w:type="dxa"/></w:tblCellMar></w:tblPr></w:style>)" +
      t.styles + "</w:styles>";
  part("styles.xml", "styles+xml", "styles", "rId1", styles);
  auto wrap = [&](const char* el, const std::string& inner) {
    return std::string(kHead) + "<w:" + el + " " + kNs + ">" + inner + "</w:" + el + ">";
  };
  if (!t.numbering.empty()) part("numbering.xml", "numbering+xml", "numbering", "rId2", wrap("numbering", t.numbering));
  if (!t.footnotes.empty()) {
    part("footnotes.xml", "footnotes+xml", "footnotes", "rId3",
         wrap("footnotes", "<w:footnote w:type=\"separator\" w:id=\"-1\"><w:p><w:r><w:separator/></w:r></w:p></w:footnote>"
                           "<w:footnote w:type=\"continuationSeparator\" w:id=\"0\"><w:p><w:r><w:continuationSeparator/></w:r></w:p></w:footnote>" +
                               t.footnotes));
  }
  if (!t.endnotes.empty()) {
    part("endnotes.xml", "endnotes+xml", "endnotes", "rId4",
         wrap("endnotes", "<w:endnote w:type=\"separator\" w:id=\"-1\"><w:p><w:r><w:separator/></w:r></w:p></w:endnote>"
                          "<w:endnote w:type=\"continuationSeparator\" w:id=\"0\"><w:p><w:r><w:continuationSeparator/></w:r></w:p></w:endnote>" +
                              t.endnotes));
  }
  if (!t.comments.empty()) part("comments.xml", "comments+xml", "comments", "rId5", wrap("comments", t.comments));
  std::string sect = "<w:sectPr>";
  if (!t.header.empty()) {
    part("header1.xml", "header+xml", "header", "rId6", wrap("hdr", t.header));
    sect += "<w:headerReference w:type=\"default\" r:id=\"rId6\"/>";
  }
  if (!t.footer.empty()) {
    part("footer1.xml", "footer+xml", "footer", "rId7", wrap("ftr", t.footer));
    sect += "<w:footerReference w:type=\"default\" r:id=\"rId7\"/>";
  }
  sect += std::string(kSectPr) + "</w:sectPr>";
  if (t.picture) {
    rels += std::string("<Relationship Id=\"rId8\" Type=\"") + kRelNs + "image\" Target=\"media/dot.png\"/>";
    parts.push_back({"word/media/dot.png", std::string(reinterpret_cast<const char*>(kPng), sizeof kPng)});
    if (!t.header.empty()) {
      parts.push_back({"word/_rels/header1.xml.rels", std::string(kHead) + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId8\" Type=\"" + kRelNs + "image\" Target=\"media/dot.png\"/></Relationships>"});
    }
  }
  if (!t.custom_xml.empty()) {
    rels += std::string("<Relationship Id=\"rId9\" Type=\"") + kRelNs + "customXml\" Target=\"../customXml/item1.xml\"/>";
    types += R"(<Override PartName="/customXml/itemProps1.xml" ContentType="application/vnd.openxmlformats-officedocument.customXmlProperties+xml"/>)";
    parts.push_back({"customXml/item1.xml", std::string(kHead) + t.custom_xml});
    parts.push_back({"customXml/_rels/item1.xml.rels", std::string(kHead) + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" Type=\"" + kRelNs + "customXmlProps\" Target=\"itemProps1.xml\"/></Relationships>"});
    parts.push_back({"customXml/itemProps1.xml", std::string(kHead) + R"(<ds:datastoreItem ds:itemID="{6F1C3A52-0D5B-4E4B-9A41-2B7C1D3E5F60}" xmlns:ds="http://schemas.openxmlformats.org/officeDocument/2006/customXml"><ds:schemaRefs/></ds:datastoreItem>)"});
  }
  types += "<Override PartName=\"/word/document.xml\" ContentType=\"" + std::string(kCtNs) + "document.main+xml\"/></Types>";
  rels += "</Relationships>";
  std::string body = t.whole_bodies ? t.body : "<w:body>" + t.body + sect + "</w:body>";
  if (t.whole_bodies) body.insert(body.rfind("</w:body>"), sect);
  z.Add("[Content_Types].xml", types, 6);
  z.Add("_rels/.rels", std::string(kHead) + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" Type=\"" + kRelNs + "officeDocument\" Target=\"word/document.xml\"/></Relationships>", 6);
  z.Add("word/document.xml", std::string(kHead) + "<w:document " + kNs + ">" + body + "</w:document>", 6);
  z.Add("word/_rels/document.xml.rels", rels, 6);
  for (const auto& [name, xml] : parts) z.Add(name, xml, 6);
  return z.Finish();
}

std::string Level(int ilvl, int start, const std::string& fmt, const std::string& text) {
  const std::string i = std::to_string(ilvl);
  return "<w:lvl w:ilvl=\"" + i + "\"><w:start w:val=\"" + std::to_string(start) +
         "\"/><w:numFmt w:val=\"" + fmt + "\"/><w:lvlText w:val=\"" + text +
         "\"/><w:lvlJc w:val=\"left\"/><w:pPr><w:ind w:left=\"" + std::to_string(420 * (ilvl + 1)) +
         "\" w:hanging=\"420\"/></w:pPr></w:lvl>";
}

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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_word_corpus <output folder>\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  for (const Template& t : {Lists(), Notes(), Drawings(), Controls(), Tables(), Bodies()}) {
    vexlo::engine::WriteFileAtomically((dir / (t.name + ".docx")).string(), Build(t));
  }
  vexlo::engine::WriteFileAtomically((dir / "corpus_data.csv").string(),
            "姓名,编号,部门,INSTR_LOCAL_TYPE,金额\n"
            "张三,A001,销售部,本地,100.00\n"
            "李四,A002,技术部,远程,200.50\n"
            "王五,A003,财务部,混合,300.00\n");
  return 0;
}
