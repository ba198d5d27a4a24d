// Whether a file the office stored is whole: its format's signature at the start, and for a PDF a
// readable document with the expected page count. The office may die or be killed while it
// writes, and an exporter may skip a file and still report success: nothing goes to its name
// before it passes here. Any thread; reads the file (PDFs through libqpdf).
// Convention: returns Status (status.h).
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_STORED_CHECK_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_STORED_CHECK_H_

#include <string>

#include "office/engine/soffice/conversion_job.h"

namespace vexlo::engine {

// Counts the pages of a PDF file and checks it is complete; -1 when it is not a whole PDF.
int PdfPageCount(const std::string& path);

// Ok when `path` holds a whole file of `format` (a PDF with `pages` pages when pages > 0);
// otherwise (kOutput) the Chinese reason.
Status CheckStored(const std::string& path, StoreFormat format, int pages);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_STORED_CHECK_H_
