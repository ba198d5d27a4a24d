// Writes the .docx fixtures of the word-processor tests and benchmarks with vexlo's own zip
// writer (payslip_tags and payslip_loop hold the titles as {tags} for the docxtemplater
// comparison of the benchmark), and the flat ODF text (.fodt) from which LibreOffice makes the other fixtures
// (see make_word_fixtures.sh). Usage: make_word_fixtures <output folder>
#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "office/engine/package/zip_writer.h"

namespace {

using vexlo::engine::ZipWriter;

const char kW[] =
    R"(xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships" )"
    R"(xmlns:wp="http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing" )"
    R"(xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" )"
    R"(xmlns:pic="http://schemas.openxmlformats.org/drawingml/2006/picture" )"
    R"(xmlns:w14="http://schemas.microsoft.com/office/word/2010/wordml" )"
    R"(xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" mc:Ignorable="w14")";

const char kHead[] = R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
                     "\r\n";

void Put32(std::string& s, uint32_t v) {
  for (int i = 3; i >= 0; --i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

void Chunk(std::string& png, const char* type, const std::string& data) {
  Put32(png, static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  png += body;
  Put32(png, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                         static_cast<uInt>(body.size()))));
}

// A small RGB picture: a blue square with an orange bar, as the logo.
std::string MakePng(int size) {
  std::string raw;
  uint32_t noise = 2463534242u;  // a fixed xorshift sequence: the same picture every time
  for (int y = 0; y < size; ++y) {
    raw.push_back(0);
    for (int x = 0; x < size; ++x) {
      const bool bar = y > size / 3 && y < size / 2;
      noise ^= noise << 13;
      noise ^= noise >> 17;
      noise ^= noise << 5;
      const int n = static_cast<int>(noise & 0x1f);
      raw.push_back(static_cast<char>((bar ? 0xE0 : 0x20) + n));
      raw.push_back(static_cast<char>((bar ? 0x80 : 0x60) + n));
      raw.push_back(static_cast<char>((bar ? 0x20 : 0xC0) - n));
    }
  }
  uLongf len = compressBound(static_cast<uLong>(raw.size()));
  std::string z(len, '\0');
  compress(reinterpret_cast<Bytef*>(z.data()), &len, reinterpret_cast<const Bytef*>(raw.data()),
           static_cast<uLong>(raw.size()));
  z.resize(len);
  std::string png = "\x89PNG\r\n\x1a\n";
  std::string ihdr;
  Put32(ihdr, static_cast<uint32_t>(size));
  Put32(ihdr, static_cast<uint32_t>(size));
  ihdr += std::string("\x08\x02\x00\x00\x00", 5);
  Chunk(png, "IHDR", ihdr);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", "");
  return png;
}

std::string Run(const std::string& text, const std::string& rpr = "") {
  return "<w:r>" + (rpr.empty() ? "" : "<w:rPr>" + rpr + "</w:rPr>") +
         "<w:t xml:space=\"preserve\">" + text + "</w:t></w:r>";
}

std::string Para(const std::string& runs, const std::string& ppr = "", int id = 0) {
  char pid[64] = "";
  if (id) std::snprintf(pid, sizeof pid, " w14:paraId=\"%08X\" w14:textId=\"77777777\"", id);
  return std::string("<w:p") + pid + ">" + (ppr.empty() ? "" : "<w:pPr>" + ppr + "</w:pPr>") +
         runs + "</w:p>";
}

std::string Cell(const std::string& content, int width) {
  return "<w:tc><w:tcPr><w:tcW w:w=\"" + std::to_string(width) + "\" w:type=\"dxa\"/></w:tcPr>" +
         content + "</w:tc>";
}

std::string Table(const std::vector<std::pair<std::string, std::string>>& rows) {
  std::string t =
      "<w:tbl><w:tblPr><w:tblW w:w=\"8300\" w:type=\"dxa\"/><w:tblBorders>"
      "<w:top w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/>"
      "<w:left w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/>"
      "<w:bottom w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/>"
      "<w:right w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/>"
      "<w:insideH w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/>"
      "<w:insideV w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/>"
      "</w:tblBorders></w:tblPr><w:tblGrid><w:gridCol w:w=\"3000\"/><w:gridCol w:w=\"5300\"/>"
      "</w:tblGrid>";
  for (const auto& [label, value] : rows) {
    t += "<w:tr>" + Cell(Para(Run(label, "<w:b/>")), 3000) + Cell(Para(value), 5300) + "</w:tr>";
  }
  return t + "</w:tbl>";
}

std::string Drawing(int id, const std::string& rid, int emu) {
  const std::string e = std::to_string(emu);
  return "<w:r><w:drawing><wp:inline distT=\"0\" distB=\"0\" distL=\"0\" distR=\"0\">"
         "<wp:extent cx=\"" + e + "\" cy=\"" + e + "\"/><wp:docPr id=\"" + std::to_string(id) +
         "\" name=\"图片 " + std::to_string(id) + "\"/>"
         "<a:graphic><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\">"
         "<pic:pic><pic:nvPicPr><pic:cNvPr id=\"0\" name=\"logo.png\"/><pic:cNvPicPr/></pic:nvPicPr>"
         "<pic:blipFill><a:blip r:embed=\"" + rid + "\"/><a:stretch><a:fillRect/></a:stretch>"
         "</pic:blipFill><pic:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"" + e + "\" cy=\"" +
         e + "\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr></pic:pic>"
         "</a:graphicData></a:graphic></wp:inline></w:drawing></w:r>";
}

const char kStyles[] = R"(<w:styles xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii="Times New Roman" w:eastAsia="宋体" w:hAnsi="Times New Roman"/><w:sz w:val="21"/><w:lang w:val="en-US" w:eastAsia="zh-CN"/></w:rPr></w:rPrDefault><w:pPrDefault/></w:docDefaults><w:style w:type="paragraph" w:default="1" w:styleId="Normal"><w:name w:val="Normal"/><w:qFormat/></w:style><w:style w:type="paragraph" w:styleId="Title"><w:name w:val="Title"/><w:basedOn w:val="Normal"/><w:pPr><w:jc w:val="center"/><w:spacing w:before="240" w:after="240"/></w:pPr><w:rPr><w:rFonts w:eastAsia="黑体"/><w:b/><w:sz w:val="36"/></w:rPr></w:style><w:style w:type="paragraph" w:styleId="Heading1"><w:name w:val="heading 1"/><w:basedOn w:val="Normal"/><w:next w:val="Normal"/><w:qFormat/><w:pPr><w:keepNext/><w:jc w:val="center"/><w:spacing w:before="240" w:after="240"/><w:outlineLvl w:val="0"/></w:pPr><w:rPr><w:rFonts w:eastAsia="黑体"/><w:b/><w:sz w:val="36"/></w:rPr></w:style><w:style w:type="paragraph" w:styleId="Header"><w:name w:val="header"/><w:basedOn w:val="Normal"/><w:pPr><w:jc w:val="center"/></w:pPr><w:rPr><w:sz w:val="18"/></w:rPr></w:style><w:style w:type="paragraph" w:styleId="Footer"><w:name w:val="footer"/><w:basedOn w:val="Normal"/><w:rPr><w:sz w:val="18"/></w:rPr></w:style><w:style w:type="character" w:styleId="Hyperlink"><w:name w:val="Hyperlink"/><w:rPr><w:color w:val="0563C1"/><w:u w:val="single"/></w:rPr></w:style><w:style w:type="table" w:default="1" w:styleId="TableNormal"><w:name w:val="Normal Table"/><w:tblPr><w:tblCellMar><w:left w:w="108" w:type="dxa"/><w:right w:w="108" w:type="dxa"/></w:tblCellMar></w:tblPr></w:style><w:style w:type="paragraph" w:styleId="ListParagraph"><w:name w:val="List Paragraph"/><w:basedOn w:val="Normal"/><w:pPr><w:ind w:firstLineChars="200" w:firstLine="420"/></w:pPr></w:style></w:styles>)";

const char kNumbering[] = R"(<w:numbering xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:abstractNum w:abstractNumId="0"><w:multiLevelType w:val="singleLevel"/><w:lvl w:ilvl="0"><w:start w:val="1"/><w:numFmt w:val="decimal"/><w:lvlText w:val="%1."/><w:lvlJc w:val="left"/><w:pPr><w:ind w:left="420" w:hanging="420"/></w:pPr></w:lvl></w:abstractNum><w:num w:numId="1"><w:abstractNumId w:val="0"/></w:num></w:numbering>)";

struct Doc {
  std::string body;          // paragraphs and tables
  std::string namespaces;    // further namespace declarations of the main part's root
  std::string header_body;   // "" = no header
  std::string footer_body;
  bool image = false;        // word/media/image1.png, relationship rId10
  bool hyperlink = false;    // relationship rId11
  int logo_size = 24;
  bool dates = false;        // docProps/core.xml with the dates it was made, saved and printed
};

std::string Build(const Doc& d) {
  const std::string sect =
      "<w:sectPr>" +
      std::string(d.header_body.empty() ? "" : "<w:headerReference w:type=\"default\" r:id=\"rId20\"/>") +
      std::string(d.footer_body.empty() ? "" : "<w:footerReference w:type=\"default\" r:id=\"rId21\"/>") +
      "<w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1440\" w:right=\"1800\" "
      "w:bottom=\"1440\" w:left=\"1800\" w:header=\"851\" w:footer=\"992\" w:gutter=\"0\"/>"
      "<w:cols w:space=\"425\"/><w:docGrid w:type=\"lines\" w:linePitch=\"312\"/></w:sectPr>";
  ZipWriter z;
  std::string types =
      std::string(kHead) +
      R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Default Extension="png" ContentType="image/png"/><Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/><Override PartName="/word/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"/><Override PartName="/word/numbering.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.numbering+xml"/>)";
  if (!d.header_body.empty()) {
    types += R"(<Override PartName="/word/header1.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.header+xml"/>)";
  }
  if (!d.footer_body.empty()) {
    types += R"(<Override PartName="/word/footer1.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.footer+xml"/>)";
  }
  std::string package_rels = std::string(kHead) + R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/>)";
  if (d.dates) {
    types += R"(<Override PartName="/docProps/core.xml" ContentType="application/vnd.openxmlformats-package.core-properties+xml"/>)";
    package_rels += R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties" Target="docProps/core.xml"/>)";
  }
  types += "</Types>";
  z.Add("[Content_Types].xml", types, 6);
  z.Add("_rels/.rels", package_rels + "</Relationships>", 6);
  if (d.dates) {
    z.Add("docProps/core.xml", std::string(kHead) + R"(<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:dcterms="http://purl.org/dc/terms/" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"><dc:title>入职通知书</dc:title><dcterms:created xsi:type="dcterms:W3CDTF">2026-11-02T01:30:00Z</dcterms:created><dcterms:modified xsi:type="dcterms:W3CDTF">2026-11-20T06:45:00Z</dcterms:modified><cp:lastPrinted>2026-11-21T02:00:00Z</cp:lastPrinted></cp:coreProperties>)", 6);
  }
  z.Add("word/document.xml", std::string(kHead) + "<w:document " + kW + d.namespaces + "><w:body>" + d.body +
                                 sect + "</w:body></w:document>", 6);
  std::string rels = std::string(kHead) + R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/><Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/numbering" Target="numbering.xml"/>)";
  if (d.image) rels += R"(<Relationship Id="rId10" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/image" Target="media/image1.png"/>)";
  if (d.hyperlink) rels += R"(<Relationship Id="rId11" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/hyperlink" Target="https://example.com/" TargetMode="External"/>)";
  if (!d.header_body.empty()) rels += R"(<Relationship Id="rId20" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/header" Target="header1.xml"/>)";
  if (!d.footer_body.empty()) rels += R"(<Relationship Id="rId21" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/footer" Target="footer1.xml"/>)";
  rels += "</Relationships>";
  z.Add("word/_rels/document.xml.rels", rels, 6);
  z.Add("word/styles.xml", std::string(kHead) + kStyles, 6);
  z.Add("word/numbering.xml", std::string(kHead) + kNumbering, 6);
  if (!d.header_body.empty()) {
    z.Add("word/header1.xml", std::string(kHead) + "<w:hdr " + kW + ">" + d.header_body + "</w:hdr>", 6);
    if (d.image) {
      z.Add("word/_rels/header1.xml.rels", std::string(kHead) + R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/image" Target="media/image1.png"/></Relationships>)", 6);
    }
  }
  if (!d.footer_body.empty()) {
    z.Add("word/footer1.xml", std::string(kHead) + "<w:ftr " + kW + ">" + d.footer_body + "</w:ftr>", 6);
  }
  if (d.image) z.Add("word/media/image1.png", MakePng(d.logo_size), 6);
  return z.Finish();
}

