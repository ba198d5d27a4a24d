// The cell records of one sheet of a binary Excel workbook, turned into the sheet's cells.
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>

#include "office/engine/package/little_endian.h"
#include "office/engine/sheet/biff_records.h"
#include "office/engine/sheet/xls_book.h"

namespace vexlo::engine::sheet {
namespace {

constexpr double k1904Offset = 1462;  // days between the 1900 and the 1904 date systems

double F64(std::string_view d, size_t at) {
  const uint64_t bits = ReadLe64(d, at);
  double v;
  std::memcpy(&v, &bits, 8);
  return v;
}

// An RK number: a 30-bit integer or the high 30 bits of a double, perhaps divided by 100.
double RkValue(uint32_t rk) {
  double v;
  if (rk & 0x02) {
    v = static_cast<double>(static_cast<int32_t>(rk) >> 2);
  } else {
    const uint64_t bits = static_cast<uint64_t>(rk & 0xFFFFFFFCu) << 32;
    std::memcpy(&v, &bits, 8);
  }
  return (rk & 0x01) ? v / 100 : v;
}

const char* ErrorText(uint8_t code) {
  switch (code) {
    case 0x00:
      return "#NULL!";
    case 0x07:
      return "#DIV/0!";
    case 0x0F:
      return "#VALUE!";
    case 0x17:
      return "#REF!";
    case 0x1D:
      return "#NAME?";
    case 0x24:
      return "#NUM!";
    default:
      return "#N/A";
  }
}

using CellPlace = std::pair<uint16_t, uint16_t>;  // row, column

class SheetCellReader {
 public:
  SheetCellReader(XlsBook& book, SheetData& sheet)
      : book_(book), records_(book.records), formats_(book.formats), sheet_(sheet) {}

  void Read() {
    // A FORMULA record whose result is a text still to come: without a STRING record after it,
    // the file holds no result for that cell (its writer did not calculate it).
    std::optional<UncalculatedCell> text_to_come;
    const bool early = book_.version <= 4;
    while (auto r = records_.Next()) {
      if (text_to_come && !MayStandBeforeString(r->type)) {
        if (sheet_.uncalculated.size() >= kMaxCells) records_.Corrupt("单元格数量过多");
        sheet_.uncalculated.push_back(*text_to_come);
        text_to_come.reset();
      }
      if (early && book_.ReadEarlySetting(*r)) continue;
      if (book_.version == 2 && ReadBiff2Cell(*r)) continue;
      if (r->type == biff::kEof) {
        sheet_.cells.Seal();
        return;
      }
      if (r->type == biff::kString) text_to_come.reset();
      ReadCell(*r, text_to_come);
    }
    records_.Corrupt("工作表没有结束记录");
  }

 private:
  static bool MayStandBeforeString(uint16_t type) {
    return type == biff::kString || type == biff::kShrFmla || type == biff::kArray ||
           type == biff::kTable || type == biff::kContinue;
  }

