// The check made before a file is handed to LibreOffice to be read as a document (a .doc, .rtf or
// .odt template, or a compound file under another name). The office reads any file it does not
// recognise as plain text, so random bytes named .doc would become documents full of garbage;
// such a file is refused here with a reason the user can act on.
#ifndef VEXLO_OFFICE_ENGINE_WORD_CONVERTIBLE_INPUT_H_
#define VEXLO_OFFICE_ENGINE_WORD_CONVERTIBLE_INPUT_H_

#include <string>
#include <string_view>

namespace vexlo::engine::word {

// "" when `bytes` are a document the office reads as one: a Word 97-2003 file (a compound file
// with a WordDocument stream), a zip package (.docx or .odt under another name), RTF, or markup
// (HTML, XML); otherwise why not, in Chinese, to follow the file's name.
std::string WhyNotAWordDocument(std::string_view bytes);

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_CONVERTIBLE_INPUT_H_
