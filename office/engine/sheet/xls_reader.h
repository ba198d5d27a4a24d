// Reads a binary Excel workbook (BIFF8, and BIFF5/7 with their code pages) from the workbook
// stream of its compound document: sheet names, the active sheet from the window record, and the
// cells of the active sheet with their raw values (shared strings across CONTINUE records, labels,
// numbers, RK and MULRK numbers, cached formula results, booleans and errors, date-formatted
// numbers as dates). Raises app::RuntimeError::Format naming the file on anything unreadable.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_XLS_READER_H_
#define VEXLO_OFFICE_ENGINE_SHEET_XLS_READER_H_

#include <string>
#include <string_view>

#include "office/engine/sheet/workbook_data.h"

namespace vexlo::engine::sheet {

// `stream` is the "Workbook" (BIFF8) or "Book" (BIFF5/7) stream.
WorkbookData ReadXls(std::string_view stream, const std::string& display_name);

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_XLS_READER_H_
