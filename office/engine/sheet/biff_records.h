// The records of a binary Excel workbook stream (BIFF2 to BIFF8) that the .xls reader and the
// stream's decryption look at: their type numbers and where their fields lie, named here once.
// Every record is a 4-byte header (type, body size; both 16-bit) and its body; offsets below are
// in bytes from the start of the body, all numbers little-endian.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_BIFF_RECORDS_H_
#define VEXLO_OFFICE_ENGINE_SHEET_BIFF_RECORDS_H_

#include <cstddef>
#include <cstdint>

namespace vexlo::engine::sheet::biff {

// The record header.
constexpr std::size_t kTypeAt = 0;
constexpr std::size_t kSizeAt = 2;
constexpr std::size_t kHeaderSize = 4;

// Record types of BIFF5 and BIFF8 (most of them also of BIFF3 and BIFF4).
enum RecordType : std::uint16_t {
  kFormula = 0x0006,
  kEof = 0x000A,
  kFilePass = 0x002F,
  kDateMode = 0x0022,
  kContinue = 0x003C,
  kWindow1 = 0x003D,
  kCodePage = 0x0042,
  kBoundSheet = 0x0085,
  kMulRk = 0x00BD,
  kRString = 0x00D6,
  kXf = 0x00E0,
  kInterfaceHdr = 0x00E1,
  kSst = 0x00FC,
  kLabelSst = 0x00FD,
  kRrdHead = 0x0138,
  kUsrExcl = 0x0194,
  kFileLock = 0x0195,
  kRrdInfo = 0x0196,
  kNumber = 0x0203,
  kLabel = 0x0204,
  kBoolErr = 0x0205,
  kString = 0x0207,
  kRk = 0x027E,
  kFormat = 0x041E,
  kBof = 0x0809,
  // Records that may stand between a FORMULA record and the STRING record of its text result.
  kShrFmla = 0x04BC,
  kArray = 0x0221,
  kTable = 0x0236,
};

// Record types of the single-sheet files of Excel 2.x to 4.x and of Excel 4.0 workbooks.
enum EarlyRecordType : std::uint16_t {
  kBof2 = 0x0009,
  kBof3 = 0x0209,
  kBof4 = 0x0409,
  kBlank2 = 0x0001,
  kInteger2 = 0x0002,
  kNumber2 = 0x0003,
  kLabel2 = 0x0004,
  kBoolErr2 = 0x0005,
  kFormula2 = 0x0006,  // BIFF2 layout: 3 attribute bytes instead of an XF index
  kString2 = 0x0007,
  kFormat2 = 0x001E,
  kXf2 = 0x0043,
  kXf3 = 0x0243,
  kXf4 = 0x0443,
  kFormula3 = 0x0206,
  kFormula4 = 0x0406,
  kSheetHeader = 0x008F,  // Excel 4.0 workbook: stream position and name of the next sheet
};

// BOF: the version and the kind of substream that follows.
namespace bof {
constexpr std::size_t kVersion = 0;
constexpr std::size_t kSubstream = 2;
constexpr std::size_t kMinSize = 4;
constexpr std::size_t kBiff8Size = 16;  // BIFF5/7 write 8 bytes
constexpr std::uint16_t kBiff8 = 0x0600;
constexpr std::uint16_t kBiff5 = 0x0500;
constexpr std::uint16_t kWorksheet = 0x0010;
constexpr std::uint16_t kWorkbook4 = 0x0100;  // an Excel 4.0 workbook
}  // namespace bof

// CODEPAGE and DATEMODE: one 16-bit value.
namespace codepage {
constexpr std::size_t kValue = 0;
constexpr std::uint16_t kUtf16 = 1200;
}  // namespace codepage
namespace datemode {
constexpr std::size_t kValue = 0;  // 1: dates count from 1904
}  // namespace datemode

// WINDOW1: the workbook window, with the active tab.
namespace window1 {
constexpr std::size_t kActiveTab = 10;
constexpr std::size_t kMinSize = 12;
}  // namespace window1

// BOUNDSHEET: where a sheet's substream starts, its kind and its name (8-bit length).
namespace boundsheet {
constexpr std::size_t kStreamPosition = 0;  // 32-bit, never encrypted
constexpr std::size_t kPlainBytes = 4;
constexpr std::size_t kKind = 5;            // 0 worksheet, 1 macro, 2 chart, 6 module
constexpr std::size_t kName = 6;
constexpr std::uint8_t kWorksheet = 0;
}  // namespace boundsheet

// Excel 4.0 workbook's sheet header: the name (8-bit length) after the stream position.
namespace sheet_header {
constexpr std::size_t kName = 4;
}  // namespace sheet_header

// FORMAT: its index and its code (a 16-bit-length string in BIFF8, 8-bit before). BIFF4's has two
// bytes before the code and no index; BIFF2-3's holds the code alone.
namespace format {
constexpr std::size_t kIndex = 0;
constexpr std::size_t kCode = 2;
constexpr std::size_t kBiff4Code = 2;
constexpr std::size_t kBiff2Code = 0;
}  // namespace format

// XF: the number format it names. BIFF2 keeps it in the low 6 bits of byte 2; BIFF3-4 in byte 1.
namespace xf {
constexpr std::size_t kFormat = 2;
constexpr std::size_t kBiff2Format = 2;
constexpr std::uint8_t kBiff2FormatMask = 0x3F;
constexpr std::size_t kBiff3Format = 1;
}  // namespace xf

// SST: the counts of references and of strings, then the strings.
namespace sst {
constexpr std::size_t kStrings = 8;
}  // namespace sst

// A BIFF8 string: its character count (read before), an option byte, then as the options say the
// count of formatting runs (16-bit) and the size of a phonetic block (32-bit), the characters,
// the runs (4 bytes each) and the block.
namespace string8 {
constexpr std::uint8_t kWide = 0x01;      // UTF-16LE characters, else one byte each
constexpr std::uint8_t kPhonetic = 0x04;  // a phonetic block follows the characters
constexpr std::uint8_t kRich = 0x08;      // formatting runs follow the characters
constexpr std::size_t kRunSize = 4;
}  // namespace string8

// The cell records of BIFF3 to BIFF8: row, column, XF index, then the value.
namespace cell {
constexpr std::size_t kRow = 0;
constexpr std::size_t kColumn = 2;
constexpr std::size_t kXf = 4;
constexpr std::size_t kValue = 6;  // NUMBER: 8-byte double; RK: 32-bit; LABELSST: 32-bit index;
                                   // LABEL: a string; BOOLERR: value byte, then is-error byte
constexpr std::size_t kNumberSize = 14;
constexpr std::size_t kRkSize = 10;
constexpr std::size_t kLabelSstSize = 10;
constexpr std::size_t kLabelMinSize = 6;
constexpr std::size_t kBoolErrSize = 8;
}  // namespace cell

// MULRK: row, first column, then per column an XF index and an RK value; the last column last.
namespace mulrk {
constexpr std::size_t kRow = 0;
constexpr std::size_t kFirstColumn = 2;
constexpr std::size_t kItems = 4;
constexpr std::size_t kItemSize = 6;   // XF (16-bit), RK (32-bit)
constexpr std::size_t kItemRk = 2;
constexpr std::size_t kMinSize = 6;
}  // namespace mulrk

// FORMULA (BIFF3-8): row, column, XF, then the cached result (8 bytes): a double, or a type in
// its first byte and 0xFFFF in its last two.
namespace formula {
constexpr std::size_t kResult = 6;
constexpr std::size_t kMinSize = 14;
}  // namespace formula

// A formula's cached result, at its record's result offset.
namespace result {
constexpr std::size_t kType = 0;     // when not a number: 0 text, 1 boolean, 2 error, 3 empty text
constexpr std::size_t kValue = 2;    // the boolean or the error code
constexpr std::size_t kMarker = 6;   // 0xFFFF when not a number
constexpr std::uint16_t kNotANumber = 0xFFFF;
constexpr std::uint8_t kText = 0;
constexpr std::uint8_t kBoolean = 1;
constexpr std::uint8_t kError = 2;
constexpr std::uint8_t kEmptyText = 3;
}  // namespace result

// The cell records of BIFF2: row, column, three attribute bytes, then the value.
namespace cell2 {
constexpr std::size_t kXf = 4;        // low 6 bits of the first attribute byte
constexpr std::size_t kFormat = 5;    // low 6 bits of the second: the number format itself
constexpr std::uint8_t kMask = 0x3F;
constexpr std::size_t kValue = 7;     // INTEGER: 16-bit; NUMBER: double; LABEL: 8-bit-length
                                      // string; BOOLERR: value, is-error; FORMULA: the result
constexpr std::size_t kIntegerSize = 9;
constexpr std::size_t kNumberSize = 15;
constexpr std::size_t kLabelMinSize = 8;
constexpr std::size_t kBoolErrSize = 9;
constexpr std::size_t kFormulaMinSize = 15;
}  // namespace cell2

// FILEPASS: the kind of encryption, then its header.
namespace filepass {
constexpr std::size_t kKind = 0;         // 1: RC4 (0: XOR obfuscation)
constexpr std::size_t kMajor = 2;        // 1: RC4 with MD5; 2 to 4: RC4 through CryptoAPI
constexpr std::size_t kMinSize = 6;
constexpr std::uint16_t kRc4 = 1;
// RC4 with MD5: salt, encrypted verifier, its encrypted hash.
constexpr std::size_t kMd5Salt = 6;
constexpr std::size_t kMd5Verifier = 22;
constexpr std::size_t kMd5VerifierHash = 38;
constexpr std::size_t kMd5Size = 54;
// CryptoAPI: the size of its header at 10, the header from 14, then the verifier block.
constexpr std::size_t kCryptoHeaderSize = 10;
constexpr std::size_t kCryptoHeader = 14;
}  // namespace filepass

}  // namespace vexlo::engine::sheet::biff

#endif  // VEXLO_OFFICE_ENGINE_SHEET_BIFF_RECORDS_H_
