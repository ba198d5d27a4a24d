// Repairs of a .docx the office converted from a .doc, for what its own reading of that .docx
// would otherwise lose on the way back (the .doc, the PDF of a record):
//  - a table of contents whose field instruction names the field in a language of its own
//    ("INHALTSVERZEICHNIS \o ...", as localised word processors wrote it): read back as no index,
//    its entries go; the instruction is given the name TOC;
//  - an empty paragraph that ends a section: read back as the section's carrier only, it goes;
//    a plain empty paragraph is put before it.
// Applied only where the office's result was proven to differ, and proven again afterwards.
// Any thread.
#ifndef VEXLO_OFFICE_ENGINE_WORD_DETOUR_REPAIR_H_
#define VEXLO_OFFICE_ENGINE_WORD_DETOUR_REPAIR_H_

#include <optional>
#include <string>
#include <string_view>

namespace vexlo::engine::word {

// The repaired body XML (word/document.xml); nullopt when nothing needed repairing.
std::optional<std::string> RepairDetourXml(std::string_view xml);

// The repaired package; nullopt when nothing needed repairing or it is no readable package.
std::optional<std::string> RepairConvertedDocx(const std::string& docx);

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_DETOUR_REPAIR_H_
