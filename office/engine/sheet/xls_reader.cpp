#include "office/engine/sheet/xls_reader.h"

#include <filesystem>
#include <vector>

#include "app/runtime_error.h"
#include "office/engine/package/little_endian.h"
#include "office/engine/sheet/biff_records.h"
#include "office/engine/sheet/workbook_protection.h"
#include "office/engine/sheet/xls_book.h"

namespace vexlo::engine::sheet {

bool XlsBook::ReadEarlySetting(const BiffRecord& r) {
  switch (r.type) {
    case biff::kFilePass:  // Excel 2.x-4.x files are only ever obfuscated with a password of their own
      RefuseEncryption(records.display_name(), "不支持这种早期加密方式");
    case biff::kCodePage:
      records.Need(r, 2);
      records.SetCodePage(ReadLe16(r.data, biff::codepage::kValue));
      return true;
    case biff::kDateMode:
      records.Need(r, 2);
      data.date1904 = ReadLe16(r.data, biff::datemode::kValue) == 1;
      return true;
    case biff::kFormat2:
    case biff::kFormat:  // BIFF4: two bytes before the text
      formats.AddEarlyFormat(records.RecordString(
          r, r.type == biff::kFormat ? biff::format::kBiff4Code : biff::format::kBiff2Code, true));
      return true;
    case biff::kXf2:
    case biff::kXf3:
    case biff::kXf4: {
      records.Need(r, 3);
      const uint8_t format =
          r.type == biff::kXf2 ? static_cast<uint8_t>(r.data[biff::xf::kBiff2Format]) & biff::xf::kBiff2FormatMask
                               : static_cast<uint8_t>(r.data[biff::xf::kBiff3Format]);
      formats.AddEarlyXf(format);
      return true;
    }
    default:
      return false;
  }
}

namespace {

// The workbook: its version, its globals (sheets, code page, date system, formats, shared
// strings, the active tab), then the cells of each worksheet.
class XlsReader {
 public:
  XlsReader(std::string_view stream, const std::string& display_name) : book_(stream, display_name) {}

  WorkbookData Read() {
    auto first = records_.Next();
    if (!first) records_.Corrupt("工作簿数据流为空");
    const uint16_t substream = ReadBof(*first);
    if (book_.version <= 4) {
      ReadEarly(substream);
      return std::move(data_);
    }
    ReadGlobals();
    if (data_.sheets.empty()) records_.Corrupt("工作簿中没有工作表");
    data_.active_sheet = ClampActiveSheet(active_, data_.sheets.size());
    // A chart or macro sheet may be the active tab: read the first worksheet instead.
    if (sheet_kinds_[data_.active_sheet] != biff::boundsheet::kWorksheet) {
      for (size_t i = 0; i < sheet_kinds_.size(); ++i) {
        if (sheet_kinds_[i] == biff::boundsheet::kWorksheet) {
          data_.active_sheet = i;
          break;
        }
      }
    }
    ReadSheet(sheet_offsets_[data_.active_sheet], data_.sheets[data_.active_sheet]);
    // The worksheets besides the active one, which a caller may choose instead.
    for (size_t i = 0; i < data_.sheets.size(); ++i) {
      if (i != data_.active_sheet && sheet_kinds_[i] == biff::boundsheet::kWorksheet) ReadOtherSheet(i);
    }
    return std::move(data_);
  }

 private:
  // A sheet besides the active one. One that cannot be read is noted as such rather than failing
  // the whole workbook.
  void ReadOtherSheet(size_t i) {
    SheetData& sheet = data_.sheets[i];
    try {
      ReadSheet(sheet_offsets_[i], sheet);
    } catch (const app::RuntimeError& e) {
      sheet.cells.clear();
      sheet.uncalculated.clear();
      sheet.unreadable = e.text();
    }
  }

  void ReadSheet(uint32_t offset, SheetData& sheet) {
    records_.Seek(offset);
    auto bof = records_.Next();
    if (!bof) records_.Corrupt("工作表被截断");
    in_sheets_ = true;
    ReadBof(*bof);
    ReadSheetCells(book_, sheet);
  }

  // Checks a BOF record, sets the version from it and returns the substream type.
  uint16_t ReadBof(const BiffRecord& r) {
    records_.Need(r, biff::bof::kMinSize);
    switch (r.type) {
      case biff::kBof2:
        book_.version = 2;
        break;
      case biff::kBof3:
        book_.version = 3;
        break;
      case biff::kBof4:
        book_.version = 4;
        break;
      case biff::kBof:
        // A sheet's BOF follows its workbook's, whatever version it claims.
        if (!in_sheets_) book_.version = Biff5Or8(r);
        break;
      default:
        records_.Corrupt("缺少文件头记录");
    }
    records_.set_biff8(book_.version == 8);
    return ReadLe16(r.data, biff::bof::kSubstream);
  }

  // The version of a workbook's first BOF. Some writers leave its version field 0 or put another
  // number there; the record's length tells BIFF8 (16 bytes) from BIFF5/7 (8 bytes).
  static int Biff5Or8(const BiffRecord& r) {
    const uint16_t version = ReadLe16(r.data, biff::bof::kVersion);
    if (version == biff::bof::kBiff8) return 8;
    if (version == biff::bof::kBiff5) return 5;
    return r.data.size() >= biff::bof::kBiff8Size ? 8 : 5;
  }

