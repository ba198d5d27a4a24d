#include "office/engine/soffice/page_batch_fields.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <set>
#include <string_view>

#include "office/engine/soffice/page_batch_refs.h"

namespace vexlo::engine {

std::string FieldName(const std::string& instruction) {
  std::string word;
  for (char c : instruction) {
    if (c == ' ' || c == '\\' || c == '"') {
      if (!word.empty()) break;
      continue;
    }
    word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return word;
}

std::vector<std::string> FieldNames(const pugi::xml_document& xml) {
  std::vector<std::string> names;
  std::vector<std::string> open;  // instructions of the complex fields being read
  const auto add = [&names](const std::string& instruction) { names.push_back(FieldName(instruction)); };
  struct Walker : pugi::xml_tree_walker {
    std::function<bool(pugi::xml_node&)> visit;
    bool for_each(pugi::xml_node& n) override { return visit(n); }
  } walker;
  walker.visit = [&](pugi::xml_node& n) {
    const std::string_view name = n.name();
    if (name == "w:fldSimple") {
      add(n.attribute("w:instr").value());
    } else if (name == "w:fldChar") {
      const std::string_view type = n.attribute("w:fldCharType").value();
      if (type == "begin") {
        open.emplace_back();
      } else if (type == "separate" || type == "end") {
        if (!open.empty() && (type == "end" || !open.back().empty())) {
          if (!open.back().empty()) add(open.back());
          open.back().clear();
          if (type == "end") open.pop_back();
        }
      }
    } else if (name == "w:instrText" && !open.empty()) {
      open.back() += n.text().get();
    }
    return true;
  };
  const_cast<pugi::xml_document&>(xml).traverse(walker);
  return names;
}

bool CountsPages(const std::string& field) { return field == "NUMPAGES" || field == "SECTIONPAGES"; }

bool CountsPages(const pugi::xml_document& xml) {
  const std::vector<std::string> names = FieldNames(xml);
  return std::any_of(names.begin(), names.end(), [](const std::string& f) { return CountsPages(f); });
}

// Fields that show the same inside a longer document: the page number (each record restarts
// it), the page count (given per record), dates and times (the clock's, or the document's own
// dates, which every record's file shares with the template), links; in the main text also
// references and captions' numbers, made the record's own (page_batch_refs.h), a table of
// contents (the office shows the entries it holds, as they were last made, without gathering
// them again; their links and page references go to the record's own renamed bookmarks) and text
// form fields (the office shows their text as text, no form; their names, bookmarks, are the
// record's own).
Status CheckFields(const pugi::xml_document& xml, bool main_text) {
  static const std::set<std::string> kSame = {"PAGE", "DATE", "TIME", "CREATEDATE", "SAVEDATE", "PRINTDATE",
                                              "HYPERLINK"};
  static const std::set<std::string> kOwn = {"REF", "PAGEREF", "SEQ", "TOC", "FORMTEXT"};
  for (const std::string& field : FieldNames(xml)) {
    if (kSame.count(field) == 0 && !CountsPages(field) && (!main_text || kOwn.count(field) == 0)) {
      return Status::Refused("含有域 " + field);
    }
  }
  return main_text ? CheckReferences(xml) : Status::Ok();
}

}  // namespace vexlo::engine
