#include "office/engine/word/word_package.h"
#include "office/engine/package/xml_string_writer.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/runtime_error.h"
#include "office/engine/package/compound_file.h"
#include "office/engine/package/zip_reader.h"

namespace vexlo::engine::word {

using app::RuntimeError;

namespace {

constexpr uint64_t kMaxFileSize = 512ull << 20;
constexpr uint64_t kMaxMainPart = 64ull << 20;

constexpr char kOfficeDocumentRel[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";

std::string_view MainContentType(std::string_view extension) {
  std::string ext(extension);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".docx") {
    return "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
  }
  if (ext == ".docm") return "application/vnd.ms-word.document.macroEnabled.main+xml";
  if (ext == ".dotx") {
    return "application/vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml";
  }
  if (ext == ".dotm") return "application/vnd.ms-word.template.macroEnabledTemplate.main+xml";
  return {};
}

// The relationships part of a part: word/document.xml -> word/_rels/document.xml.rels.
std::string RelsPartOf(const std::string& part) {
  const size_t slash = part.rfind('/');
  if (slash == std::string::npos) return "_rels/" + part + ".rels";
  return part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels";
}

int64_t Digits(std::string_view xml, size_t at) {
  int64_t v = 0;
  for (size_t i = at; i < xml.size() && xml[i] >= '0' && xml[i] <= '9' && v < (1ll << 40); ++i) {
    v = v * 10 + (xml[i] - '0');
  }
  return v;
}

// The highest drawing id (wp:docPr, pic:cNvPr ...) in a part, by a plain scan (the part is not
// parsed).
int64_t MaxDrawingId(std::string_view xml) {
  int64_t best = 0;
  for (std::string_view tag : {"docPr ", "cNvPr "}) {
    size_t pos = 0;
    while ((pos = xml.find(tag, pos)) != std::string_view::npos) {
      pos += tag.size();
      const size_t end = xml.find('>', pos);
      const size_t id = xml.find(" id=\"", pos - 1);  // the space after the name may be it
      if (id == std::string_view::npos || id > end) continue;
      best = std::max(best, Digits(xml, id + 5));
    }
  }
  return best;
}

// The highest VML shape or picture number ("_x0000_s1026") in a part.
int64_t MaxShapeNumber(std::string_view xml) {
  int64_t best = 0;
  size_t pos = 0;
  while ((pos = xml.find("_x0000_", pos)) != std::string_view::npos) {
    pos += 7;
    if (pos < xml.size() && (xml[pos] == 's' || xml[pos] == 'i')) best = std::max(best, Digits(xml, pos + 1));
  }
  return best;
}

// Resolves a relationship target against the folder of its source part.
std::string ResolveTarget(const std::string& source_part, std::string target) {
  if (!target.empty() && target.front() == '/') return target.substr(1);
  std::string folder = source_part.substr(0, source_part.rfind('/') + 1);
  while (target.compare(0, 3, "../") == 0) {
    target.erase(0, 3);
    if (!folder.empty()) folder.erase(folder.rfind('/', folder.size() - 2) + 1);
  }
  return folder + target;
}

// The paragraph styles that number their paragraphs, directly or through the styles they are
// based on (a style's own numPr with list instance 0 ends the numbering).
StyleNumbering NumberedStyles(std::string_view xml) {
  StyleNumbering out;
  pugi::xml_document doc;
  if (!doc.load_buffer(xml.data(), xml.size())) return out;
  const pugi::xml_node root = doc.document_element();
  const std::string_view name = root.name();
  const std::string w(name.substr(0, name.find(':') == std::string_view::npos ? 0 : name.find(':') + 1));
  struct Style {
    std::string based_on;
    bool has_num = false;
    int64_t num = 0;
    int level = 0;
  };
  std::map<std::string, Style, std::less<>> styles;
  for (pugi::xml_node s = root.child((w + "style").c_str()); s; s = s.next_sibling((w + "style").c_str())) {
    if (std::string_view(s.attribute((w + "type").c_str()).value()) != "paragraph") continue;
    Style st;
    st.based_on = s.child((w + "basedOn").c_str()).attribute((w + "val").c_str()).value();
    const pugi::xml_node num_pr = s.child((w + "pPr").c_str()).child((w + "numPr").c_str());
    const pugi::xml_node num_id = num_pr.child((w + "numId").c_str());
    if (num_id) {
      st.has_num = true;
      st.num = num_id.attribute((w + "val").c_str()).as_llong();
      st.level = num_pr.child((w + "ilvl").c_str()).attribute((w + "val").c_str()).as_int();
    }
    styles[s.attribute((w + "styleId").c_str()).value()] = st;
  }
  for (const auto& [id, style] : styles) {
    const Style* s = &style;
    for (int hops = 0; s && !s->has_num && hops < 16; ++hops) {
      auto it = styles.find(s->based_on);
      s = it == styles.end() ? nullptr : &it->second;
    }
    if (s && s->has_num && s->num > 0 && s->level >= 0 && s->level <= 8) {
      out[id] = {s->num, s->level};
    }
  }
  return out;
}

std::string BlankDocumentXml() {
  return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><w:body><w:sectPr><w:pgSz w:w="11906" w:h="16838"/><w:pgMar w:top="1440" w:right="1800" w:bottom="1440" w:left="1800" w:header="851" w:footer="992" w:gutter="0"/><w:cols w:space="425"/><w:docGrid w:type="lines" w:linePitch="312"/></w:sectPr></w:body></w:document>)";
}

std::string BlankStylesXml() {
  return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<w:styles xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii="Times New Roman" w:eastAsia="宋体" w:hAnsi="Times New Roman" w:cs="Times New Roman"/><w:kern w:val="2"/><w:sz w:val="21"/><w:szCs w:val="24"/><w:lang w:val="en-US" w:eastAsia="zh-CN" w:bidi="ar-SA"/></w:rPr></w:rPrDefault><w:pPrDefault/></w:docDefaults><w:style w:type="paragraph" w:default="1" w:styleId="Normal"><w:name w:val="Normal"/><w:qFormat/><w:pPr><w:widowControl w:val="0"/><w:jc w:val="both"/></w:pPr></w:style><w:style w:type="character" w:default="1" w:styleId="DefaultParagraphFont"><w:name w:val="Default Paragraph Font"/><w:uiPriority w:val="1"/><w:semiHidden/></w:style><w:style w:type="table" w:default="1" w:styleId="TableNormal"><w:name w:val="Normal Table"/><w:semiHidden/><w:tblPr><w:tblInd w:w="0" w:type="dxa"/><w:tblCellMar><w:top w:w="0" w:type="dxa"/><w:left w:w="108" w:type="dxa"/><w:bottom w:w="0" w:type="dxa"/><w:right w:w="108" w:type="dxa"/></w:tblCellMar></w:tblPr></w:style></w:styles>)";
}

}  // namespace