  // Excel 2.x-4.x: a worksheet file is one sheet whose formats come before its cells; an Excel
  // 4.0 workbook holds global records, then each sheet behind a header with its name.
  void ReadEarly(uint16_t substream) {
    if (substream != biff::bof::kWorkbook4) {
      SheetData sheet;
      sheet.name = std::filesystem::path(records_.display_name()).stem().string();
      data_.sheets.push_back(std::move(sheet));
      ReadSheetCells(book_, data_.sheets[0]);
      return;
    }
    // Each sheet follows its header inside the workbook's substream, which ends last.
    std::vector<uint16_t> kinds;
    for (;;) {
      auto r = records_.Next();
      if (!r) records_.Corrupt("工作簿全局数据没有结束记录");
      if (r->type == biff::kEof) break;
      if (r->type != biff::kSheetHeader) {
        book_.ReadEarlySetting(*r);
        continue;
      }
      records_.Need(*r, biff::sheet_header::kName + 1);
      SheetData sheet;
      sheet.name = records_.RecordString(*r, biff::sheet_header::kName, true);
      data_.sheets.push_back(std::move(sheet));
      sheet_offsets_.push_back(static_cast<uint32_t>(records_.position()));
      auto bof = records_.Next();
      if (!bof || !BiffRecordStream::IsBof(bof->type)) records_.Corrupt("工作表缺少文件头记录");
      kinds.push_back(ReadBof(*bof));
      records_.SkipSubstream();
    }
    if (data_.sheets.empty()) records_.Corrupt("工作簿中没有工作表");
    for (size_t i = kinds.size(); i-- > 0;) {
      if (kinds[i] == biff::bof::kWorksheet) data_.active_sheet = i;
    }
    // A sheet that brings its own formats replaces those of the workbook.
    book_.formats.StartAfreshAtNext();
    ReadSheet(sheet_offsets_[data_.active_sheet], data_.sheets[data_.active_sheet]);
    for (size_t i = 0; i < kinds.size(); ++i) {
      if (i != data_.active_sheet && kinds[i] == biff::bof::kWorksheet) {
        book_.formats.StartAfreshAtNext();
        ReadOtherSheet(i);
      }
    }
  }

  void ReadGlobals() {
    while (auto r = records_.Next()) {
      const std::string_view d = r->data;
      switch (r->type) {
        case biff::kEof:
          book_.formats.FinishGlobals();
          return;
        case biff::kFilePass:
          records_.Decrypt(d);
          break;
        case biff::kCodePage:
          records_.Need(*r, 2);
          records_.SetCodePage(ReadLe16(d, biff::codepage::kValue));
          break;
        case biff::kDateMode:
          records_.Need(*r, 2);
          data_.date1904 = ReadLe16(d, biff::datemode::kValue) == 1;
          break;
        case biff::kWindow1:
          records_.Need(*r, biff::window1::kMinSize);
          active_ = ReadLe16(d, biff::window1::kActiveTab);
          break;
        case biff::kBoundSheet: {
          using namespace biff::boundsheet;
          records_.Need(*r, kName + 1);
          sheet_offsets_.push_back(ReadLe32(d, kStreamPosition));
          sheet_kinds_.push_back(static_cast<uint8_t>(d[kKind]));
          SheetData sheet;
          sheet.name = records_.RecordString(*r, kName, true);
          data_.sheets.push_back(std::move(sheet));
          break;
        }
        case biff::kFormat:
          records_.Need(*r, biff::format::kCode + 1);
          book_.formats.AddFormat(ReadLe16(d, biff::format::kIndex),
                                  records_.RecordString(*r, biff::format::kCode, !records_.biff8()));
          break;
        case biff::kXf:
          records_.Need(*r, biff::xf::kFormat + 2);
          book_.formats.AddXf(ReadLe16(d, biff::xf::kFormat));
          break;
        case biff::kSst:
          ReadSst(*r);
          break;
        default:
          break;
      }
    }
    records_.Corrupt("工作簿全局数据没有结束记录");
  }

  void ReadSst(const BiffRecord& r) {
    if (!records_.biff8()) return;  // BIFF5 has no shared strings
    BiffContinued c = records_.WithContinues(r);
    c.U32();  // total references
    const uint32_t unique = c.U32();
    // The workbook's globals add no other texts, so the shared strings are one run of the text
    // table (a second table goes on from the first).
    if (book_.shared_count == 0) book_.shared_first = static_cast<uint32_t>(data_.strings.size());
    for (uint32_t i = 0; i < unique && !c.AtEnd(); ++i) {
      const uint16_t cch = c.U16();
      data_.AddString(c.Biff8Chars(cch));
      ++book_.shared_count;
    }
    // Some writers count fewer strings than they store; cells may use the rest. What does not
    // read as a whole string past the count is left alone.
    try {
      while (!c.AtEnd()) {
        const uint16_t cch = c.U16();
        data_.AddString(c.Biff8Chars(cch));
        ++book_.shared_count;
      }
    } catch (const app::RuntimeError&) {
    }
  }

  XlsBook book_;
  BiffRecordStream& records_ = book_.records;
  WorkbookData& data_ = book_.data;
  size_t active_ = 0;
  bool in_sheets_ = false;  // past the workbook globals
  std::vector<uint32_t> sheet_offsets_;
  std::vector<uint8_t> sheet_kinds_;  // BOUNDSHEET: 0 worksheet, 1 macro, 2 chart, 6 module
};

}  // namespace

WorkbookData ReadXls(std::string_view stream, const std::string& display_name) {
  return XlsReader(stream, display_name).Read();
}

}  // namespace vexlo::engine::sheet
