// XlsFormats: the number formats of a binary Excel workbook, from its FORMAT and XF records:
// for each XF (a cell's format) whether it shows a date, and which of the workbook's format codes
// (WorkbookData::formats) it shows the value with. BIFF5/8 workbooks number their FORMAT records
// and resolve XFs once the globals are read; Excel 2.x-4.x streams count FORMAT records in order,
// and a sheet of an Excel 4.0 workbook that brings its own replaces those before it. BIFF2 cells
// may name their format directly in their attribute bytes.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_XLS_FORMATS_H_
#define VEXLO_OFFICE_ENGINE_SHEET_XLS_FORMATS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "office/engine/sheet/workbook_data.h"

namespace vexlo::engine::sheet {

class XlsFormats {
 public:
  explicit XlsFormats(WorkbookData& data) : data_(data) {}

  // BIFF5/8 workbook globals: a FORMAT record (the last of an index counts), an XF record naming
  // the format `format`, and the end of the globals, which resolves the XFs.
  void AddFormat(std::uint16_t index, std::string code);
  void AddXf(std::uint16_t format);
  void FinishGlobals();

  // Excel 2.x-4.x: a FORMAT record (the next in order) and an XF naming the `format`th of them.
  void AddEarlyFormat(std::string code);
  void AddEarlyXf(std::uint8_t format);
  // The next FORMAT or XF record read starts the formats afresh (a sheet of its own follows).
  void StartAfreshAtNext() { replace_at_next_ = true; }

  bool IsDateXf(std::uint16_t xf) const { return xf < xf_is_date_.size() && xf_is_date_[xf]; }
  // The index into WorkbookData::formats that XF `xf` shows (0: General).
  std::uint16_t ShownFormat(std::uint16_t xf) const { return xf < xf_shown_.size() ? xf_shown_[xf] : 0; }

  // BIFF2 cells name their XF in their first attribute byte and repeat its number format in the
  // second, which serves when the file has no XF records. `cell` is the cell record's body.
  bool IsDateBiff2Cell(std::string_view cell) const;
  std::uint16_t ShownFormatBiff2Cell(std::string_view cell);

 private:
  void StartAfreshIfAsked();
  std::uint16_t EarlyFormat(std::uint8_t format);

  WorkbookData& data_;
  std::vector<std::uint16_t> xf_format_;  // BIFF5/8: XF -> FORMAT index
  std::vector<bool> xf_is_date_;
  std::vector<std::uint16_t> xf_shown_;  // XF -> index into data_.formats
  std::unordered_map<std::uint16_t, std::string> format_codes_;  // FORMAT index -> code
  std::unordered_map<std::uint16_t, bool> format_is_date_;  // FORMAT index -> is a date
  std::vector<std::string> early_codes_;  // Excel 2.x-4.x: FORMAT codes in order
  std::vector<bool> early_is_date_;       // Excel 2.x-4.x: FORMAT records in order, is a date
  bool replace_at_next_ = false;
};

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_XLS_FORMATS_H_
