// The parts of a binary Word file that a DocBase reads and rewrites: the streams, the file
// information block's table of structures, the text and the character runs, and the reading of
// them bounded by their streams (a short or odd structure refuses the file). Shared by
// doc_base.cpp (reading a base) and doc_base_write.cpp (writing a record from it); not for
// other users.
#ifndef VEXLO_OFFICE_ENGINE_SOFFICE_DOC_LAYOUT_H_
#define VEXLO_OFFICE_ENGINE_SOFFICE_DOC_LAYOUT_H_

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "office/engine/package/little_endian.h"
#include "office/engine/soffice/doc_base.h"
#include "office/engine/soffice/doc_file_records.h"

namespace vexlo::engine {

namespace doc_file {

// Structures that hold no position in the main text (style sheet, fonts, headers and their
// fields and drawings, list definitions, bookmark names, printer and save records): kept as
// they are. Any structure neither named here nor handled (doc_file::structure) keeps a file from
// serving as a base.
inline const std::set<int> kUntouched = {0,  1,  11, 15, 17, 21, 27, 28, 29, 30, 32, 41,
                                  50, 51, 58, 59, 71, 72, 73, 74, 76, 91, 113};

struct Refusal {
  std::string why;
};

[[noreturn]] inline void Refuse(std::string why) { throw Refusal{std::move(why)}; }

inline std::uint32_t Get32(const std::string& s, std::size_t at) {
  if (at + 4 > s.size()) Refuse("a structure runs past its stream");
  return ReadLe32(s, at);
}
inline std::uint16_t Get16(const std::string& s, std::size_t at) {
  if (at + 2 > s.size()) Refuse("a structure runs past its stream");
  return ReadLe16(s, at);
}
inline void Put32(std::string& s, std::size_t at, std::uint32_t v) { WriteLe32(s, at, v); }

inline std::uint32_t RoundUpToPage(std::uint32_t at) {
  return (at + run_page::kSize - 1) / run_page::kSize * run_page::kSize;
}

}  // namespace doc_file

struct DocBase::Layout {
  std::string word;        // the WordDocument stream
  std::string table;       // the table stream
  std::string table_name;  // "1Table" or "0Table"
  std::size_t lw = 0;      // where the FIB's block of 32-bit values starts
  std::size_t fclcb = 0;   // where its table of structures starts
  std::uint32_t fc0 = 0;   // where the text starts in the WordDocument stream
  std::uint32_t total = 0;  // characters of all texts (main, headers, ...)
  std::uint32_t main = 0;   // characters of the main text
  std::uint32_t tail = 0;   // where what follows the text starts: pages of runs, sections
  std::u16string text;
  std::vector<std::uint32_t> paragraph_at;  // where each paragraph of the package starts in...
  std::vector<std::uint32_t> shown_at;      // ...the text shown, each of whose characters lies here
  bool counts = false;  // the document properties are long enough to hold the statistics
  // The office's character runs: where each starts, and whether it carries any formatting.
  std::vector<std::pair<std::uint32_t, bool>> runs;

  // Whether a run with formatting overlaps the characters [begin, end).
  bool Formatted(std::uint32_t begin, std::uint32_t end) const {
    auto it = std::upper_bound(runs.begin(), runs.end(), std::make_pair(begin, true));
    if (it != runs.begin()) --it;
    for (; it != runs.end() && it->first < end; ++it) {
      if (it->second) return true;
    }
    return false;
  }
  // Where runs start strictly inside [begin, end).
  std::vector<std::uint32_t> RunStartsIn(std::uint32_t begin, std::uint32_t end) const {
    std::vector<std::uint32_t> starts;
    for (auto it = std::upper_bound(runs.begin(), runs.end(), std::make_pair(begin, true));
         it != runs.end() && it->first < end; ++it) {
      starts.push_back(it->first);
    }
    return starts;
  }

  std::pair<std::uint32_t, std::uint32_t> Structure(int i) const {
    const std::size_t entry = fclcb + doc_file::structure::kEntrySize * static_cast<std::size_t>(i);
    const std::uint32_t fc = doc_file::Get32(word, entry);
    const std::uint32_t lcb = doc_file::Get32(word, entry + doc_file::structure::kSizeAt);
    if (lcb != 0 && static_cast<std::uint64_t>(fc) + lcb > table.size()) doc_file::Refuse("a structure lies past the table stream");
    return {fc, lcb};
  }
  int structures() const { return doc_file::Get16(word, fclcb - 2); }
  bool Has(int i) const { return i < structures() && Structure(i).second != 0; }
  // A table of positions: n + 1 positions, then n items of `item` bytes.
  std::uint32_t Items(int i, std::uint32_t item) const {
    const std::uint32_t lcb = Structure(i).second;
    if (lcb < 4 || (lcb - 4) % (4 + item) != 0) doc_file::Refuse("a table of positions of an odd size");
    return (lcb - 4) / (4 + item);
  }
};

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_SOFFICE_DOC_LAYOUT_H_
