#include "office/engine/soffice/doc_base.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <set>

#include "app/runtime_error.h"
#include "office/engine/package/compound_file.h"
#include "office/engine/soffice/doc_layout.h"
#include "office/engine/soffice/doc_text_rules.h"

namespace vexlo::engine {

using namespace doc_file;
using namespace doc_file::structure;

namespace {

// The streams, the file information block and the piece table: one piece of 16-bit text, and
// only structures whose meaning is known.
void ReadFib(const CompoundFile& file, DocBase::Layout& l) {
  std::optional<std::string> word = file.ReadStream("WordDocument");
  if (!word) Refuse("no WordDocument stream");
  l.word = std::move(*word);
  const std::string& w = l.word;
  if (Get16(w, fib::kIdent) != fib::kWordIdent) Refuse("not a Word file");
  const std::uint16_t flags = Get16(w, fib::kFlags);
  if (flags & fib::kSavedFast) Refuse("saved fast (several pieces)");
  if (flags & (fib::kEncrypted | fib::kObfuscated)) Refuse("encrypted or obfuscated");
  l.table_name = (flags & fib::kTableIsOne) ? "1Table" : "0Table";
  std::optional<std::string> table = file.ReadStream(l.table_name);
  if (!table) Refuse("no table stream");
  l.table = std::move(*table);
  const std::size_t shorts = Get16(w, fib::kShortCount);
  const std::size_t longs = Get16(w, fib::LongCountAt(shorts));
  if (longs < fib::kMinLongs) Refuse("a short FIB");
  l.lw = fib::LongsAt(shorts);
  l.fclcb = fib::StructuresAt(l.lw, longs);
  const int n = l.structures();
  if (l.fclcb + structure::kEntrySize * static_cast<std::size_t>(n) > w.size()) Refuse("a short FIB");
  const std::set<int> handled = {kPlcfSed, kPlcfBteChpx, kPlcfBtePapx, kPlcfBkf, kPlcfBkl,
                                 kDop,     kClx,         kPlcfTch,     kPlcfFldMom, kPlcSpaMom};
  for (int i = 0; i < n; ++i) {
    if (i == kSavedAt) continue;
    if (l.Structure(i).second != 0 && !handled.contains(i) && !kUntouched.contains(i)) {
      Refuse("an unknown structure (" + std::to_string(i) + ")");
    }
  }
  for (int i : {kClx, kPlcfBteChpx, kPlcfBtePapx}) {
    if (!l.Has(i)) Refuse("no piece table or run pages");
  }

  // One piece of 16-bit text, no property modifiers.
  const auto [clx, clx_size] = l.Structure(kClx);
  if (clx_size != clx::kSize || l.table[clx + clx::kType] != clx::kPieceTable ||
      Get32(l.table, clx + clx::kPiecesSize) != clx::kOnePiece || Get32(l.table, clx + clx::kFirstCharacter) != 0) {
    Refuse("a piece table of several pieces");
  }
  l.total = Get32(l.table, clx + clx::kLastCharacter);
  const std::uint32_t piece_fc = Get32(l.table, clx + clx::kPieceStart);
  if ((piece_fc & clx::kCompressed) || Get16(l.table, clx + clx::kPieceModifier) != 0) {
    Refuse("compressed or modified text");
  }
  l.fc0 = piece_fc & clx::kStartMask;
  l.main = Get32(w, l.lw + fib_longs::kMainCharacters);
  const std::uint64_t end = l.fc0 + 2ull * l.total;
  if (l.main > l.total || end > w.size()) Refuse("the text lies past its stream");
  l.text.resize(l.total);
  std::memcpy(l.text.data(), w.data() + l.fc0, 2ull * l.total);
}

// Where the package's paragraphs lie in the text the office wrote.
void ReadShownText(DocBase::Layout& l, const DocxTexts& texts) {
  // The main text must read exactly as the package's paragraphs, once what the package shows
  // no text for is left out: pictures and drawings (0x01, 0x08) and the codes and marks of
  // fields (0x13 to 0x14, and 0x15; a hyperlink's text is its field's result).
  std::u16string shown;
  std::vector<bool> in_code;  // one per open field: whether its code is being read
  std::u16string code;
  for (std::uint32_t cp = 0; cp < l.total; ++cp) {
    const char16_t c = l.text[cp];
    if (c == 0x13) {
      in_code.push_back(true);
      code.clear();
    } else if (c == 0x14 && !in_code.empty()) {
      in_code.back() = false;
      if (!IsKeptField(code)) Refuse("a field whose result may differ between records");
    } else if (c == 0x15 && !in_code.empty()) {
      in_code.pop_back();
    } else if (c == 0x14 || c == 0x15) {
      Refuse("a field mark out of place");
    } else if (!in_code.empty() && in_code.back()) {
      code += c;
    } else if (cp < l.main && c != 0x01 && c != 0x08 && std::find(in_code.begin(), in_code.end(), true) == in_code.end()) {
      shown += c;
      l.shown_at.push_back(cp);
    }
    if (cp + 1 == l.main && !in_code.empty()) Refuse("a field left open");
  }
  std::u16string expected;
  for (std::size_t i = 0; i < texts.paragraphs.size(); ++i) {
    l.paragraph_at.push_back(static_cast<std::uint32_t>(expected.size()));
    std::u16string p = texts.paragraphs[i];
    std::replace(p.begin(), p.end(), u'\n', u'\v');
    expected += p;
    expected += texts.marks[i];
  }
  if (shown != expected) Refuse("the office's text differs from the package's");
}

// The run pages and section properties after the text, and the character runs.
void ReadRuns(DocBase::Layout& l) {
  const std::string& w = l.word;
  const std::uint64_t end = l.fc0 + 2ull * l.total;
  // After the text, from the next page boundary: the pages of runs, then the sections'
  // properties. Nothing else may lie there.
  l.tail = RoundUpToPage(static_cast<std::uint32_t>(end));
  for (std::uint64_t k = end; k < std::min<std::uint64_t>(l.tail, w.size()); ++k) {
    if (w[k] != 0) Refuse("something between the text and its run pages");
  }
  std::uint32_t first_page = std::numeric_limits<std::uint32_t>::max();
  for (int bte : {kPlcfBteChpx, kPlcfBtePapx}) {
    const std::uint32_t count = l.Items(bte, item_size::kRunPage);
    const std::uint32_t at = l.Structure(bte).first;
    for (std::uint32_t k = 0; k < count; ++k) {
      const std::uint32_t pn = Get32(l.table, at + positions::ItemAt(count, item_size::kRunPage, k));
      if (static_cast<std::uint64_t>(pn + 1) * run_page::kSize > w.size()) Refuse("a run page past the stream");
      first_page = std::min(first_page, pn);
    }
  }
  if (static_cast<std::uint64_t>(first_page) * run_page::kSize != l.tail) Refuse("run pages not right after the text");
  {
    // The character runs, page by page: boundaries, then one byte per run (0: no formatting).
    const std::uint32_t count = l.Items(kPlcfBteChpx, item_size::kRunPage);
    const std::uint32_t at = l.Structure(kPlcfBteChpx).first;
    for (std::uint32_t k = 0; k < count; ++k) {
      const std::size_t pn = Get32(l.table, at + positions::ItemAt(count, item_size::kRunPage, k));
      const std::size_t page = pn * run_page::kSize;
      const std::uint8_t runs = static_cast<std::uint8_t>(w[page + run_page::kCountAt]);
      if (run_page::FormattingAt(runs, runs) > run_page::kCountAt) Refuse("a run page of an odd size");
      for (std::uint32_t r = 0; r < runs; ++r) {
        const std::uint32_t fc = Get32(w, page + run_page::PositionAt(r));
        if (fc < l.fc0 || (fc - l.fc0) % 2 != 0) Refuse("a run outside the text");
        const std::uint32_t cp = (fc - l.fc0) / 2;
        if (!l.runs.empty() && cp <= l.runs.back().first) Refuse("runs out of order");
        l.runs.emplace_back(cp, w[page + run_page::FormattingAt(runs, r)] != 0);
      }
    }
  }
  if (l.Has(kPlcfSed)) {
    const std::uint32_t count = l.Items(kPlcfSed, item_size::kSection);
    const std::uint32_t at = l.Structure(kPlcfSed).first;
    for (std::uint32_t k = 0; k < count; ++k) {
      const std::uint32_t sepx =
          Get32(l.table, at + positions::ItemAt(count, item_size::kSection, k) + section::kPropertiesAt);
      if (sepx != section::kNoProperties && (sepx < l.tail || sepx >= w.size())) Refuse("section properties inside the text");
    }
  }
  if (l.Has(kPlcfBkf)) l.Items(kPlcfBkf, item_size::kBookmarkStart);
  if (l.Has(kPlcfBkl)) l.Items(kPlcfBkl, item_size::kBookmarkEnd);
  if (l.Has(kPlcfTch)) l.Items(kPlcfTch, item_size::kTableCell);
  if (l.Has(kPlcfFldMom)) l.Items(kPlcfFldMom, item_size::kFieldMark);
  if (l.Has(kPlcSpaMom)) l.Items(kPlcSpaMom, item_size::kDrawing);
}

}  // namespace

DocBase::~DocBase() = default;

std::shared_ptr<const DocBase> DocBase::Make(std::string bytes, const DocxTexts& texts, std::string* why) {
  std::shared_ptr<DocBase> base(new DocBase);
  base->bytes_ = std::move(bytes);
  base->texts_ = texts;
  base->layout_ = std::make_unique<Layout>();
  Layout& l = *base->layout_;
  try {
    if (!texts.ok || texts.nested_tables || texts.spans.size() != texts.paragraphs.size() ||
        texts.marks.size() != texts.paragraphs.size()) {
      Refuse("the package's texts are not known");
    }
    if (!CompoundFile::HasSignature(base->bytes_)) Refuse("not a compound file");
    base->file_ = std::make_unique<CompoundFile>(base->bytes_, "base.doc", "Word文件");
    ReadFib(*base->file_, l);
    ReadShownText(l, texts);
    ReadRuns(l);
    l.counts = l.Has(kDop) && l.Structure(kDop).second >= dop::kStatisticsEnd;
  } catch (const Refusal& r) {
    if (why) *why = r.why;
    return nullptr;
  } catch (const app::RuntimeError& e) {
    if (why) *why = e.text();
    return nullptr;
  }
  return base;
}

}  // namespace vexlo::engine
