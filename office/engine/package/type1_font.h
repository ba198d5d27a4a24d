// Type 1 font programs as the office embeds them in a PDF: an encoding of codes to glyph names in
// the clear part, the glyph programs in the eexec-encrypted part. Trimming keeps the glyphs of the
// codes a document shows and nothing that tells what the others were, not even how many.
// Convention: std::optional, nullopt where the input cannot be read (the caller refuses it as a
// whole).
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_TYPE1_FONT_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_TYPE1_FONT_H_

#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "office/engine/package/font_codes.h"

namespace vexlo::engine {

// The byte counts of a Type 1 program's clear and encrypted parts (a PDF's /Length1, /Length2).
struct Type1Lengths {
  std::size_t clear = 0;
  std::size_t encrypted = 0;
};

// A Type 1 program (clear part, binary eexec part, trailer, as `lengths` divides it) keeping only
// the glyphs of the codes shown (and .notdef), encoded under their new codes (see font_codes.h);
// the glyph dictionary is declared with the size it now has. nullopt when the program is not of
// that form. `trimmed` receives the new lengths.
std::optional<std::string> TrimType1(const std::string& program, Type1Lengths lengths, const FontCodes& codes,
                                     Type1Lengths* trimmed);

// A Type 1 program read (and decrypted) once, to be trimmed to the codes of many documents cut
// from one; copies share what was read.
class Type1Program {
 public:
  // nullopt when the program is not of the form TrimType1 knows.
  static std::optional<Type1Program> Read(const std::string& program, Type1Lengths lengths);

  // The program trimmed as TrimType1 trims it, in its three parts: the clear one, the encrypted
  // one and the trailer (which stays as it was: it points into this program).
  struct Parts {
    std::string clear, encrypted;
    std::string_view trailer;
  };
  Parts Trim(const FontCodes& codes) const;

 private:
  struct Parsed;
  std::shared_ptr<const Parsed> parsed_;
};

// What a Type 1 program holds: its encoding, its glyph names in order, and the size its glyph
// dictionary is declared with.
struct Type1Contents {
  std::map<int, std::string> encoding;
  std::vector<std::string> glyphs;
  int declared_glyphs = 0;
};
std::optional<Type1Contents> ReadType1(const std::string& program, Type1Lengths lengths);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_TYPE1_FONT_H_
