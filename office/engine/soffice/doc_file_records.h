// Where things lie in the records of a binary Word file (Word 97-2003) that a DocBase reads and
// rewrites: the file information block (FIB) at the start of the WordDocument stream, its table
// of structures, the piece table, the pages of character runs, the section descriptors and the
// document properties with their statistics. Each record's offsets are named here, once; the
// code that reads or writes them (and the tests that compare written files) uses these names.
// Offsets are in bytes from the start of their record; all numbers are little-endian.
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_DOC_FILE_RECORDS_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_DOC_FILE_RECORDS_H_

#include <cstddef>
#include <cstdint>

namespace vexlo::engine::doc_file {

// The file information block: a fixed head, then three blocks that each start with their count
// (16-bit values, 32-bit values, the table of structures), so that the later ones move with it.
namespace fib {
constexpr std::size_t kIdent = 0;    // 0xA5EC in a Word file
constexpr std::size_t kFlags = 10;   // the flags below
constexpr std::size_t kTextEnd = 28;  // where the text ends, as older readers find it
constexpr std::size_t kShortCount = 32;  // how many 16-bit values follow
constexpr std::size_t kShorts = 34;      // the 16-bit values

constexpr std::uint16_t kWordIdent = 0xA5EC;
constexpr std::uint16_t kSavedFast = 0x0004;     // the text may lie in several pieces
constexpr std::uint16_t kEncrypted = 0x0100;
constexpr std::uint16_t kTableIsOne = 0x0200;    // the table stream is "1Table", else "0Table"
constexpr std::uint16_t kObfuscated = 0x8000;

// The block of 32-bit values has at least this many in a file of Word 97 or later.
constexpr std::size_t kMinLongs = 22;

// Where the count of 32-bit values lies, given the count of 16-bit values.
constexpr std::size_t LongCountAt(std::size_t shorts) { return kShorts + 2 * shorts; }
// Where the 32-bit values start.
constexpr std::size_t LongsAt(std::size_t shorts) { return LongCountAt(shorts) + 2; }
// Where the table of structures starts; its count (16-bit) lies just before it.
constexpr std::size_t StructuresAt(std::size_t longs_at, std::size_t longs) {
  return longs_at + 4 * longs + 2;
}
}  // namespace fib

// The FIB's 32-bit values, from fib::LongsAt.
namespace fib_longs {
constexpr std::size_t kStreamSize = 0;        // bytes of the WordDocument stream in use
constexpr std::size_t kMainCharacters = 12;   // characters of the main text
constexpr std::size_t kFirstCharRunPage = 48;  // the first page of character runs (older readers)
constexpr std::size_t kFirstParaRunPage = 60;  // the first page of paragraph runs (older readers)
constexpr std::uint32_t kNoPage = 0xFFFFF;     // no such page
}  // namespace fib_longs

// The table of structures: for each, where it lies in the table stream and its size (8 bytes).
// The structures that hold positions in the text, by their place in the table:
namespace structure {
constexpr std::size_t kEntrySize = 8;  // where it lies (32-bit), then its size (32-bit)
constexpr std::size_t kSizeAt = 4;

constexpr int kPlcfSed = 6;       // sections: where each ends, where its properties lie
constexpr int kPlcfBteChpx = 12;  // the pages of character runs
constexpr int kPlcfBtePapx = 13;  // the pages of paragraph runs
constexpr int kPlcfFldMom = 16;   // the fields of the main text: where their marks lie
constexpr int kPlcfBkf = 22;      // where bookmarks start
constexpr int kPlcfBkl = 23;      // where bookmarks end
constexpr int kDop = 31;          // document properties, with the word and character counts
constexpr int kClx = 33;          // the piece table: where the text lies
constexpr int kPlcSpaMom = 40;    // the drawings of the main text: where they are anchored
constexpr int kSavedAt = 87;      // the time of saving, a value rather than a structure
constexpr int kPlcfTch = 93;      // a cache of table cells, over the whole text
}  // namespace structure

// A table of positions (a "PLC"): n + 1 positions of 32 bits, then n items of a size of its kind.
namespace positions {
constexpr std::size_t PositionAt(std::size_t k) { return 4 * k; }
constexpr std::size_t ItemAt(std::size_t count, std::size_t item_size, std::size_t k) {
  return 4 * (count + 1) + item_size * k;
}
}  // namespace positions

// The sizes of the items of each table of positions.
namespace item_size {
constexpr std::uint32_t kSection = 12;    // a section descriptor, below
constexpr std::uint32_t kRunPage = 4;     // the number of a page of runs
constexpr std::uint32_t kBookmarkStart = 4;
constexpr std::uint32_t kBookmarkEnd = 0;
constexpr std::uint32_t kTableCell = 4;
constexpr std::uint32_t kFieldMark = 2;
constexpr std::uint32_t kDrawing = 26;
}  // namespace item_size

// The piece table of a file with one piece of text and no property modifiers: a type byte, the
// size of what follows, the piece's first and last character, then its descriptor.
namespace clx {
constexpr std::size_t kType = 0;            // 2: a piece table follows
constexpr std::size_t kPiecesSize = 1;      // 16 for one piece
constexpr std::size_t kFirstCharacter = 5;  // 0
constexpr std::size_t kLastCharacter = 9;   // characters of all texts
constexpr std::size_t kPieceStart = 15;     // where the piece lies in WordDocument, with a flag:
constexpr std::size_t kPieceModifier = 19;  // 0: no property modifier
constexpr std::uint32_t kSize = 21;

constexpr std::uint8_t kPieceTable = 2;
constexpr std::uint32_t kOnePiece = 16;
constexpr std::uint32_t kCompressed = 0x40000000;  // 8-bit text
constexpr std::uint32_t kStartMask = 0x3FFFFFFF;
}  // namespace clx

// A page of character runs in the WordDocument stream: n + 1 positions of the text, then a byte
// per run (0: the run has no formatting); the last byte of the page holds n.
namespace run_page {
constexpr std::uint32_t kSize = 512;
constexpr std::uint32_t kCountAt = kSize - 1;
constexpr std::size_t PositionAt(std::size_t run) { return 4 * run; }
constexpr std::size_t FormattingAt(std::size_t runs, std::size_t run) { return 4 * (runs + 1) + run; }
}  // namespace run_page

// A section descriptor in the sections' table of positions.
namespace section {
constexpr std::size_t kPropertiesAt = 2;  // where its properties lie in WordDocument, or:
constexpr std::uint32_t kNoProperties = 0xFFFFFFFF;
}  // namespace section

// The document properties: the statistics, each once for the main text and once with the notes.
namespace dop {
constexpr std::size_t kWords = 38;
constexpr std::size_t kCharacters = 42;
constexpr std::size_t kPages = 46;  // 16-bit
constexpr std::size_t kParagraphs = 48;
constexpr std::size_t kLines = 56;
constexpr std::size_t kWordsWithNotes = 60;
constexpr std::size_t kCharactersWithNotes = 64;
constexpr std::size_t kPagesWithNotes = 68;  // 16-bit
constexpr std::size_t kParagraphsWithNotes = 70;
constexpr std::size_t kLinesWithNotes = 74;
constexpr std::uint32_t kStatisticsEnd = 78;  // properties shorter than this hold none
}  // namespace dop

}  // namespace vexlo::engine::doc_file

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_DOC_FILE_RECORDS_H_
