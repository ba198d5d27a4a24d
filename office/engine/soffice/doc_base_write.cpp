#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "app/runtime_error.h"
#include "office/engine/package/compound_file.h"
#include "office/engine/soffice/doc_base.h"
#include "office/engine/soffice/doc_layout.h"
#include "office/engine/soffice/doc_text_rules.h"

namespace vexlo::engine {

using namespace doc_file;
using namespace doc_file::structure;

namespace {

// One run text of the base replaced: the characters [begin, end) of the whole text. `inner`:
// where the office's character runs that start inside it start in the new text, from its start.
struct Edit {
  std::uint32_t begin = 0, end = 0;
  std::u16string text;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> inner;  // old position, new offset
  long delta() const { return static_cast<long>(text.size()) - static_cast<long>(end - begin); }
};

// The run texts of `now` that differ from those of the base's package `was`, in text order;
// what lies between run texts (tabs, breaks) is the template's and must be the same. Counts the
// statistics of the changed paragraphs before and after.
std::vector<Edit> CollectEdits(const DocBase::Layout& l, const DocxTexts& was, const DocxTexts& texts,
                               Counts& before, Counts& after) {
  std::vector<Edit> edits;
  for (std::size_t i = 0; i < texts.paragraphs.size(); ++i) {
    const std::u16string& old_p = was.paragraphs[i];
    const std::u16string& new_p = texts.paragraphs[i];
    const auto& old_spans = was.spans[i];
    const auto& new_spans = texts.spans[i];
    if (old_spans.size() != new_spans.size()) Refuse("another template");
    if (old_p == new_p) continue;
    std::size_t old_at = 0, new_at = 0;
    for (std::size_t j = 0; j <= old_spans.size(); ++j) {
      const std::size_t old_begin = j < old_spans.size() ? old_spans[j].begin : old_p.size();
      const std::size_t new_begin = j < new_spans.size() ? new_spans[j].begin : new_p.size();
      if (old_p.compare(old_at, old_begin - old_at, new_p, new_at, new_begin - new_at) != 0) {
        Refuse("the texts between runs differ");
      }
      if (j == old_spans.size()) break;
      const std::u16string old_run = old_p.substr(old_spans[j].begin, old_spans[j].end - old_spans[j].begin);
      const std::u16string new_run = new_p.substr(new_spans[j].begin, new_spans[j].end - new_spans[j].begin);
      old_at = old_spans[j].end;
      new_at = new_spans[j].end;
      if (old_run == new_run) continue;
      if (old_run.empty()) Refuse("text in a run that is empty in the base");
      if (!IsPlain(new_run)) Refuse("a text the office stores otherwise");
      // The run text's characters lie side by side (nothing hidden comes between them).
      const std::size_t first = l.paragraph_at[i] + old_spans[j].begin;
      Edit edit{l.shown_at[first], l.shown_at[first + old_run.size() - 1] + 1, new_run, {}};
      if (edit.end - edit.begin != old_run.size()) Refuse("a run text broken up");
      if (l.Formatted(edit.begin, edit.end)) {
        // Formatted: the office's runs inside it start where its script changes, and the new
        // text must change script alike, for the runs to carry over.
        const std::optional<ScriptRuns> old_runs = ScriptRunsOf(old_run), new_runs = ScriptRunsOf(new_run);
        if (!old_runs || !new_runs || old_runs->scripts != new_runs->scripts) Refuse("another mix of scripts");
        std::vector<std::uint32_t> inner;
        for (std::uint32_t start : old_runs->starts) inner.push_back(edit.begin + start);
        if (l.RunStartsIn(edit.begin, edit.end) != inner) Refuse("runs split otherwise than by script");
        for (std::size_t k = 0; k < inner.size(); ++k) edit.inner.emplace_back(inner[k], new_runs->starts[k]);
      }
      edits.push_back(std::move(edit));
    }
    Count(old_p, before);
    Count(new_p, after);
  }
  return edits;
}

// Positions of the base moved to their places in the record's file.
class Shift {
 public:
  Shift(const DocBase::Layout& l, const std::vector<Edit>& edits) : l_(l), edits_(edits) {}

