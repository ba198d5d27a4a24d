// The values an Office Open XML workbook writes as text, read as the .xlsx reader needs them:
// numbers and indexes (white space around them allowed), ISO 8601 dates as serial day numbers,
// characters escaped as "_xHHHH_", and the text of a string item. Pure; any thread.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_XLSX_VALUES_H_
#define VEXLO_OFFICE_ENGINE_SHEET_XLSX_VALUES_H_

#include <cstdint>
#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace vexlo::engine::sheet {

// The text without the XML white space around it.
std::string_view TrimXmlSpace(std::string_view text);
// A finite number ("+1.5e3" too); false for anything else.
bool ParseXmlDouble(std::string_view text, double& out);
bool ParseXmlUint(std::string_view text, std::uint32_t& out);
// An ISO 8601 date or date-time ("2020-02-29", "2020-02-29T13:05:00", "13:05:00") as days from
// 1899-12-30 (a time alone as a fraction of a day).
bool ParseIsoDate(std::string_view s, double& serial);
// Texts in the package escape characters XML cannot carry as "_xHHHH_".
std::string DecodeEscapes(std::string_view text);
// The text of a string item (<si> or <is>): its <t>, or the <t> of every run joined; phonetic
// runs (<rPh>) are not part of the value.
std::string StringItemText(const pugi::xml_node& item);

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_XLSX_VALUES_H_