const char* const kPayTitles[] = {"姓名", "工号", "部门", "岗位", "基本工资", "绩效工资",
                                  "加班费", "社保", "公积金", "个税", "实发工资", "发放月份"};

// Some titles split over runs with different properties, as editors leave them.
std::string PayValue(int k, bool tags) {
  const std::string t = kPayTitles[k];
  if (tags) return Run("{" + t + "}");
  switch (k) {
    case 4: return Run("基本", "<w:rFonts w:hint=\"eastAsia\"/>") + "<w:proofErr w:type=\"spellStart\"/>" + Run("工资");
    case 10: return Run("实", "<w:b/>") + Run("发工", "<w:b/>") + "<w:bookmarkStart w:id=\"3\" w:name=\"_GoBack\"/><w:bookmarkEnd w:id=\"3\"/>" + Run("资", "<w:b/>");
    case 1: return Run("工") + Run("号");
    default: return Run(t);
  }
}

// `title_style`: the style of the two page titles ("Heading1" gives the PDF an outline).
Doc PaySlip(bool tags, const std::string& title_style = "Title") {
  Doc d;
  d.image = true;
  d.logo_size = 100;
  auto title = [&](int k) { return PayValue(k, tags); };
  std::string body = Para(Run("工资条"), "<w:pStyle w:val=\"" + title_style + "\"/>", 0x10000001);
  body += Para(Run("尊敬的") + title(0) + Run("：您好！以下是您") + title(11) +
                   Run("的工资明细，请核对。如有疑问，请在三个工作日内联系人力资源部。"),
               "", 0x10000002);
  std::vector<std::pair<std::string, std::string>> rows;
  const char* labels[] = {"姓　　名", "工　　号", "部　　门", "岗　　位", "基本工资", "绩效工资",
                          "加 班 费", "社会保险", "住房公积金", "个人所得税", "实发工资", "发放月份"};
  for (int k = 0; k < 12; ++k) rows.push_back({labels[k], title(k)});
  body += Table(rows);
  body += Para(Run("说明："), "", 0x10000003);
  const char* notes[] = {"实发工资 = 基本工资 + 绩效工资 + 加班费 - 社会保险 - 住房公积金 - 个人所得税。",
                         "本工资条仅供本人查阅，请妥善保管，不得向他人泄露。",
                         "如对工资金额有异议，请于发放后三个工作日内提出。"};
  for (const char* n : notes) {
    body += Para(Run(n), "<w:pStyle w:val=\"ListParagraph\"/><w:numPr><w:ilvl w:val=\"0\"/><w:numId w:val=\"1\"/></w:numPr>");
  }
  body += Para(Run("", "") + "<w:r><w:br w:type=\"page\"/></w:r>");
  body += Para(Run("工资明细说明（第二页）"), "<w:pStyle w:val=\"" + title_style + "\"/>");
  for (int i = 0; i < 14; ++i) {
    body += Para(Run("第" + std::to_string(i + 1) + "条：") + title(i % 12) +
                 Run("的有关规定依照公司薪酬管理制度执行，最终解释权归公司所有。"));
  }
  body += Para(Run("员工签字：") + title(0) + Run("　　　日期：") + title(11));
  d.body = body;
  d.header_body = Para(Drawing(1, "rId1", 360000) + Run("  示例科技有限公司  工资条"), "<w:pStyle w:val=\"Header\"/>");
  d.footer_body = Para(Run("第 ") + "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\"> PAGE </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>" + Run("1") + "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>" + Run(" 页"), "<w:pStyle w:val=\"Footer\"/>");
  return d;
}

