#include "office/engine/soffice/page_batch_frames.h"

#include <memory>

#include "app/runtime_error.h"
#include "office/engine/package/xml_string_writer.h"
#include "office/engine/package/zip_reader.h"

namespace vexlo::engine {

namespace {

constexpr const char* kMain = "word/document.xml";
constexpr const char* kRelations = "word/_rels/document.xml.rels";
constexpr const char* kTypes = "[Content_Types].xml";
constexpr unsigned kParse = pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration;

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

std::string Saved(const pugi::xml_document& doc) {
  XmlStringWriter w;
  doc.save(w, "", pugi::format_raw);
  return w.s;
}

// "word/header1.xml" → "word/_rels/header1.xml.rels"
std::string RelationsOf(const std::string& part) {
  const std::size_t slash = part.rfind('/');
  return part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels";
}

}  // namespace

std::optional<Package> ReadPackage(const std::string& path) {
  try {
    std::unique_ptr<ZipReader> zip = ZipReader::Open(path);
    Package p;
    p.names = zip->names();
    for (const std::string& name : p.names) {
      std::optional<std::string> bytes = zip->Read(name);
      if (!bytes) return std::nullopt;
      p.parts[name] = std::move(*bytes);
    }
    if (!p.parts.contains(kMain)) return std::nullopt;
    return p;
  } catch (const app::RuntimeError&) {
    return std::nullopt;
  }
}

bool IsHeaderOrFooter(const std::string& part) {
  return (StartsWith(part, "word/header") || StartsWith(part, "word/footer")) && part.ends_with(".xml");
}

RecordFrames::RecordFrames(const Package& pattern) : pattern_(pattern) {
  if (auto it = pattern.parts.find(kRelations); it != pattern.parts.end()) {
    relations_.load_buffer(it->second.data(), it->second.size(), kParse);
  }
  if (auto it = pattern.parts.find(kTypes); it != pattern.parts.end()) {
    types_.load_buffer(it->second.data(), it->second.size(), kParse);
  }
  for (pugi::xml_node r : relations_.child("Relationships").children("Relationship")) {
    id_of_target_[r.attribute("Target").value()] = r.attribute("Id").value();
  }
}

std::optional<ReferenceMap> RecordFrames::Add(const Package& p, std::size_t k) {
  if (p.names != pattern_.names) return std::nullopt;
  ReferenceMap references;
  for (const auto& [name, bytes] : pattern_.parts) {
    // The main text and the footnotes are joined record by record (RecordNotes takes the notes).
    if (name == kMain || name == "word/footnotes.xml" || StartsWith(name, "docProps/")) continue;
    const std::string& own = p.parts.at(name);
    if (own == bytes) continue;
    if (!IsHeaderOrFooter(name)) return std::nullopt;
    const std::string file = name.substr(5);  // relative to word/
    const auto id = id_of_target_.find(file);
    if (id == id_of_target_.end()) return std::nullopt;
    const pugi::xml_node pattern_relation =
        relations_.child("Relationships").find_child_by_attribute("Relationship", "Id", id->second.c_str());
    const pugi::xml_node type = types_.child("Types").find_child_by_attribute("Override", "PartName", ("/" + name).c_str());
    if (!pattern_relation || !type) return std::nullopt;
    const std::string copy_file = "vexlo" + std::to_string(k) + "-" + file;
    const std::string copy_id = "vexlo" + std::to_string(k) + id->second;
    copies_.push_back({"word/" + copy_file, own});
    if (auto rels = pattern_.parts.find(RelationsOf(name)); rels != pattern_.parts.end()) {
      copies_.push_back({RelationsOf("word/" + copy_file), rels->second});
    }
    pugi::xml_node relation = relations_.child("Relationships").append_copy(pattern_relation);
    relation.attribute("Id") = copy_id.c_str();
    relation.attribute("Target") = copy_file.c_str();
    types_.child("Types").append_copy(type).attribute("PartName") = ("/word/" + copy_file).c_str();
    references[id->second] = copy_id;
  }
  if (!references.empty()) {
    rewritten_[kRelations] = Saved(relations_);
    rewritten_[kTypes] = Saved(types_);
  }
  return references;
}

void RecordFrames::Refer(pugi::xml_node section, const ReferenceMap& references) {
  if (references.empty()) return;
  for (pugi::xml_node c : section.children()) {
    const std::string_view name = c.name();
    if (name != "w:headerReference" && name != "w:footerReference") continue;
    pugi::xml_attribute id = c.attribute("r:id");
    if (auto it = references.find(id.value()); it != references.end()) id = it->second.c_str();
  }
}

std::string RecordFrames::EmptyFrame(bool header) {
  std::string& id = header ? empty_header_ : empty_footer_;
  pugi::xml_node relations = relations_.child("Relationships");
  pugi::xml_node types = types_.child("Types");
  if (!id.empty() || !relations || !types) return id;
  const std::string kind = header ? "header" : "footer";
  const std::string file = "vexlo-empty-" + kind + ".xml";
  const char* element = header ? "w:hdr" : "w:ftr";
  // One paragraph one point high: the page keeps the room it has without a header or footer.
  copies_.push_back({"word/" + file,
                     std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><") + element +
                         " xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:p><w:pPr>"
                         "<w:spacing w:before=\"0\" w:after=\"0\" w:line=\"20\" w:lineRule=\"exact\"/>"
                         "<w:rPr><w:sz w:val=\"2\"/></w:rPr></w:pPr></w:p></" + element + ">"});
  id = "vexloEmpty" + kind;
  pugi::xml_node relation = relations.append_child("Relationship");
  relation.append_attribute("Id") = id.c_str();
  relation.append_attribute("Type") =
      ("http://schemas.openxmlformats.org/officeDocument/2006/relationships/" + kind).c_str();
  relation.append_attribute("Target") = file.c_str();
  pugi::xml_node type = types.append_child("Override");
  type.append_attribute("PartName") = ("/word/" + file).c_str();
  type.append_attribute("ContentType") =
      ("application/vnd.openxmlformats-officedocument.wordprocessingml." + kind + "+xml").c_str();
  rewritten_[kRelations] = Saved(relations_);
  rewritten_[kTypes] = Saved(types_);
  return id;
}

const std::string& RecordFrames::Part(const std::string& name) const {
  auto it = rewritten_.find(name);
  return it != rewritten_.end() ? it->second : pattern_.parts.at(name);
}

}  // namespace vexlo::engine