bool IsCompoundFile(std::string_view bytes) { return CompoundFile::HasSignature(bytes); }

bool IsEncryptedPackage(std::string_view bytes) {
  if (!IsCompoundFile(bytes)) return false;
  try {
    return CompoundFile(bytes, "").HasStream("EncryptionInfo");
  } catch (const RuntimeError&) {
    return false;  // not a readable compound file: not an encrypted package either
  }
}

std::shared_ptr<const WordPackage> WordPackage::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) throw RuntimeError::File(path, "不存在");
    throw RuntimeError::File(path, "无法读取");
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) throw RuntimeError::File(path, "无法读取");
  if (static_cast<uint64_t>(size) > kMaxFileSize) {
    throw RuntimeError::Format(path, "过大，无法作为 Word 文档打开");
  }
  std::string bytes(static_cast<size_t>(size), '\0');
  in.seekg(0);
  if (!in.read(bytes.data(), size)) throw RuntimeError::File(path, "无法读取");
  return FromBytes(std::move(bytes), path);
}

std::shared_ptr<const WordPackage> WordPackage::FromBytes(std::string bytes,
                                                          const std::string& display_name) {
  if (bytes.empty()) throw RuntimeError::Format(display_name, "是空文件，不是有效的 Word 文档");
  if (IsEncryptedPackage(bytes)) {
    throw RuntimeError::Format(display_name, "已加密，请先在原程序中取消密码保护");
  }
  if (IsCompoundFile(bytes)) {
    throw RuntimeError::Format(display_name,
                               "是 Word 97-2003 格式（.doc）的文档，扩展名却不是 .doc，请改正扩展名");
  }
  if (bytes.size() > kMaxFileSize) {
    throw RuntimeError::Format(display_name, "过大，无法作为 Word 文档打开");
  }
  ZipLimits limits;
  limits.max_entries = 5000;
  limits.max_entry_size = 128ull << 20;
  limits.max_total_size = 512ull << 20;
  const uint64_t size = bytes.size();
  std::unique_ptr<ZipReader> reader = ZipReader::FromBytes(std::move(bytes), display_name, limits);
  return Build(*reader, size);
}