// One document that shows each case the find rules care about.
Doc Features() {
  Doc d;
  d.image = true;
  d.hyperlink = true;
  std::string b;
  b += Para(Run("尊敬的姓名：您好"), "", 0x20000001);                                       // 1
  b += Para(Run("ID: ID IDENTITY names name Name NAME ｎａｍｅ ＮＡＭＥ xname"), "", 0x20000002);  // 2
  b += Para(Run("签名：") + Run("姓", "<w:b/><w:color w:val=\"FF0000\"/>") +
            Run("名", "<w:i/>") + Run("（结束）"));                                          // 3
  b += Para(Run("链接：") + "<w:hyperlink r:id=\"rId11\" w:history=\"1\">" +
            Run("部", "<w:rStyle w:val=\"Hyperlink\"/>") + Run("门", "<w:rStyle w:val=\"Hyperlink\"/>") +
            "</w:hyperlink>");                                                             // 4
  b += Table({{"工号", Run("工号")}, {"地址", Run("地址A") + Run("、地址")}});               // 5-8
  b += Para("<w:bookmarkStart w:id=\"0\" w:name=\"标记一\"/>" + Drawing(5, "rId10", 720000) +
            Run("图片") + "<w:bookmarkEnd w:id=\"0\"/>");                                   // 9
  b += Para(Run("制表符") + "<w:r><w:t>姓</w:t><w:tab/><w:t>名</w:t></w:r>");              // 10
  d.body = b;
  d.header_body = Para(Run("页眉 姓名") + Drawing(2, "rId1", 360000), "<w:pStyle w:val=\"Header\"/>");
  d.footer_body = Para(Run("页脚 姓名"), "<w:pStyle w:val=\"Footer\"/>");
  return d;
}

