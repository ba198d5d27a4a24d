// XlsBook: what one binary Excel workbook is read with, shared by the reading of its globals and
// sheets (xls_reader.cpp) and of each sheet's cell records (xls_sheet_cells.cpp): its records,
// the workbook read so far, its number formats, its version and where its shared strings lie
// among the workbook's texts. Internal to the .xls reader.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_XLS_BOOK_H_
#define VEXLO_OFFICE_ENGINE_SHEET_XLS_BOOK_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "office/engine/sheet/biff_record_stream.h"
#include "office/engine/sheet/workbook_data.h"
#include "office/engine/sheet/xls_formats.h"

namespace vexlo::engine::sheet {

struct XlsBook {
  XlsBook(std::string_view stream, const std::string& display_name)
      : records(stream, display_name), formats(data) {}

  // Code page, date system and number formats of an Excel 2.x-4.x stream; false for any other
  // record.
  bool ReadEarlySetting(const BiffRecord& r);

  BiffRecordStream records;
  WorkbookData data;
  XlsFormats formats;
  int version = 8;  // 2, 3, 4, 5 (BIFF5/7) or 8
  std::uint32_t shared_first = 0;  // the data.strings index of shared string 0
  std::uint32_t shared_count = 0;
};

// The cell records of the sheet whose BOF has just been read, up to its EOF, into `sheet`:
// numbers (NUMBER, RK, MULRK, and BIFF2's INTEGER), texts (shared, LABEL, RSTRING), booleans and
// errors, and formulas' cached results (a text result in the STRING record after its FORMULA; a
// FORMULA whose text result never follows is noted as uncalculated). Embedded chart substreams
// are skipped.
void ReadSheetCells(XlsBook& book, SheetData& sheet);

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_XLS_BOOK_H_
