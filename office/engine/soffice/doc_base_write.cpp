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
  Put32(word, l.lw, static_cast<std::uint32_t>(word.size()));  // cbMac
  Put32(word, l.lw + 12, static_cast<std::uint32_t>(static_cast<long>(l.main) + delta));  // ccpText
  if (Get32(l.word, 28) == l.fc0 + 2 * l.total) Put32(word, 28, end);  // where the text ends
  for (std::size_t k : {12u, 15u}) {  // the first pages of runs, as older readers find them
    const std::uint32_t pn = Get32(l.word, l.lw + 4 * k);
    if (pn != 0xFFFFF && static_cast<std::uint64_t>(pn) * kPage >= l.tail) {
      Put32(word, l.lw + 4 * k, static_cast<std::uint32_t>(pn + page_shift));
    }
  }
  return word;
}

// The pages of runs: where they lie, and the run boundaries on them.
void ShiftRunPages(const DocBase::Layout& l, const Shift& shift, long page_shift, std::string& word,
                   std::string& table) {
  for (int bte : {kPlcfBteChpx, kPlcfBtePapx}) {
    const std::uint32_t count = l.Items(bte, 4);
    const std::uint32_t at = l.Structure(bte).first;
    for (std::uint32_t k = 0; k <= count; ++k) Put32(table, at + 4 * k, shift.Fc(Get32(l.table, at + 4 * k)));
    for (std::uint32_t k = 0; k < count; ++k) {
      const std::uint32_t pn = Get32(l.table, at + 4 * (count + 1) + 4 * k);
      const std::uint32_t new_pn = static_cast<std::uint32_t>(pn + page_shift);
      Put32(table, at + 4 * (count + 1) + 4 * k, new_pn);
      // The page's runs: their boundaries move, and none may become empty.
      const std::size_t page = static_cast<std::size_t>(new_pn) * kPage;
      const std::uint8_t runs = static_cast<std::uint8_t>(word[page + kPage - 1]);
      if (4u * (runs + 1u) > kPage) Refuse("a run page of an odd size");
      std::uint32_t last = 0;
      for (std::uint32_t r = 0; r <= runs; ++r) {
        const std::uint32_t fc = shift.Fc(Get32(word, page + 4 * r));
        if (r > 0 && fc <= last) Refuse("a run would become empty");
        Put32(word, page + 4 * r, fc);
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
    for (std::uint32_t k = 0; k <= count; ++k) Put32(table, at + 4 * k, shift.Cp(Get32(l.table, at + 4 * k)));
  };
  shift_positions(kPlcfSed, 12);
  shift_positions(kPlcfBkf, 4);
  shift_positions(kPlcfBkl, 0);
  shift_positions(kPlcfTch, 4);
  shift_positions(kPlcfFldMom, 2);
  shift_positions(kPlcSpaMom, 26);
  if (l.Has(kPlcfSed)) {
    const std::uint32_t count = l.Items(kPlcfSed, 12);
    const std::uint32_t at = l.Structure(kPlcfSed).first + 4 * (count + 1);
    for (std::uint32_t k = 0; k < count; ++k) {
      const std::uint32_t sepx = Get32(l.table, at + 12 * k + 2);
      if (sepx != kNone) Put32(table, at + 12 * k + 2, static_cast<std::uint32_t>(sepx + page_shift * kPage));
    }
  }
}

// Words, characters and paragraphs (and lines, which the office counts as paragraphs), each
// stored twice: the second time with the notes, of which there are none. The page count stays
// the base's: only a layout knows it, and readers count the pages themselves.
void UpdateCounts(const DocBase::Layout& l, const Counts& before, const Counts& after, std::string& table) {
    // Words, characters and paragraphs (and lines, which the office counts as paragraphs), each
    // stored twice: the second time with the notes, of which there are none. The page count
    // stays the base's: only a layout knows it, and readers count the pages themselves.
    const std::uint32_t dop = l.Structure(kDop).first;
    const auto update = [&](std::uint32_t first, std::initializer_list<std::uint32_t> others, long by) {
      const std::uint32_t value = Get32(l.table, dop + first);
      const auto moved = static_cast<std::uint32_t>(std::max(0L, static_cast<long>(value) + by));
      Put32(table, dop + first, moved);
      for (std::uint32_t at : others) {
        if (Get32(l.table, dop + at) == value) Put32(table, dop + at, moved);
      }
    };
    update(38, {60}, after.words - before.words);
    update(42, {64}, after.characters - before.characters);
    update(48, {56, 70, 74}, after.paragraphs - before.paragraphs);
  }

}  // namespace

Result<std::string> DocBase::Write(const DocxTexts& texts) const {
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
    const long page_shift = (static_cast<long>(tail) - static_cast<long>(l.tail)) / static_cast<long>(kPage);
    std::string word = NewWordStream(l, text, delta, page_shift);
    std::string table = l.table;
    Put32(table, l.Structure(kClx).first + 9, static_cast<std::uint32_t>(text.size()));
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
    return std::move(*out);
  } catch (const Refusal& r) {
    return Status::Refused(r.why);
  } catch (const app::RuntimeError& e) {
    return Status::Refused(e.text());  // the compound file could not be read or written
  }
}

}  // namespace vexlo::engine
