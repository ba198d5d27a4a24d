// The parts around the main text of joined records: a record whose headers or footers differ
// from the first record's (they hold values) gets copies of its own, under new names and new
// relationship ids, which its sections then name. Part of page_batch; pure, any thread.
// Convention: std::optional, nullopt where the input cannot be read (the caller refuses it as a
// whole).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_FRAMES_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_FRAMES_H_

#include <pugixml.hpp>

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vexlo::engine {

// The parts of a .docx by name, and their names in the package's order.
struct Package {
  std::vector<std::string> names;
  std::map<std::string, std::string> parts;
};

// The package at `path`, with its main text; nothing when it cannot be read.
std::optional<Package> ReadPackage(const std::string& path);

bool IsHeaderOrFooter(const std::string& part);

// Old relationship id → the record's own, for the header and footer references of its sections.
using ReferenceMap = std::map<std::string, std::string>;

class RecordFrames {
 public:
  explicit RecordFrames(const Package& pattern);

  // The copies record `k` needs of its headers and footers that differ from the pattern's;
  // nothing when `p` is not built like the pattern (other parts, or parts other than the main
  // text, headers, footers and footnotes differing), or a differing part cannot be named anew.
  std::optional<ReferenceMap> Add(const Package& p, std::size_t k);

  // The relationship id of an empty header (`header`) or footer part, added to the package once.
  // A record's first section names it for a kind of header or footer that the record shows
  // nowhere before a later section names one: alone it would show none, joined it would take the
  // previous record's. Empty when the package has no relationships to add it to.
  std::string EmptyFrame(bool header);

  // Points the header and footer references of `section` at the record's own parts.
  static void Refer(pugi::xml_node section, const ReferenceMap& references);

  // The pattern's part `name` as the joined package has it (relationships and content types
  // naming the copies), and the copies to add after the pattern's parts.
  const std::string& Part(const std::string& name) const;
  const std::vector<std::pair<std::string, std::string>>& copies() const { return copies_; }

 private:
  const Package& pattern_;
  pugi::xml_document relations_, types_;
  std::map<std::string, std::string> id_of_target_;  // "header1.xml" → "rId8"
  std::vector<std::pair<std::string, std::string>> copies_;
  std::map<std::string, std::string> rewritten_;
  std::string empty_header_, empty_footer_;  // relationship ids, once added
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_PAGE_BATCH_FRAMES_H_
