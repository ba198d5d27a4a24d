// XlsxPackage: the parts of an Office Open XML workbook package as the .xlsx reader finds them:
// the workbook part through the package's relationships, a part's relationships resolved to
// part names (names ignore case, as some writers spell them otherwise), parts read and parsed
// (checking their root element), and namespace-blind lookups in the parsed XML. Raises
// app::RuntimeError::Format naming the package when a part is missing or malformed.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_XLSX_PARTS_H_
#define VEXLO_OFFICE_ENGINE_SHEET_XLSX_PARTS_H_

#include <deque>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "office/engine/package/zip_reader.h"

namespace vexlo::engine::sheet {

// A node's name without its namespace prefix ("x:c" -> "c").
std::string_view LocalName(const char* name);
// Whether `node` is an element named `local` (any prefix).
bool Is(const pugi::xml_node& node, std::string_view local);
// The first child element named `local` (any prefix).
pugi::xml_node Child(const pugi::xml_node& parent, std::string_view local);
// An attribute by local name ("r:id" matches "id" only when a prefix is present).
pugi::xml_attribute PrefixedAttribute(const pugi::xml_node& node, std::string_view local);

class XlsxPackage {
 public:
  struct Relationship {
    std::string id, type, target;  // target: the part name
  };

  explicit XlsxPackage(ZipReader& package) : package_(package) {}

  [[noreturn]] void Corrupt(std::string_view what) const;

  bool Has(const std::string& part) const { return package_.Has(part); }
  // The workbook part (xl/workbook.xml, or where the package's relationships put it).
  std::string FindWorkbookPart();
  // The folder of a part ("xl/"), and the part holding its relationships ("xl/_rels/workbook.xml.rels").
  static std::string Folder(const std::string& part);
  static std::string RelsPartOf(const std::string& part);
  // The internal relationships in `rels_part`, their targets resolved against `base`.
  std::vector<Relationship> ReadRelationships(const std::string& rels_part, const std::string& base);
  // The entry that holds `part`; an exact match wins over one that differs in case.
  std::string PartName(const std::string& part);
  std::string ReadPart(const std::string& part);

  // Parses a part into `doc` and returns its root element, which must be `root_name` (a chart
  // sheet passes for a worksheet). The part's bytes are kept, as `doc` points into them, until
  // Release() drops the last kept.
  pugi::xml_node Load(const std::string& part, pugi::xml_document& doc, std::string_view root_name);
  // The same for bytes of `part` read already.
  pugi::xml_node LoadBytes(const std::string& part, std::string bytes, pugi::xml_document& doc,
                           std::string_view root_name);
  void Release() { buffers_.pop_back(); }

  // The local name of the root element of an XML part ("" when there is none to be seen).
  static std::string_view RootName(std::string_view xml);
  // A root we cannot make out (an encoding other than UTF-8) counts as a worksheet.
  static bool IsWorksheetRoot(std::string_view name) { return name.empty() || name == "worksheet"; }
  static bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
  }

 private:
  pugi::xml_node Parse(const std::string& part, std::string& buffer, pugi::xml_document& doc,
                       std::string_view root_name);

  ZipReader& package_;
  std::deque<std::string> buffers_;  // parsed in place; a deque never moves them
  // The package's entry names in lower case -> the first entry of that name, made on first use.
  std::unordered_map<std::string, std::string> folded_names_;
};

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_XLSX_PARTS_H_
