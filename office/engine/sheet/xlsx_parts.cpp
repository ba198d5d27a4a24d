#include "office/engine/sheet/xlsx_parts.h"

#include <cctype>
#include <cstring>

#include "app/runtime_error.h"
#include "office/engine/sheet/xml_slices.h"

namespace vexlo::engine::sheet {
namespace {

std::string Folded(std::string_view name) {
  std::string out(name);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Resolves a relationship target against the folder of its source part, folding "a/../b" and "./".
std::string Resolve(const std::string& base, std::string_view target) {
  std::string path = !target.empty() && target[0] == '/' ? std::string(target.substr(1))
                                                         : base + std::string(target);
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    const std::string piece = path.substr(start, slash - start);
    if (piece == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!piece.empty() && piece != ".") {
      parts.push_back(piece);
    }
    start = slash + 1;
  }
  std::string out;
  for (const auto& p : parts) out += (out.empty() ? "" : "/") + p;
  return out;
}

}  // namespace

std::string_view LocalName(const char* name) {
  const char* colon = std::strchr(name, ':');
  return colon ? std::string_view(colon + 1) : std::string_view(name);
}

bool Is(const pugi::xml_node& node, std::string_view local) {
  return node.type() == pugi::node_element && LocalName(node.name()) == local;
}

pugi::xml_node Child(const pugi::xml_node& parent, std::string_view local) {
  for (pugi::xml_node n = parent.first_child(); n; n = n.next_sibling()) {
    if (Is(n, local)) return n;
  }
  return {};
}

pugi::xml_attribute PrefixedAttribute(const pugi::xml_node& node, std::string_view local) {
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
    const char* colon = std::strchr(a.name(), ':');
    if (colon && std::string_view(colon + 1) == local) return a;
  }
  return {};
}

void XlsxPackage::Corrupt(std::string_view what) const {
  throw app::RuntimeError::Format(package_.display_name(), "不是有效的Excel工作簿或已损坏：" + std::string(what));
}

std::string XlsxPackage::FindWorkbookPart() {
  for (const auto& r : ReadRelationships("_rels/.rels", "")) {
    if (EndsWith(r.type, "/officeDocument") && package_.Has(r.target)) return r.target;
  }
  if (package_.Has("xl/workbook.xml")) return "xl/workbook.xml";
  if (package_.Has("word/document.xml")) Corrupt("这是Word文档，不是Excel工作簿");
  Corrupt("找不到工作簿内容");
}

std::string XlsxPackage::Folder(const std::string& part) {
  const size_t slash = part.rfind('/');
  return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

std::string XlsxPackage::RelsPartOf(const std::string& part) {
  const size_t slash = part.rfind('/');
  if (slash == std::string::npos) return "_rels/" + part + ".rels";
  return part.substr(0, slash + 1) + "_rels/" + part.substr(slash + 1) + ".rels";
}

std::vector<XlsxPackage::Relationship> XlsxPackage::ReadRelationships(const std::string& rels_part,
                                                                      const std::string& base) {
  std::vector<Relationship> out;
  if (!package_.Has(rels_part)) return out;
  pugi::xml_document doc;
  const pugi::xml_node root = Load(rels_part, doc, "Relationships");
  for (pugi::xml_node r = root.first_child(); r; r = r.next_sibling()) {
    if (!Is(r, "Relationship")) continue;
    if (std::string_view(r.attribute("TargetMode").value()) == "External") continue;
    out.push_back({r.attribute("Id").value(), r.attribute("Type").value(),
                   PartName(Resolve(base, r.attribute("Target").value()))});
  }
  Release();
  return out;
}

// Part names ignore case: "xl/SharedStrings.xml" is the part a relationship names
// "sharedStrings.xml".
std::string XlsxPackage::PartName(const std::string& part) {
  if (package_.Has(part)) return part;
  if (folded_names_.empty()) {
    for (const std::string& name : package_.names()) folded_names_.emplace(Folded(name), name);
  }
  const auto it = folded_names_.find(Folded(part));
  return it == folded_names_.end() ? part : it->second;
}

std::string XlsxPackage::ReadPart(const std::string& part) {
  auto bytes = package_.Read(part);
  if (!bytes) Corrupt("缺少 " + part);
  return std::move(*bytes);
}

pugi::xml_node XlsxPackage::Load(const std::string& part, pugi::xml_document& doc,
                                 std::string_view root_name) {
  return LoadBytes(part, ReadPart(part), doc, root_name);
}

pugi::xml_node XlsxPackage::LoadBytes(const std::string& part, std::string bytes,
                                      pugi::xml_document& doc, std::string_view root_name) {
  buffers_.push_back(std::move(bytes));
  return Parse(part, buffers_.back(), doc, root_name);
}

// Parses `buffer` in place; it must stay alive as long as `doc`.
pugi::xml_node XlsxPackage::Parse(const std::string& part, std::string& buffer, pugi::xml_document& doc,
                                  std::string_view root_name) {
  const pugi::xml_parse_result ok = doc.load_buffer_inplace(buffer.data(), buffer.size(), kXmlSliceParseOptions);
  if (!ok) Corrupt(part + " 的XML格式错误（" + ok.description() + "）");
  pugi::xml_node root = doc.document_element();
  // A chart sheet may be the active tab: it is a sheet without cells.
  const bool chart = root_name == "worksheet" && Is(root, "chartsheet");
  if (!Is(root, root_name) && !chart) Corrupt(part + " 的内容不符合预期");
  return root;
}

std::string_view XlsxPackage::RootName(std::string_view xml) {
  for (size_t at = xml.find('<'); at != std::string_view::npos; at = xml.find('<', at + 1)) {
    if (at + 1 >= xml.size()) break;
    const char next = xml[at + 1];
    if (next == '?' || next == '!') continue;  // declaration, comment, document type
    size_t end = at + 1;
    while (end < xml.size() && xml[end] != '>' && xml[end] != '/' && xml[end] != ' ' &&
           xml[end] != '\t' && xml[end] != '\r' && xml[end] != '\n') {
      ++end;
    }
    std::string_view name = xml.substr(at + 1, end - at - 1);
    const size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
  }
  return {};
}

}  // namespace vexlo::engine::sheet
