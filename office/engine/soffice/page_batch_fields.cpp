#include "office/engine/soffice/page_batch_fields.h"

#include <algorithm>
#include <cctype>
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

std::vector<FieldRuns> Fields(pugi::xml_node root) {
  struct Walker : pugi::xml_tree_walker {
    std::vector<FieldRuns> open, found;
    bool for_each(pugi::xml_node& n) override {
      const std::string_view name = n.name();
      if (name == "w:fldSimple") {
        FieldRuns f;
        f.simple = n;
        f.instruction = n.attribute("w:instr").value();
        f.has_result = true;
        for (pugi::xpath_node t : n.select_nodes(".//w:t")) f.results.push_back(t.node());
        found.push_back(std::move(f));
      } else if (name == "w:fldChar") {
        const std::string_view type = n.attribute("w:fldCharType").value();
        if (type == "begin") {
          if (!open.empty() && open.back().has_result) open.back().holds_fields = true;
          open.emplace_back();
        } else if (type == "separate" && !open.empty()) {
          open.back().has_result = true;
        } else if (type == "end" && !open.empty()) {
          found.push_back(std::move(open.back()));
          open.pop_back();
        }
      } else if (name == "w:instrText" && !open.empty() && !open.back().has_result) {
        open.back().instructions.push_back(n);
        open.back().instruction += n.text().get();
      } else if (name == "w:t" && !open.empty() && open.back().has_result) {
        open.back().results.push_back(n);
      }
      return true;
    }
  } walker;
  root.traverse(walker);
  for (FieldRuns& f : walker.open) {
    f.ended = false;
    walker.found.push_back(std::move(f));
  }
  return std::move(walker.found);
}

std::vector<std::string> FieldNames(const pugi::xml_document& xml) {
  std::vector<std::string> names;
  for (const FieldRuns& f : Fields(xml)) {
    // A field the part stops in before its result names nothing yet.
    if (f.simple || (!f.instruction.empty() && (f.ended || f.has_result))) names.push_back(FieldName(f.instruction));
  }
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