std::shared_ptr<const WordPackage> WordPackage::Build(ZipReader& reader, uint64_t size) {
  const std::string& file = reader.display_name();
  auto pkg = std::make_shared<WordPackage>();
  pkg->display_name_ = file;
  std::vector<std::string> inflated;
  pkg->entries_ = ReadRawEntries(reader, size, &inflated);
  auto find = [&](std::string_view name) -> const std::string* {
    for (size_t i = 0; i < pkg->entries_.size(); ++i) {
      if (pkg->entries_[i].name == name) return &inflated[i];
    }
    return nullptr;
  };

  const std::string* types = find("[Content_Types].xml");
  if (types == nullptr) throw RuntimeError::Format(file, "不是有效的 Word 文档：缺少内容类型清单");
  pkg->content_types_ = *types;

  // The main part is the target of the package's officeDocument relationship.
  pkg->main_part_ = "word/document.xml";
  if (const std::string* rels = find("_rels/.rels")) {
    pugi::xml_document doc;
    if (!doc.load_buffer(rels->data(), rels->size())) {
      throw RuntimeError::Format(file, "已损坏：包关系部件不是有效的 XML");
    }
    for (pugi::xml_node r : doc.document_element().children()) {
      if (std::strcmp(r.attribute("Type").value(), kOfficeDocumentRel) == 0) {
        std::string target = r.attribute("Target").value();
        while (!target.empty() && target.front() == '/') target.erase(0, 1);
        if (!target.empty()) pkg->main_part_ = target;
        break;
      }
    }
  }
  const std::string* main = find(pkg->main_part_);
  if (main == nullptr) {
    if (find("xl/workbook.xml")) throw RuntimeError::Format(file, "是 Excel 工作簿，不是 Word 文档");
    throw RuntimeError::Format(file, "不是有效的 Word 文档：缺少文档正文");
  }
  if (main->size() > kMaxMainPart) throw RuntimeError::Format(file, "的正文过大，无法打开");
  if (const std::string* rels = find(RelsPartOf(pkg->main_part_))) pkg->main_rels_ = *rels;

  const std::string folder = pkg->main_part_.substr(0, pkg->main_part_.rfind('/') + 1);
  for (size_t i = 0; i < pkg->entries_.size(); ++i) {
    const std::string& name = pkg->entries_[i].name;
    if (name != pkg->main_part_ && name.compare(0, folder.size(), folder) == 0 &&
        name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0) {
      pkg->floors_.drawing = std::max(pkg->floors_.drawing, MaxDrawingId(inflated[i]));
      pkg->floors_.shape = std::max(pkg->floors_.shape, MaxShapeNumber(inflated[i]));
    }
  }
  // The parts whose entries each copy of the story needs of its own.
  auto parts = std::make_shared<CopyParts>();
  if (!pkg->main_rels_.empty()) {
    pugi::xml_document rels;
    if (rels.load_buffer(pkg->main_rels_.data(), pkg->main_rels_.size())) {
      for (pugi::xml_node r : rels.document_element().children()) {
        const std::string_view type = r.attribute("Type").value();
        const size_t slash = type.rfind('/');
        const std::string_view last = slash == std::string_view::npos ? type : type.substr(slash + 1);
        if (std::string_view(r.attribute("TargetMode").value()) != "External") {
          const std::string name = ResolveTarget(pkg->main_part_, r.attribute("Target").value());
          pkg->rel_targets_[r.attribute("Id").value()] = name;
          if (last == "header" || last == "footer" || last == "footnotes" || last == "endnotes") {
            if (const std::string* xml = find(name)) pkg->story_parts_[name] = *xml;
            if (last == "footnotes") pkg->footnotes_part_ = name;
            if (last == "endnotes") pkg->endnotes_part_ = name;
          }
        }
        CopyParts::Kind kind;
        if (last == "settings") {
          const std::string name = ResolveTarget(pkg->main_part_, r.attribute("Target").value());
          if (const std::string* xml = find(name)) ApplySettingsNoteProperties(*xml, pkg->note_formats_);
          continue;
        }
        if (last == "styles") {
          const std::string name = ResolveTarget(pkg->main_part_, r.attribute("Target").value());
          if (const std::string* xml = find(name)) {
            auto styles = std::make_shared<StyleNumbering>(NumberedStyles(*xml));
            if (!styles->empty()) pkg->numbered_styles_ = std::move(styles);
          }
          continue;
        }
        if (last == "numbering") {
          kind = CopyParts::kNumbering;
        } else if (last == "footnotes") {
          kind = CopyParts::kFootnotes;
        } else if (last == "endnotes") {
          kind = CopyParts::kEndnotes;
        } else if (last == "comments") {
          kind = CopyParts::kComments;
        } else {
          continue;
        }
        if (std::string_view(r.attribute("TargetMode").value()) == "External") continue;
        const std::string name = ResolveTarget(pkg->main_part_, r.attribute("Target").value());
        if (const std::string* xml = find(name)) parts->Read(kind, name, *xml);
      }
    }
  }
  parts->AddFloors(pkg->floors_);
  if (pkg->numbered_styles_) {
    // Styles whose list shows no label leave their paragraphs as they are in every copy.
    auto styles = std::make_shared<StyleNumbering>(*pkg->numbered_styles_);
    std::erase_if(*styles, [&](const auto& s) { return !parts->ShowsLabel(s.second.first, s.second.second); });
    pkg->numbered_styles_ = styles->empty() ? nullptr : std::move(styles);
  }
  pkg->copy_parts_ = std::move(parts);
  pkg->story_ = SourceStory::Parse(*main, file, pkg->floors_, pkg->numbered_styles_.get(),
                                   pkg->note_formats_);
  return pkg;
}

