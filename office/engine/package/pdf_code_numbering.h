// The codes a cut PDF's pages show, numbered afresh font by font (see font_codes.h): the strings
// its content streams show are rewritten with the new codes, so that a font's code range and
// glyph slots hold the record's characters alone and tell nothing of how many the others had.
// Uses libqpdf; any thread.
// Convention: std::optional, nullopt where the input cannot be read (the caller refuses it as a
// whole).
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_PDF_CODE_NUMBERING_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_PDF_CODE_NUMBERING_H_

#include <map>
#include <optional>

#include "office/engine/package/font_codes.h"
#include "office/engine/package/pdf_shown_codes.h"

namespace vexlo::engine {

// Rewrites the strings of `shown` (read from `pdf`) with each font's codes numbered afresh, and
// gives each font's new codes. nullopt, with nothing changed, when a string cannot be rewritten
// safely: its bytes are not where the reader found them, or a form shows it under fonts numbered
// differently.
std::optional<std::map<QPDFObjGen, FontCodes>> NumberShownCodes(QPDF& pdf, const ShownCodes& shown);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_PDF_CODE_NUMBERING_H_
