// Reads a comma-separated data file as a workbook of one sheet: UTF-8 (with or without a byte
// order mark), UTF-16 with one, or GB18030/GBK; fields separated by commas, tabs or semicolons,
// whichever the first line holds most of; fields in double quotes may hold separators, line
// breaks and doubled quotes. Every field is kept as the text the file holds ("001" stays "001").
// Time and memory are linear in the file: each byte is looked at a bounded number of times and
// each field is copied once.
// Convention: raises app::RuntimeError (File or Format) naming the file: a reader reached from the
// servers' entry points.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_CSV_READER_H_
#define VEXLO_OFFICE_ENGINE_SHEET_CSV_READER_H_

#include <string>
#include <string_view>

#include "office/engine/sheet/workbook_data.h"

namespace vexlo::engine::sheet {

// The separator of decoded text: ',', '\t' or ';' as counted outside quotes on its first line
// (',' when there is none).
char CsvSeparator(std::string_view text);

// Raises app::RuntimeError::Format naming `display_name` when the bytes are no text, when a
// quoted field is never closed (naming the line its quote opens on), when the file holds no
// field at all, or more rows, columns or cells than a sheet takes.
WorkbookData ReadCsv(std::string bytes, const std::string& display_name);

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_CSV_READER_H_
