// The character maps (ToUnicode) of a PDF's simple fonts: one-byte codes to the text they stand
// for, as hexadecimal UTF-16.
// Convention: std::optional, nullopt where the input cannot be read (the caller refuses it as a
// whole).
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_PDF_UNICODE_MAP_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_PDF_UNICODE_MAP_H_

#include <map>
#include <optional>
#include <string>

namespace vexlo::engine {

using UnicodeMap = std::map<unsigned, std::string>;  // code → hexadecimal text

// The bfchar and bfrange entries of a character map; nullopt when it holds codes of other than
// one byte, or cannot be read.
std::optional<UnicodeMap> ReadUnicodeMap(const std::string& cmap);

std::string WriteUnicodeMap(const UnicodeMap& map);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_PDF_UNICODE_MAP_H_