Doc NoTitles() {
  Doc d;
  d.image = true;
  d.body = Para(Run("这份文档里没有任何标题。")) + Para(Drawing(3, "rId10", 500000)) +
           Table({{"甲", Run("乙")}});
  d.header_body = Para(Run("页眉"));
  return d;
}

// A merge field as a word processor's mail merge writes it: start, instruction, separator, the
// result «name» (in `rpr`, split in two runs when `split`), end.
std::string MergeField(const std::string& instr, const std::string& shown, const std::string& rpr = "",
                       bool split = false) {
  const std::string props = rpr.empty() ? "" : "<w:rPr>" + rpr + "</w:rPr>";
  std::string result = split ? Run(shown.substr(0, 3), rpr) + Run(shown.substr(3), rpr) : Run(shown, rpr);
  return "<w:r>" + props + "<w:fldChar w:fldCharType=\"begin\"/></w:r><w:r>" + props +
         "<w:instrText xml:space=\"preserve\">" + instr + "</w:instrText></w:r><w:r>" + props +
         "<w:fldChar w:fldCharType=\"separate\"/></w:r>" + result + "<w:r>" + props +
         "<w:fldChar w:fldCharType=\"end\"/></w:r>";
}

std::string SimpleField(const std::string& instr, const std::string& shown, const std::string& rpr = "") {
  return "<w:fldSimple w:instr=\"" + instr + "\">" + Run(shown, rpr) + "</w:fldSimple>";
}

