// The paragraphs of a .docx file as plain text, for the generation window's own page image.
// Only the program links it (it reads the package through the engine's zip reader).
#ifndef VEXLO_UI_MAIN_DOCX_PARAGRAPHS_H_
#define VEXLO_UI_MAIN_DOCX_PARAGRAPHS_H_

#include <string>
#include <vector>

namespace vexlo::engine::word {
class DocConversions;
}  // namespace vexlo::engine::word

namespace vexlo::ui {

// An entry that starts with this character is a table row: each cell's text follows one.
inline constexpr char kCellSeparator = '\x1F';

// The text of each paragraph of the main story up to the end of its first page (a page break, a
// section that starts a new page, or where Word last broke the page), at most `limit` of them.
// A table row is one entry, each cell's text after a kCellSeparator. Nothing for a file that
// is not a readable .docx package.
std::vector<std::string> DocxParagraphs(const std::string& path, std::size_t limit = 80);
// The same for any template the engine opens: a .doc (or .rtf, .odt) is converted first by
// `conversions`, which takes LibreOffice a second or two.
std::vector<std::string> TemplateParagraphs(engine::word::DocConversions& conversions,
                                            const std::string& path, std::size_t limit = 80);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_DOCX_PARAGRAPHS_H_
