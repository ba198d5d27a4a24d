// The check made before a file is handed to LibreOffice to be read as a document (a .doc, .rtf or
// .odt template, or a compound file under another name). The office reads any file it does not
// recognise as plain text, so random bytes named .doc would become documents full of garbage;
// such a file is refused here with a reason the user can act on.
// Convention: returns Status (status.h).
#ifndef VEXLO_OFFICE_ENGINE_WORD_CONVERTIBLE_INPUT_H_
#define VEXLO_OFFICE_ENGINE_WORD_CONVERTIBLE_INPUT_H_

#include <string_view>

#include "office/engine/package/status.h"

namespace vexlo::engine::word {

// Ok when `bytes` are a document the office reads as one: a Word 97-2003 file (a compound file
// with a WordDocument stream), a zip package (.docx or .odt under another name), RTF, or markup
// (HTML, XML); otherwise (kFormat) why not, in Chinese, to follow the file's name.
Status CheckWordDocument(std::string_view bytes);

}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_CONVERTIBLE_INPUT_H_
