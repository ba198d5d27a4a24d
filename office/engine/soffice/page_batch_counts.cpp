#include "office/engine/soffice/page_batch_counts.h"

#include <cctype>
#include <sstream>
#include <vector>

#include "office/engine/package/xml_string_writer.h"
#include "office/engine/soffice/page_batch_fields.h"

namespace vexlo::engine {

namespace {

constexpr unsigned kParse = pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration;

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

enum class Kind { kOther, kCount, kUnwritable };

// What the field instruction `instruction` is: a page count in arabic numerals (`merge` set when
// it keeps its result's formatting), one in another numbering or written otherwise (a switch
// against its name), or another field. A page count is what the joinability check counts as one.
Kind KindOf(const std::string& instruction, bool& merge) {
  const std::string name = FieldName(instruction);
  if (!CountsPages(name)) return Kind::kOther;
  std::istringstream words(instruction);
  std::string word;
  if (!(words >> word) || Upper(word) != name) return Kind::kUnwritable;
  merge = false;
  while (words >> word) {
    std::string value;
    if (word != "\\*" || !(words >> value)) return Kind::kUnwritable;
    value = Upper(value);
    if (value == "MERGEFORMAT") {
      merge = true;
    } else if (value != "ARABIC") {
      return Kind::kUnwritable;
    }
  }
  return Kind::kCount;
}

// One field met in the text: where its instruction is written and the texts of its result.
struct Field {
  pugi::xml_node simple;  // a w:fldSimple, else null
  std::vector<pugi::xml_node> instructions;
  std::string instruction;
  bool in_result = false;
  Kind kind = Kind::kOther;
  bool merge = false;
  std::vector<pugi::xml_node> results;
};

// Collects the page count fields of a part in text order; `ok` turns false at one that cannot
// be written.
struct CountFields : pugi::xml_tree_walker {
  std::vector<Field> open, found;
  bool ok = true;

  bool for_each(pugi::xml_node& n) override {
    const std::string_view name = n.name();
    if (name == "w:fldSimple") {
      Field f;
      f.simple = n;
      f.kind = KindOf(n.attribute("w:instr").value(), f.merge);
      if (f.kind == Kind::kCount) {
        for (pugi::xpath_node t : n.select_nodes(".//w:t")) f.results.push_back(t.node());
      }
      Take(std::move(f));
    } else if (name == "w:fldChar") {
      const std::string_view type = n.attribute("w:fldCharType").value();
      if (type == "begin") {
        // A field inside a page count's result: its text is not the count's alone.
        if (!open.empty() && open.back().in_result && open.back().kind == Kind::kCount) ok = false;
        open.emplace_back();
      } else if (type == "separate" && !open.empty()) {
        Field& f = open.back();
        f.in_result = true;
        f.kind = KindOf(f.instruction, f.merge);
      } else if (type == "end" && !open.empty()) {
        Field f = std::move(open.back());
        open.pop_back();
        if (!f.in_result) f.kind = KindOf(f.instruction, f.merge) == Kind::kOther ? Kind::kOther : Kind::kUnwritable;
        Take(std::move(f));
      }
    } else if (name == "w:instrText" && !open.empty() && !open.back().in_result) {
      open.back().instructions.push_back(n);
      open.back().instruction += n.text().get();
    } else if (name == "w:t" && !open.empty() && open.back().in_result && open.back().kind == Kind::kCount) {
      open.back().results.push_back(n);
    }
    return ok;
  }

  void Take(Field f) {
    if (f.kind == Kind::kOther) return;
    if (f.kind == Kind::kUnwritable || f.results.empty()) ok = false;
    found.push_back(std::move(f));
  }
};

}  // namespace

bool WritePageCounts(pugi::xml_document& xml, int pages) {
  CountFields fields;
  xml.traverse(fields);
  if (!fields.ok || !fields.open.empty()) return false;
  const std::string count = std::to_string(pages);
  for (Field& f : fields.found) {
    const std::string instruction =
        std::string(" DOCPROPERTY ") + kPagesProperty + (f.merge ? " \\* MERGEFORMAT " : " ");
    if (f.simple) {
      f.simple.attribute("w:instr").set_value(instruction.c_str());
    } else {
      for (std::size_t k = 0; k < f.instructions.size(); ++k) {
        f.instructions[k].text().set(k == 0 ? instruction.c_str() : "");
      }
    }
    for (std::size_t k = 0; k < f.results.size(); ++k) f.results[k].text().set(k == 0 ? count.c_str() : "");
  }
  return true;
}

std::optional<std::string> WritePageCounts(const std::string& part, int pages) {
  if (part.find("instr") == std::string::npos) return part;  // no field at all
  pugi::xml_document xml;
  if (!xml.load_buffer(part.data(), part.size(), kParse)) return std::nullopt;
  if (!WritePageCounts(xml, pages)) return std::nullopt;
  XmlStringWriter out;
  xml.save(out, "", pugi::format_raw);
  return out.s;
}

bool ArabicPageNumbers(const pugi::xml_document& xml) {
  for (pugi::xpath_node n : xml.select_nodes("//w:pgNumType")) {
    const std::string format = n.node().attribute("w:fmt").value();
    if (!format.empty() && format != "decimal") return false;
  }
  return true;
}

}  // namespace vexlo::engine