// A text box holding `paragraphs`, in DrawingML with the VML fallback, as word processors write it.
std::string TextBox(const std::string& paragraphs) {
  return "<w:r><mc:AlternateContent><mc:Choice Requires=\"wps\"><w:drawing><wp:inline distT=\"0\" "
         "distB=\"0\" distL=\"0\" distR=\"0\"><wp:extent cx=\"2400000\" cy=\"500000\"/>"
         "<wp:docPr id=\"7\" name=\"文本框 7\"/><a:graphic><a:graphicData "
         "uri=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\"><wps:wsp>"
         "<wps:cNvSpPr txBox=\"1\"/><wps:spPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"2400000\" "
         "cy=\"500000\"/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom><a:ln w=\"6350\">"
         "<a:solidFill><a:srgbClr val=\"000000\"/></a:solidFill></a:ln></wps:spPr><wps:txbx><w:txbxContent>" +
         paragraphs + "</w:txbxContent></wps:txbx><wps:bodyPr/></wps:wsp></a:graphicData></a:graphic>"
         "</wp:inline></w:drawing></mc:Choice><mc:Fallback><w:pict><v:shape id=\"_x0000_s1030\" "
         "style=\"width:189pt;height:39.4pt\" type=\"#_x0000_t202\"><v:textbox><w:txbxContent>" +
         paragraphs + "</w:txbxContent></v:textbox></v:shape></w:pict></mc:Fallback></mc:AlternateContent></w:r>";
}