  // The cell records of BIFF3 to BIFF8.
  void ReadCell(const BiffRecord& r, std::optional<UncalculatedCell>& text_to_come) {
    using namespace biff::cell;
    const std::string_view d = r.data;
    switch (r.type) {
      case biff::kBof:
      case biff::kBof3:
      case biff::kBof4:
        records_.SkipSubstream();  // an embedded chart's substream
        break;
      case biff::kNumber:
        records_.Need(r, kNumberSize);
        Put(Place(d), NumberCell(ReadLe16(d, kXf), F64(d, kValue)));
        break;
      case biff::kRk:
        records_.Need(r, kRkSize);
        Put(Place(d), NumberCell(ReadLe16(d, kXf), RkValue(ReadLe32(d, kValue))));
        break;
      case biff::kMulRk: {
        namespace mulrk = biff::mulrk;
        records_.Need(r, mulrk::kMinSize);
        const uint16_t row = ReadLe16(d, mulrk::kRow);
        const uint16_t first = ReadLe16(d, mulrk::kFirstColumn);
        const size_t n = (d.size() - mulrk::kMinSize) / mulrk::kItemSize;
        for (size_t i = 0; i < n; ++i) {
          const size_t at = mulrk::kItems + mulrk::kItemSize * i;
          Put({row, static_cast<uint16_t>(first + i)},
              NumberCell(ReadLe16(d, at), RkValue(ReadLe32(d, at + mulrk::kItemRk))));
        }
        break;
      }
      case biff::kLabelSst: {
        records_.Need(r, kLabelSstSize);
        const uint32_t index = ReadLe32(d, kValue);
        if (index >= book_.shared_count) records_.Corrupt("共享字符串编号无效");
        Cell c;
        c.kind = Cell::Kind::kText;
        c.text = book_.shared_first + index;
        c.format = formats_.ShownFormat(ReadLe16(d, kXf));
        Put(Place(d), c);
        break;
      }
      case biff::kLabel:
      case biff::kRString:
        records_.Need(r, kLabelMinSize);
        Put(Place(d), TextCell(records_.RecordString(r, kValue, false)));
        break;
      case biff::kBoolErr:
        records_.Need(r, kBoolErrSize);
        PutBoolErr(Place(d), d[kValue], d[kValue + 1]);
        break;
      case biff::kFormula:
      case biff::kFormula3:
      case biff::kFormula4: {
        // Some writers use another version's record number; from Excel 3.0 on the layout is the
        // same. (Excel 2.x formulas are read in ReadBiff2Cell.)
        records_.Need(r, biff::formula::kMinSize);
        const CellPlace place = Place(d);
        const uint16_t xf = ReadLe16(d, kXf);
        formula_cell_ = place;
        PutFormula(place, d, biff::formula::kResult, formats_.IsDateXf(xf));
        SetFormat(place, formats_.ShownFormat(xf));
        const std::string_view result = d.substr(biff::formula::kResult);
        if (ReadLe16(result, biff::result::kMarker) == biff::result::kNotANumber &&
            result[biff::result::kType] == biff::result::kText) {
          text_to_come = UncalculatedCell{CellKey(place.first, place.second), formats_.ShownFormat(xf)};
        }
        break;
      }
      case biff::kString: {
        if (!formula_cell_) break;
        std::string text;
        if (records_.biff8()) {
          BiffContinued c = records_.WithContinues(r);
          const uint16_t cch = c.U16();
          text = c.Biff8Chars(cch);
        } else {
          text = records_.RecordString(r, 0, false);
        }
        Put(*formula_cell_, TextCell(std::move(text)));
        formula_cell_.reset();
        break;
      }
      default:
        break;
    }
  }

  // The cell records of Excel 2.x, whose three attribute bytes take the place of the XF index.
  // False for any other record.
  bool ReadBiff2Cell(const BiffRecord& r) {
    using namespace biff::cell2;
    const std::string_view d = r.data;
    switch (r.type) {
      case biff::kBlank2:
        return true;
      case biff::kInteger2:
        records_.Need(r, kIntegerSize);
        Put(Place(d), NumberCell(formats_.IsDateBiff2Cell(d), ReadLe16(d, kValue)));
        SetFormat(Place(d), formats_.ShownFormatBiff2Cell(d));
        return true;
      case biff::kNumber2:
        records_.Need(r, kNumberSize);
        Put(Place(d), NumberCell(formats_.IsDateBiff2Cell(d), F64(d, kValue)));
        SetFormat(Place(d), formats_.ShownFormatBiff2Cell(d));
        return true;
      case biff::kLabel2:
        records_.Need(r, kLabelMinSize);
        Put(Place(d), TextCell(records_.RecordString(r, kValue, true)));
        return true;
      case biff::kBoolErr2:
        records_.Need(r, kBoolErrSize);
        PutBoolErr(Place(d), d[kValue], d[kValue + 1]);
        return true;
      case biff::kFormula2:
        records_.Need(r, kFormulaMinSize);
        formula_cell_ = Place(d);
        PutFormula(Place(d), d, kValue, formats_.IsDateBiff2Cell(d));
        return true;
      case biff::kString2:
        if (formula_cell_) {
          Put(*formula_cell_, TextCell(records_.RecordString(r, 0, true)));
          formula_cell_.reset();
        }
        return true;
      default:
        return false;
    }
  }