std::shared_ptr<const WordPackage> WordPackage::Blank() {
  static const std::shared_ptr<const WordPackage> blank = [] {
    ZipWriter w;
    w.Add("[Content_Types].xml",
          R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/><Override PartName="/word/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml"/><Override PartName="/word/settings.xml" ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml"/></Types>)");
    w.Add("_rels/.rels",
          R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="word/document.xml"/></Relationships>)");
    w.Add("word/document.xml", BlankDocumentXml());
    w.Add("word/_rels/document.xml.rels",
          R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/><Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/settings" Target="settings.xml"/></Relationships>)");
    w.Add("word/styles.xml", BlankStylesXml());
    w.Add("word/settings.xml",
          R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<w:settings xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:defaultTabStop w:val="420"/><w:characterSpacingControl w:val="compressPunctuation"/><w:compat><w:spaceForUL/><w:balanceSingleByteDoubleByteWidth/><w:doNotLeaveBackslashAlone/><w:ulTrailSpace/><w:doNotExpandShiftReturn/><w:adjustLineHeightInTable/><w:useFELayout/></w:compat><w:themeFontLang w:val="en-US" w:eastAsia="zh-CN"/></w:settings>)");
    std::string bytes = w.Finish();
    const uint64_t size = bytes.size();
    auto reader = ZipReader::FromBytes(std::move(bytes), "空白文档");
    return Build(*reader, size);
  }();
  return blank;
}

std::shared_ptr<const WordPackage> WordPackage::WithMainXml(
    std::string_view xml, const std::vector<StoryCopy>& copies) const {
  auto pkg = std::make_shared<WordPackage>(*this);
  pkg->variants_.clear();
  const auto changed = copy_parts_->Build(copies);
  if (!changed.empty()) {
    // The copies' entries become parts of the new package, read again as its own.
    auto parts = std::make_shared<CopyParts>(*copy_parts_);
    for (const CopyParts::Changed& c : changed) {
      for (RawEntry& e : pkg->entries_) {
        if (e.name == c.name) e = MakeEntry(c.name, c.xml, 6);
      }
      parts->Read(c.kind, c.name, c.xml);
    }
    parts->AddFloors(pkg->floors_);
    pkg->copy_parts_ = std::move(parts);
  }
  pkg->floors_.drawing = std::max(pkg->floors_.drawing, MaxDrawingId(xml));
  pkg->floors_.shape = std::max(pkg->floors_.shape, MaxShapeNumber(xml));
  pkg->story_ = SourceStory::Parse(xml, display_name_, pkg->floors_, numbered_styles_.get(),
                                   note_formats_);
  return pkg;
}

std::shared_ptr<const WordPackage> WordPackage::WithStoryPart(const std::string& name,
                                                              std::string xml) const {
  auto pkg = std::make_shared<WordPackage>(*this);
  for (RawEntry& e : pkg->entries_) {
    if (e.name == name) e = MakeEntry(name, xml, 1);
  }
  if (name == footnotes_part_ || name == endnotes_part_) {
    // Further copies of the story clone their notes from this part: they clone the new text.
    auto parts = std::make_shared<CopyParts>(*copy_parts_);
    parts->Read(name == footnotes_part_ ? CopyParts::kFootnotes : CopyParts::kEndnotes, name, xml);
    pkg->copy_parts_ = std::move(parts);
  }
  pkg->story_parts_[name] = std::move(xml);
  return pkg;
}

