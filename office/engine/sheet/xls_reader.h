// Reads a binary Excel workbook (BIFF8, and BIFF5/7 with their code pages) from the workbook
// stream of its compound document, or a bare Excel 2.x-4.x worksheet or Excel 4.0 workbook
// stream: sheet names, the active sheet from the window record (the first worksheet when the
// active tab is a chart or macro sheet, and in Excel 4.0 workbooks), and the cells of that sheet
// with their raw values (strings across CONTINUE records, labels in the file's code page, numbers,
// RK and MULRK numbers, cached formula results, booleans and errors, date-formatted numbers as
// dates). Raises app::RuntimeError::Format naming the file on anything unreadable.
// Convention: raises app::RuntimeError (File or Format) naming the file: a reader reached from the
// servers' entry points.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_XLS_READER_H_
#define VEXLO_OFFICE_ENGINE_SHEET_XLS_READER_H_

#include <string>
#include <string_view>

#include "office/engine/sheet/workbook_data.h"

namespace vexlo::engine::sheet {

// `stream` is the "Workbook" (BIFF8) or "Book" (BIFF5/7) stream, or a whole Excel 2.x-4.x file.
// `display_name` names the file in errors (and a single-sheet Excel 2.x-4.x file's sheet).
WorkbookData ReadXls(std::string_view stream, const std::string& display_name);

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_XLS_READER_H_