  static CellPlace Place(std::string_view d) {
    return {ReadLe16(d, biff::cell::kRow), ReadLe16(d, biff::cell::kColumn)};
  }

  // Stores a cell; a later record for the same cell replaces it.
  void Put(CellPlace place, Cell cell) {
    if (sheet_.cells.size() >= kMaxCells) records_.Corrupt("单元格数量过多");
    sheet_.cells.Put(CellKey(place.first, place.second), cell);
  }

  // Gives the cell just stored its number format.
  void SetFormat(CellPlace place, uint16_t format) {
    if (Cell* cell = sheet_.cells.Last(CellKey(place.first, place.second))) cell->format = format;
  }

  // The result of a FORMULA record whose cached value starts at `at`: a number, or a marker and
  // a type. A text result follows in a STRING record; a result of a type we do not know leaves
  // the cell blank unless a STRING record follows.
  void PutFormula(CellPlace place, std::string_view d, size_t at, bool is_date) {
    using namespace biff::result;
    const std::string_view result = d.substr(at);
    if (ReadLe16(result, kMarker) != kNotANumber) {
      Put(place, NumberCell(is_date, F64(result, 0)));
      return;
    }
    switch (static_cast<uint8_t>(result[kType])) {
      case kBoolean: {
        Cell c;
        c.kind = Cell::Kind::kBool;
        c.number = result[kValue] != 0 ? 1 : 0;
        Put(place, c);
        break;
      }
      case kError:
        Put(place, ErrorCell(static_cast<uint8_t>(result[kValue])));
        break;
      case kEmptyText:
        Put(place, TextCell(""));
        break;
      default:  // kText: the text follows in a STRING record
        break;
    }
  }

  void PutBoolErr(CellPlace place, char value, char is_error) {
    if (is_error != 0) {
      Put(place, ErrorCell(static_cast<uint8_t>(value)));
      return;
    }
    Cell c;
    c.kind = Cell::Kind::kBool;
    c.number = value != 0 ? 1 : 0;
    Put(place, c);
  }

  Cell NumberCell(uint16_t xf, double value) const {
    Cell c = NumberCell(formats_.IsDateXf(xf), value);
    c.format = formats_.ShownFormat(xf);
    return c;
  }

  Cell NumberCell(bool is_date, double value) const {
    Cell c;
    c.number = std::isfinite(value) ? value : 0;
    if (is_date) {
      c.kind = Cell::Kind::kDate;
      if (book_.data.date1904) c.number += k1904Offset;
    }
    return c;
  }

  Cell TextCell(std::string text) {
    Cell c;
    c.kind = Cell::Kind::kText;
    c.text = book_.data.AddString(std::move(text));
    return c;
  }

  Cell ErrorCell(uint8_t code) {
    Cell c;
    c.kind = Cell::Kind::kError;
    c.text = book_.data.AddString(ErrorText(code));
    return c;
  }

  XlsBook& book_;
  BiffRecordStream& records_;
  XlsFormats& formats_;
  SheetData& sheet_;
  // The cell of the last FORMULA record: a STRING record right after it holds its text.
  std::optional<CellPlace> formula_cell_;
};

}  // namespace

void ReadSheetCells(XlsBook& book, SheetData& sheet) { SheetCellReader(book, sheet).Read(); }

}  // namespace vexlo::engine::sheet