  // A position at or before a replaced run text stays; one at or after its end moves with it.
  // One inside it has no place in the new text.
  std::uint32_t Cp(std::uint32_t x) const {
    long moved = 0;
    for (const Edit& e : edits_) {
      if (x <= e.begin) break;
      if (x < e.end) {
        for (const auto& [old_at, offset] : e.inner) {
          if (old_at == x) return static_cast<std::uint32_t>(static_cast<long>(e.begin) + moved + offset);
        }
        Refuse("a position inside a run text");
      }
      moved += e.delta();
    }
    return static_cast<std::uint32_t>(static_cast<long>(x) + moved);
  }
  std::uint32_t Fc(std::uint32_t fc) const {
    if (fc < l_.fc0 || (fc - l_.fc0) % 2 != 0 || (fc - l_.fc0) / 2 > l_.total) Refuse("a run outside the text");
    return l_.fc0 + 2 * Cp((fc - l_.fc0) / 2);
  }

 private:
  const DocBase::Layout& l_;
  const std::vector<Edit>& edits_;
};

// The whole text with the edits made; `delta` is how much longer it got.
std::u16string NewText(const DocBase::Layout& l, const std::vector<Edit>& edits, long& delta) {
  delta = 0;
  std::u16string text;
  text.reserve(l.text.size() + 64);
  std::uint32_t from = 0;
  for (const Edit& e : edits) {
    text.append(l.text, from, e.begin - from);
    text += e.text;
    from = e.end;
    delta += e.delta();
  }
  text.append(l.text, from, std::u16string::npos);
  return text;
}

// The WordDocument stream: the FIB, the new text, the run pages and section properties (moved
// by `page_shift` pages).
std::string NewWordStream(const DocBase::Layout& l, const std::u16string& text, long delta, long page_shift) {
  const std::uint32_t end = l.fc0 + 2 * static_cast<std::uint32_t>(text.size());
  std::string word = l.word.substr(0, l.fc0);
  word.append(reinterpret_cast<const char*>(text.data()), 2 * text.size());
  word.resize(RoundUpToPage(end), '\0');
  word.append(l.word, l.tail, std::string::npos);
  Put32(word, l.lw + fib_longs::kStreamSize, static_cast<std::uint32_t>(word.size()));
  Put32(word, l.lw + fib_longs::kMainCharacters, static_cast<std::uint32_t>(static_cast<long>(l.main) + delta));
  if (Get32(l.word, fib::kTextEnd) == l.fc0 + 2 * l.total) Put32(word, fib::kTextEnd, end);
  for (std::size_t first_page : {fib_longs::kFirstCharRunPage, fib_longs::kFirstParaRunPage}) {
    const std::uint32_t pn = Get32(l.word, l.lw + first_page);
    if (pn != fib_longs::kNoPage && static_cast<std::uint64_t>(pn) * run_page::kSize >= l.tail) {
      Put32(word, l.lw + first_page, static_cast<std::uint32_t>(pn + page_shift));
    }
  }
  return word;
}

// The pages of runs: where they lie, and the run boundaries on them.
void ShiftRunPages(const DocBase::Layout& l, const Shift& shift, long page_shift, std::string& word,
                   std::string& table) {
  for (int bte : {kPlcfBteChpx, kPlcfBtePapx}) {
    const std::uint32_t count = l.Items(bte, item_size::kRunPage);
    const std::uint32_t at = l.Structure(bte).first;
    for (std::uint32_t k = 0; k <= count; ++k) {
      const std::size_t position = at + positions::PositionAt(k);
      Put32(table, position, shift.Fc(Get32(l.table, position)));
    }
    for (std::uint32_t k = 0; k < count; ++k) {
      const std::size_t item = at + positions::ItemAt(count, item_size::kRunPage, k);
      const std::uint32_t new_pn = static_cast<std::uint32_t>(Get32(l.table, item) + page_shift);
      Put32(table, item, new_pn);
      // The page's runs: their boundaries move, and none may become empty.
      const std::size_t page = static_cast<std::size_t>(new_pn) * run_page::kSize;
      const std::uint8_t runs = static_cast<std::uint8_t>(word[page + run_page::kCountAt]);
      if (run_page::PositionAt(runs + 1u) > run_page::kSize) Refuse("a run page of an odd size");
      std::uint32_t last = 0;
      for (std::uint32_t r = 0; r <= runs; ++r) {
        const std::uint32_t fc = shift.Fc(Get32(word, page + run_page::PositionAt(r)));
        if (r > 0 && fc <= last) Refuse("a run would become empty");
        Put32(word, page + run_page::PositionAt(r), fc);
        last = fc;
      }
    }
  }
}

// The other tables of positions in the main text, and where the sections' properties lie.
void ShiftPositions(const DocBase::Layout& l, const Shift& shift, long page_shift, std::string& table) {
  const auto shift_positions = [&](int i, std::uint32_t item) {
    if (!l.Has(i)) return;
    const std::uint32_t count = l.Items(i, item);
    const std::uint32_t at = l.Structure(i).first;
    for (std::uint32_t k = 0; k <= count; ++k) {
      const std::size_t position = at + positions::PositionAt(k);
      Put32(table, position, shift.Cp(Get32(l.table, position)));
    }
  };
  shift_positions(kPlcfSed, item_size::kSection);
  shift_positions(kPlcfBkf, item_size::kBookmarkStart);
  shift_positions(kPlcfBkl, item_size::kBookmarkEnd);
  shift_positions(kPlcfTch, item_size::kTableCell);
  shift_positions(kPlcfFldMom, item_size::kFieldMark);
  shift_positions(kPlcSpaMom, item_size::kDrawing);
  if (l.Has(kPlcfSed)) {
    const std::uint32_t count = l.Items(kPlcfSed, item_size::kSection);
    const std::uint32_t at = l.Structure(kPlcfSed).first;
    for (std::uint32_t k = 0; k < count; ++k) {
      const std::size_t sepx_at = at + positions::ItemAt(count, item_size::kSection, k) + section::kPropertiesAt;
      const std::uint32_t sepx = Get32(l.table, sepx_at);
      if (sepx != section::kNoProperties) {
        Put32(table, sepx_at, static_cast<std::uint32_t>(sepx + page_shift * run_page::kSize));
      }
    }
  }
}

// Words, characters and paragraphs (and lines, which the office counts as paragraphs), each
// stored twice: the second time with the notes, of which there are none. The page count stays
// the base's: only a layout knows it, and readers count the pages themselves.
void UpdateCounts(const DocBase::Layout& l, const Counts& before, const Counts& after, std::string& table) {
    const std::uint32_t dop = l.Structure(kDop).first;
    const auto update = [&](std::size_t first, std::initializer_list<std::size_t> others, long by) {
      const std::uint32_t value = Get32(l.table, dop + first);
      const auto moved = static_cast<std::uint32_t>(std::max(0L, static_cast<long>(value) + by));
      Put32(table, dop + first, moved);
      for (std::size_t at : others) {
        if (Get32(l.table, dop + at) == value) Put32(table, dop + at, moved);
      }
    };
    update(dop::kWords, {dop::kWordsWithNotes}, after.words - before.words);
    update(dop::kCharacters, {dop::kCharactersWithNotes}, after.characters - before.characters);
    update(dop::kParagraphs, {dop::kLines, dop::kParagraphsWithNotes, dop::kLinesWithNotes},
           after.paragraphs - before.paragraphs);
  }

}  // namespace

std::optional<std::string> DocBase::Write(const DocxTexts& texts, std::string* why) const {
  const Layout& l = *layout_;
  try {
    // The document's properties (title, author, ...) go into the .doc as they are.
    if (!texts.ok || texts.frame != texts_.frame || texts.properties != texts_.properties ||
        texts.paragraphs.size() != texts_.paragraphs.size() ||
        texts.spans.size() != texts_.spans.size()) {
      Refuse("another template");
    }
    Counts before, after;
    const std::vector<Edit> edits = CollectEdits(l, texts_, texts, before, after);
    if (edits.empty()) return bytes_;
    const Shift shift(l, edits);
    long delta = 0;
    const std::u16string text = NewText(l, edits, delta);
    const std::uint32_t tail = RoundUpToPage(l.fc0 + 2 * static_cast<std::uint32_t>(text.size()));
    const long page_shift = (static_cast<long>(tail) - static_cast<long>(l.tail)) / static_cast<long>(run_page::kSize);
    std::string word = NewWordStream(l, text, delta, page_shift);
    std::string table = l.table;
    Put32(table, l.Structure(kClx).first + clx::kLastCharacter, static_cast<std::uint32_t>(text.size()));
    ShiftRunPages(l, shift, page_shift, word, table);
    ShiftPositions(l, shift, page_shift, table);
    if (l.counts) UpdateCounts(l, before, after, table);
    std::optional<std::string> out = file_->WithStreams({{"WordDocument", word}, {l.table_name, table}});
    if (!out) Refuse("too large a file");
    // The file must read back as written before it counts as made.
    const CompoundFile written(*out, "written.doc", "Word文件");
    if (written.ReadStream("WordDocument") != word || written.ReadStream(l.table_name) != table) {
      Refuse("the written file does not read back");
    }
    return out;
  } catch (const Refusal& r) {
    if (why) *why = r.why;
    return std::nullopt;
  } catch (const app::RuntimeError& e) {
    if (why) *why = e.text();
    return std::nullopt;
  }
}

}  // namespace vexlo::engine