const std::string* WordPackage::StoryPart(const std::string& name) const {
  auto it = story_parts_.find(name);
  return it == story_parts_.end() ? nullptr : &it->second;
}

std::string WordPackage::RelationshipTarget(std::string_view id) const {
  auto it = rel_targets_.find(id);
  return it == rel_targets_.end() ? std::string() : it->second;
}

namespace {

std::string Save(const pugi::xml_document& doc) {
  XmlStringWriter sink;
  doc.save(sink, "", pugi::format_raw, pugi::encoding_utf8);
  return sink.s;
}

constexpr char kVbaProjectRel[] =
    "http://schemas.microsoft.com/office/2006/relationships/vbaProject";

}  // namespace

const WordPackage::Variant& WordPackage::VariantFor(std::string_view extension) const {
  const std::string_view wanted = MainContentType(extension);
  auto it = variants_.find(wanted);
  if (it != variants_.end()) return it->second;
  Variant v;
  if (!wanted.empty()) {
    // Macros cannot live in a .docx or .dotx: their parts are left out of those.
    const bool macros_allowed = wanted.find("macroEnabled") != std::string_view::npos;
    const std::string rels_name = RelsPartOf(main_part_);
    pugi::xml_document rels;
    bool rels_changed = false;
    if (!macros_allowed && !main_rels_.empty() &&
        rels.load_buffer(main_rels_.data(), main_rels_.size())) {
      for (pugi::xml_node r = rels.document_element().first_child(); r;) {
        pugi::xml_node next = r.next_sibling();
        if (std::strcmp(r.attribute("Type").value(), kVbaProjectRel) == 0) {
          const std::string vba = ResolveTarget(main_part_, r.attribute("Target").value());
          v.dropped.insert(vba);
          v.dropped.insert(RelsPartOf(vba));
          // The project's own parts (its data) go with it.
          for (const RawEntry& e : entries_) {
            if (e.name.compare(0, vba.size(), vba) != 0 && e.name.find("vbaData") != std::string::npos) {
              v.dropped.insert(e.name);
            }
          }
          rels.document_element().remove_child(r);
          rels_changed = true;
        }
        r = next;
      }
    }
    if (rels_changed) v.rels = MakeEntry(rels_name, Save(rels), 6);

    pugi::xml_document doc;
    if (doc.load_buffer(content_types_.data(), content_types_.size())) {
      const std::string part = "/" + main_part_;
      bool changed = false;
      for (pugi::xml_node o = doc.document_element().first_child(); o;) {
        pugi::xml_node next = o.next_sibling();
        const std::string name = o.attribute("PartName").value();
        if (name == part && o.attribute("ContentType").value() != wanted) {
          o.attribute("ContentType").set_value(std::string(wanted).c_str());
          changed = true;
        } else if (!name.empty() && v.dropped.count(name.substr(1))) {
          doc.document_element().remove_child(o);
          changed = true;
        }
        o = next;
      }
      if (changed) v.types = MakeEntry("[Content_Types].xml", Save(doc), 6);
    }
  }
  return variants_.emplace(std::string(wanted), std::move(v)).first->second;
}

std::string WordPackage::Write(std::string_view main_xml, std::string_view extension,
                               const std::vector<StoryCopy>& copies) const {
  const Variant& v = VariantFor(extension);
  const std::string rels_name = RelsPartOf(main_part_);
  const auto changed = copy_parts_->Build(copies);
  ZipWriter w;
  for (const RawEntry& e : entries_) {
    auto part = std::find_if(changed.begin(), changed.end(),
                             [&](const CopyParts::Changed& c) { return c.name == e.name; });
    if (e.name == main_part_) {
      w.Add(main_part_, main_xml, 1);
    } else if (part != changed.end()) {
      w.Add(part->name, part->xml, 1);
    } else if (!v.types.name.empty() && e.name == "[Content_Types].xml") {
      w.Add(v.types);
    } else if (!v.rels.name.empty() && e.name == rels_name) {
      w.Add(v.rels);
    } else if (!v.dropped.count(e.name)) {
      w.Add(e);
    }
  }
  return w.Finish();
}

}  // namespace vexlo::engine::word
