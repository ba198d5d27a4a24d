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

}  // namespace

bool WritePageCounts(pugi::xml_document& xml, int pages) {
  struct Count {
    FieldRuns field;
    bool merge = false;
  };
  std::vector<Count> counts;
  for (FieldRuns& f : Fields(xml)) {
    if (!f.ended) return false;  // a part that stops inside a field is left as it is
    bool merge = false;
    const Kind kind = KindOf(f.instruction, merge);
    if (kind == Kind::kOther) continue;
    // Written only as a whole field whose result is the count's text alone.
    if (kind == Kind::kUnwritable || !f.has_result || f.holds_fields || f.results.empty()) return false;
    counts.push_back({std::move(f), merge});
  }
  const std::string count = std::to_string(pages);
  for (Count& c : counts) {
    FieldRuns& f = c.field;
    const std::string instruction =
        std::string(" DOCPROPERTY ") + kPagesProperty + (c.merge ? " \\* MERGEFORMAT " : " ");
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