const char kShapeNamespaces[] =
    R"( xmlns:wps="http://schemas.microsoft.com/office/word/2010/wordprocessingShape")"
    R"( xmlns:v="urn:schemas-microsoft-com:vml")";

// A mail-merge template: merge fields (complex and simple, quoted, with and without
// MERGEFORMAT, results split over runs, one naming no column) in the text, a table, a text box,
// the header and the footer; the bare titles in its text are no placeholders.
Doc MergeFields() {
  Doc d;
  d.namespaces = kShapeNamespaces;
  const std::string bold_red = "<w:b/><w:color w:val=\"FF0000\"/>";
  std::string b;
  b += Para(Run("尊敬的") + MergeField(" MERGEFIELD 姓名 \\* MERGEFORMAT ", "«姓名»", bold_red) +
            Run("：您已被") + SimpleField(" MERGEFIELD 部门 ", "«部门»", "<w:i/>") + Run("录用。"));
  b += Para(Run("姓名和部门这两个词不是占位符，保持不变。"));
  b += Para(Run("工号：") + MergeField(" MERGEFIELD \"ID\" ", "«ID»", "<w:u w:val=\"single\"/>", true) +
            Run("，职称：") + MergeField(" MERGEFIELD 职称 ", "«职称»") + Run("。"));
  b += Table({{"姓名", MergeField(" MERGEFIELD  姓名 ", "«姓名»")},
              {"部门", SimpleField(" MERGEFIELD 部门 \\* MERGEFORMAT ", "«部门»")}});
  b += Para(TextBox(Para(Run("文本框：") + MergeField(" MERGEFIELD 部门 ", "«部门»", "<w:b/>"))));
  d.body = b;
  d.header_body = Para(Run("页眉 ") + MergeField(" MERGEFIELD 姓名 ", "«姓名»", "<w:b/>"),
                       "<w:pStyle w:val=\"Header\"/>");
  d.footer_body = Para(Run("页脚 ") + SimpleField(" MERGEFIELD ID ", "«ID»") + Run(" 第 ") +
                           SimpleField(" PAGE ", "1") + Run(" 页"),
                       "<w:pStyle w:val=\"Footer\"/>");
  return d;
}

// Titles written between «» marks as plain text, in the text, a table and the header; a bare
// title stays, and one marked name matches no column.
Doc MarkedTitles() {
  Doc d;
  std::string b;
  b += Para(Run("尊敬的") + Run("«姓名»", "<w:b/>") + Run("：您已被«部") + Run("门»录用。"));
  b += Para(Run("姓名保持不变，«未知»没有对应的列。"));
  b += Table({{"工号", Run("«ID»")}});
  d.body = b;
  d.header_body = Para(Run("页眉 «姓名»"), "<w:pStyle w:val=\"Header\"/>");
  return d;
}

