#include "tools/word_corpus/word_package.h"

#include <utility>
#include <vector>

#include "office/engine/package/zip_writer.h"

namespace vexlo::corpus {

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

constexpr char kSectPr[] =
    "<w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1440\" w:right=\"1800\" w:bottom=\"1440\" "
    "w:left=\"1800\" w:header=\"851\" w:footer=\"992\" w:gutter=\"0\"/><w:cols w:space=\"425\"/>";

}  // namespace

std::string R(const std::string& text, const std::string& rpr) {
  return "<w:r>" + (rpr.empty() ? "" : "<w:rPr>" + rpr + "</w:rPr>") +
         "<w:t xml:space=\"preserve\">" + text + "</w:t></w:r>";
}

std::string P(const std::string& runs, const std::string& ppr) {
  return "<w:p>" + (ppr.empty() ? "" : "<w:pPr>" + ppr + "</w:pPr>") + runs + "</w:p>";
}

std::string Li(int num, int level, const std::string& runs) {
  return P(runs, "<w:numPr><w:ilvl w:val=\"" + std::to_string(level) + "\"/><w:numId w:val=\"" +
                     std::to_string(num) + "\"/></w:numPr>");
}

std::string Tc(const std::string& content) {
  return "<w:tc><w:tcPr><w:tcW w:w=\"0\" w:type=\"auto\"/></w:tcPr>" + content + "</w:tc>";
}

std::string Tbl(const std::string& rows, const std::string& tblpr) {
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



std::string SectionEnd() { return std::string("<w:sectPr>") + kSectPr + "</w:sectPr>"; }

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
  if (!t.comments.empty() && t.picture) {
    parts.push_back({"word/_rels/comments.xml.rels", std::string(kHead) + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId8\" Type=\"" + kRelNs + "image\" Target=\"media/dot.png\"/></Relationships>"});
  }
  std::string sect = "<w:sectPr>";
  if (!t.header.empty()) {
    part("header1.xml", "header+xml", "header", "rId6", wrap("hdr", t.header));
    sect += "<w:headerReference w:type=\"default\" r:id=\"rId6\"/>";
  }
  if (!t.even_header.empty()) {
    part("header2.xml", "header+xml", "header", "rId10", wrap("hdr", t.even_header));
    sect += "<w:headerReference w:type=\"even\" r:id=\"rId10\"/>";
  }
  if (!t.even_header.empty() || !t.settings.empty()) {
    part("settings.xml", "settings+xml", "settings", "rId11",
         wrap("settings", (t.even_header.empty() ? "" : "<w:evenAndOddHeaders/>") + t.settings));
  }
  if (!t.first_header.empty()) {
    part("header3.xml", "header+xml", "header", "rId12", wrap("hdr", t.first_header));
    sect += "<w:headerReference w:type=\"first\" r:id=\"rId12\"/>";
  }
  if (!t.footer.empty()) {
    part("footer1.xml", "footer+xml", "footer", "rId7", wrap("ftr", t.footer));
    sect += "<w:footerReference w:type=\"default\" r:id=\"rId7\"/>";
  }
  std::string page = kSectPr;
  page.insert(page.find("<w:cols"), t.page_numbers);
  sect += page + (t.first_header.empty() ? "" : "<w:titlePg/>") + "</w:sectPr>";
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
  std::string package_rels = std::string(kHead) + "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" Type=\"" + kRelNs + "officeDocument\" Target=\"word/document.xml\"/>";
  if (!t.core.empty()) {
    types.insert(types.rfind("</Types>"), R"(<Override PartName="/docProps/core.xml" ContentType="application/vnd.openxmlformats-package.core-properties+xml"/>)");
    package_rels += R"(<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties" Target="docProps/core.xml"/>)";
    parts.push_back({"docProps/core.xml", std::string(kHead) +
        R"(<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:dcterms="http://purl.org/dc/terms/" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">)" +
        t.core + "</cp:coreProperties>"});
  }
  z.Add("[Content_Types].xml", types, 6);
  z.Add("_rels/.rels", package_rels + "</Relationships>", 6);
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

}  // namespace vexlo::corpus