// Flat ODF text: LibreOffice turns it into the .docx and .doc fixtures.
// A two-page notice with the titles of the benchmark's letter (姓名, 部门, 工号, 月薪, 入职日期): a
// heading on each page, a table, the date it is sent and the date it was drawn up, and
// "第 X 页 共 Y 页" in the footer.
Doc Notice() {
  Doc d;
  d.dates = true;
  const std::string heading = "<w:pStyle w:val=\"Heading1\"/>";
  const std::string right = "<w:jc w:val=\"right\"/>";
  std::string body = Para(Run("入职通知书"), heading);
  body += Para(Run("尊敬的 姓名 ："));
  body += Para(Run("经研究决定，录用您到 部门 工作，工号 工号 ，月薪 月薪 元。请于 入职日期 到公司报到，并按第二页的须知准备材料。"));
  body += Table({{"部　　门", Run("部门")}, {"工　　号", Run("工号")}, {"月　　薪", Run("月薪")}, {"报到日期", Run("入职日期")}});
  body += Para(Run("人力资源部"), right);
  body += Para(MergeField(" DATE \\@ \"yyyy年M月d日\" ", "2026年12月1日"), right);
  body += Para("<w:r><w:br w:type=\"page\"/></w:r>" + Run("（以下为报到须知）"));
  body += Para(Run("报到须知"), heading);
  const char* rules[] = {"携带本人身份证原件及复印件两份。", "携带最高学历、学位证书原件及复印件。",
                         "携带原单位解除劳动合同证明。", "近期一寸免冠彩色照片四张。",
                         "本人银行卡复印件一份，用于发放工资。", "入职体检报告（三个月内有效）。"};
  int n = 0;
  for (const char* rule : rules) body += Para(Run("第" + std::to_string(++n) + "条：" + rule));
  body += Para(Run("本通知制发于 ") + MergeField(" CREATEDATE \\@ \"yyyy年M月d日\" ", "2026年11月2日") + Run("，共 ") +
               MergeField(" NUMPAGES ", "2") + Run(" 页，请妥善保管。"));
  d.body = body;
  d.footer_body = Para(Run("第 ") + MergeField(" PAGE ", "1") + Run(" 页 共 ") + MergeField(" NUMPAGES ", "2") + Run(" 页"),
                       "<w:pStyle w:val=\"Footer\"/><w:jc w:val=\"center\"/>");
  return d;
}

const char kFodt[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
<office:automatic-styles>
<style:style style:name="B" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>
<style:page-layout style:name="pm1"><style:page-layout-properties fo:page-width="21cm" fo:page-height="29.7cm" fo:margin-top="2cm" fo:margin-bottom="2cm" fo:margin-left="2.5cm" fo:margin-right="2.5cm"/></style:page-layout>
</office:automatic-styles>
<office:master-styles><style:master-page style:name="Standard" style:page-layout-name="pm1"><style:header><text:p>通知 页眉</text:p></style:header></style:master-page></office:master-styles>
<office:body><office:text>
<text:p>尊敬的<text:span text:style-name="B">姓</text:span>名：</text:p>
<text:p>您的编号是编号，部门：部门。</text:p>
<table:table table:name="T1"><table:table-column table:number-columns-repeated="2"/>
<table:table-row><table:table-cell><text:p>姓名</text:p></table:table-cell><table:table-cell><text:p>编号</text:p></table:table-cell></table:table-row>
</table:table>
<text:p>此致</text:p>
</office:text></office:body></office:document>
)";

void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_word_fixtures <output folder>\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  WriteFile(dir / "payslip.docx", Build(PaySlip(false)));
  WriteFile(dir / "payslip_heading.docx", Build(PaySlip(false, "Heading1")));
  WriteFile(dir / "payslip_tags.docx", Build(PaySlip(true)));
  Doc loop = PaySlip(true);
  loop.body = Para(Run("{#rows}")) + loop.body + Para(Run("{/rows}"));
  WriteFile(dir / "payslip_loop.docx", Build(loop));
  WriteFile(dir / "features.docx", Build(Features()));
  WriteFile(dir / "notitles.docx", Build(NoTitles()));
  WriteFile(dir / "merge_fields.docx", Build(MergeFields()));
  WriteFile(dir / "marked_titles.docx", Build(MarkedTitles()));
  WriteFile(dir / "notice_pages.docx", Build(Notice()));
  WriteFile(dir / "lo_notice.fodt", kFodt);
  return 0;
}
