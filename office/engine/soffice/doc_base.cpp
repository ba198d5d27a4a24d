#include "office/engine/soffice/doc_base.h"

#include <algorithm>
#include <cstdint>
#include <cctype>
#include <cstring>
#include <initializer_list>
#include <set>

#include "app/runtime_error.h"
#include "office/engine/package/compound_file.h"

namespace vexlo::engine {

namespace {

constexpr std::uint16_t kWordIdent = 0xA5EC;
constexpr std::uint32_t kPage = 512;
constexpr std::uint32_t kNone = 0xFFFFFFFF;

// The structures of a binary Word file that hold positions in the text, by their place in the
// file information block's table of structures.
constexpr int kPlcfSed = 6;       // sections: where each ends, where its properties lie
constexpr int kPlcfBteChpx = 12;  // the pages of character runs
constexpr int kPlcfBtePapx = 13;  // the pages of paragraph runs
constexpr int kPlcfBkf = 22;      // where bookmarks start
constexpr int kPlcfBkl = 23;      // where bookmarks end
constexpr int kDop = 31;          // document properties, with the word and character counts
constexpr int kClx = 33;          // the piece table: where the text lies
constexpr int kPlcfTch = 93;      // a cache of table cells, over the whole text
constexpr int kPlcfFldMom = 16;   // the fields of the main text: where their marks lie
constexpr int kPlcSpaMom = 40;    // the drawings of the main text: where they are anchored

// Structures that hold no position in the main text (style sheet, fonts, headers and their
// fields and drawings, list definitions, bookmark names, printer and save records): kept as
// they are. Any structure not named here or above keeps a file from serving as a base.
const std::set<int> kUntouched = {0,  1,  11, 15, 17, 21, 27, 28, 29, 30, 32, 41,
                                  50, 51, 58, 59, 71, 72, 73, 74, 76, 91, 113};

struct Refusal {
  std::string why;
};

[[noreturn]] void Refuse(std::string why) { throw Refusal{std::move(why)}; }

std::uint32_t Get32(const std::string& s, std::size_t at) {
  if (at + 4 > s.size()) Refuse("a structure runs past its stream");
  std::uint32_t v;
  std::memcpy(&v, s.data() + at, 4);
  return v;
}
std::uint16_t Get16(const std::string& s, std::size_t at) {
  if (at + 2 > s.size()) Refuse("a structure runs past its stream");
  std::uint16_t v;
  std::memcpy(&v, s.data() + at, 2);
  return v;
}
void Put32(std::string& s, std::size_t at, std::uint32_t v) { std::memcpy(s.data() + at, &v, 4); }

std::uint32_t RoundUpToPage(std::uint32_t at) { return (at + kPage - 1) / kPage * kPage; }

// A character the office counts as a word of its own: CJK characters and full-width forms.
bool IsWordOfItsOwn(char32_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF);
}
bool IsSpace(char32_t c) { return c == ' ' || c == '\t' || c == 0x3000 || c == 0x0B || c == 0xA0; }

// The document statistics the office stores: words (each CJK character and full-width mark one,
// other characters between spaces one: close to the office's own word breaking, which may join
// CJK characters it finds in its dictionary), characters (spaces included) and paragraphs that
// hold any.
struct Counts {
  long words = 0;
  long characters = 0;
  long paragraphs = 0;
};
void Count(const std::u16string& text, Counts& counts) {
  bool in_word = false;
  counts.paragraphs += !text.empty();
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    ++counts.characters;
    if (IsSpace(c)) {
      in_word = false;
    } else if (IsWordOfItsOwn(c)) {
      ++counts.words;
      in_word = false;
    } else if (!in_word) {
      ++counts.words;
      in_word = true;
    }
  }
}

// Whether the office puts `text` into a .doc as it stands: no control characters, no characters
// it stores otherwise (soft and non-breaking hyphens, private-use characters, which it may move
// for symbol fonts) and nothing written right to left (the office splits runs where the
// direction changes).
bool IsPlain(const std::u16string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c < 0x20 || c == 0x7F || c == 0xAD || c == 0x2011 || c >= 0xFFF0) return false;
    if ((c >= 0x0590 && c <= 0x08FF) || (c >= 0xE000 && c <= 0xF8FF)) return false;
    if ((c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF) || (c >= 0x200E && c <= 0x200F) ||
        (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069)) {
      return false;
    }
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      if (text[i] == 0xD802 || text[i] == 0xD803 || text[i] == 0xD83A || text[i] == 0xD83B) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

// Whether the result of a field with `code` is the same for every record of a template, or
// worked out again by whoever opens the file (page numbers, counts of pages): a link, a page
// number, the date or time of the run. Any other field may show a record's text (references,
// statistics, formulas), which the base would keep showing.
bool IsKeptField(const std::u16string& code) {
  std::string word;
  for (char16_t c : code) {
    if (c == u' ' && word.empty()) continue;
    if (c == u' ' || c == u'\\' || c > 0x7F) break;
    word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return word == "HYPERLINK" || word == "PAGE" || word == "NUMPAGES" || word == "SECTIONPAGES" ||
         word == "DATE" || word == "TIME";
}

// One run text of the base replaced: the characters [begin, end) of the whole text. `inner`:
// where the office's character runs that start inside it start in the new text, from its start.
struct Edit {
  std::uint32_t begin = 0, end = 0;
  std::u16string text;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> inner;  // old position, new offset
  long delta() const { return static_cast<long>(text.size()) - static_cast<long>(end - begin); }
};

// The office writes a formatted run as one character run per script: Latin (ASCII, Latin,
// Greek, Cyrillic), Asian (CJK, kana, hangul, full-width forms) or weak (spaces, general
// punctuation, symbols, emoji), which goes with its neighbours. Any other character is not
// known here.
enum class Script { kLatin, kAsian, kWeak, kUnknown };
Script ScriptOf(char32_t c) {
  if (c == 0x20 || c == 0xA0 || (c >= 0x2000 && c <= 0x2BFF) || (c >= 0x1F000 && c <= 0x1FAFF)) return Script::kWeak;
  if ((c >= 0x21 && c <= 0x7E) || (c >= 0xA1 && c <= 0x24F) || (c >= 0x370 && c <= 0x4FF) ||
      (c >= 0x1E00 && c <= 0x1EFF)) {
    return Script::kLatin;
  }
  if ((c >= 0x2E80 && c <= 0x2FDF) || (c >= 0x3000 && c <= 0x31FF) || (c >= 0x3400 && c <= 0x4DBF) ||
      (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
      (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF)) {
    return Script::kAsian;
  }
  return Script::kUnknown;
}

// The scripts of `text` in order, and where each but the first starts (in UTF-16 units). A weak
// character takes the script around it, which must be the same on both sides within the text:
// at its ends or between two scripts its place depends on what surrounds the run. nullopt then,
// or for a character not known.
struct ScriptRuns {
  std::vector<Script> scripts;
  std::vector<std::uint32_t> starts;
};
std::optional<ScriptRuns> ScriptRunsOf(const std::u16string& text) {
  std::vector<std::pair<Script, std::uint32_t>> strong;  // each strong character and its place
  std::vector<std::uint32_t> weak;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::uint32_t at = static_cast<std::uint32_t>(i);
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    const Script script = ScriptOf(c);
    if (script == Script::kUnknown) return std::nullopt;
    if (script == Script::kWeak) {
      weak.push_back(at);
    } else {
      strong.emplace_back(script, at);
    }
  }
  for (std::uint32_t at : weak) {
    const auto after = std::find_if(strong.begin(), strong.end(), [at](const auto& s) { return s.second > at; });
    if (after == strong.begin() || after == strong.end() || (after - 1)->first != after->first) return std::nullopt;
  }
  ScriptRuns runs;
  for (const auto& [script, at] : strong) {
    if (runs.scripts.empty() || runs.scripts.back() != script) {
      if (!runs.scripts.empty()) runs.starts.push_back(at);
      runs.scripts.push_back(script);
    }
  }
  return runs;
}

}  // namespace

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
    const std::uint32_t fc = Get32(word, fclcb + 8 * static_cast<std::size_t>(i));
    const std::uint32_t lcb = Get32(word, fclcb + 8 * static_cast<std::size_t>(i) + 4);
    if (lcb != 0 && static_cast<std::uint64_t>(fc) + lcb > table.size()) Refuse("a structure lies past the table stream");
    return {fc, lcb};
  }
  int structures() const { return Get16(word, fclcb - 2); }
  bool Has(int i) const { return i < structures() && Structure(i).second != 0; }
  // A table of positions: n + 1 positions, then n items of `item` bytes.
  std::uint32_t Items(int i, std::uint32_t item) const {
    const std::uint32_t lcb = Structure(i).second;
    if (lcb < 4 || (lcb - 4) % (4 + item) != 0) Refuse("a table of positions of an odd size");
    return (lcb - 4) / (4 + item);
  }
};

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
    std::optional<std::string> word = base->file_->ReadStream("WordDocument");
    if (!word) Refuse("no WordDocument stream");
    l.word = std::move(*word);
    const std::string& w = l.word;
    if (Get16(w, 0) != kWordIdent) Refuse("not a Word file");
    const std::uint16_t flags = Get16(w, 10);
    if (flags & 0x0004) Refuse("saved fast (several pieces)");
    if (flags & 0x8100) Refuse("encrypted or obfuscated");
    l.table_name = (flags & 0x0200) ? "1Table" : "0Table";
    std::optional<std::string> table = base->file_->ReadStream(l.table_name);
    if (!table) Refuse("no table stream");
    l.table = std::move(*table);
    const std::size_t csw = Get16(w, 32);
    const std::size_t cslw = Get16(w, 34 + 2 * csw);
    if (cslw < 22) Refuse("a short FIB");
    l.lw = 34 + 2 * csw + 2;
    l.fclcb = l.lw + 4 * cslw + 2;
    const int n = l.structures();
    if (l.fclcb + 8 * static_cast<std::size_t>(n) > w.size()) Refuse("a short FIB");
    const std::set<int> handled = {kPlcfSed, kPlcfBteChpx, kPlcfBtePapx, kPlcfBkf, kPlcfBkl,
                                   kDop,     kClx,         kPlcfTch,     kPlcfFldMom, kPlcSpaMom};
    for (int i = 0; i < n; ++i) {
      if (i == 87) continue;  // the time of saving, not a structure
      if (l.Structure(i).second != 0 && !handled.contains(i) && !kUntouched.contains(i)) {
        Refuse("an unknown structure (" + std::to_string(i) + ")");
      }
    }
    for (int i : {kClx, kPlcfBteChpx, kPlcfBtePapx}) {
      if (!l.Has(i)) Refuse("no piece table or run pages");
    }

    // One piece of 16-bit text, no property modifiers.
    const auto [clx, clx_size] = l.Structure(kClx);
    if (clx_size != 21 || l.table[clx] != 2 || Get32(l.table, clx + 1) != 16 || Get32(l.table, clx + 5) != 0) {
      Refuse("a piece table of several pieces");
    }
    l.total = Get32(l.table, clx + 9);
    const std::uint32_t piece_fc = Get32(l.table, clx + 15);
    if ((piece_fc & 0x40000000) || Get16(l.table, clx + 19) != 0) Refuse("compressed or modified text");
    l.fc0 = piece_fc & 0x3FFFFFFF;
    l.main = Get32(w, l.lw + 12);
    const std::uint64_t end = l.fc0 + 2ull * l.total;
    if (l.main > l.total || end > w.size()) Refuse("the text lies past its stream");
    l.text.resize(l.total);
    std::memcpy(l.text.data(), w.data() + l.fc0, 2ull * l.total);

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

    // After the text, from the next page boundary: the pages of runs, then the sections'
    // properties. Nothing else may lie there.
    l.tail = RoundUpToPage(static_cast<std::uint32_t>(end));
    for (std::uint64_t k = end; k < std::min<std::uint64_t>(l.tail, w.size()); ++k) {
      if (w[k] != 0) Refuse("something between the text and its run pages");
    }
    std::uint32_t first_page = kNone;
    for (int bte : {kPlcfBteChpx, kPlcfBtePapx}) {
      const std::uint32_t count = l.Items(bte, 4);
      const std::uint32_t at = l.Structure(bte).first;
      for (std::uint32_t k = 0; k < count; ++k) {
        const std::uint32_t pn = Get32(l.table, at + 4 * (count + 1) + 4 * k);
        if (static_cast<std::uint64_t>(pn + 1) * kPage > w.size()) Refuse("a run page past the stream");
        first_page = std::min(first_page, pn);
      }
    }
    if (static_cast<std::uint64_t>(first_page) * kPage != l.tail) Refuse("run pages not right after the text");
    {
      // The character runs, page by page: boundaries, then one byte per run (0: no formatting).
      const std::uint32_t count = l.Items(kPlcfBteChpx, 4);
      const std::uint32_t at = l.Structure(kPlcfBteChpx).first;
      for (std::uint32_t k = 0; k < count; ++k) {
        const std::size_t page = static_cast<std::size_t>(Get32(l.table, at + 4 * (count + 1) + 4 * k)) * kPage;
        const std::uint8_t runs = static_cast<std::uint8_t>(w[page + kPage - 1]);
        if (5u * runs + 4u > kPage - 1) Refuse("a run page of an odd size");
        for (std::uint32_t r = 0; r < runs; ++r) {
          const std::uint32_t fc = Get32(w, page + 4 * r);
          if (fc < l.fc0 || (fc - l.fc0) % 2 != 0) Refuse("a run outside the text");
          const std::uint32_t cp = (fc - l.fc0) / 2;
          if (!l.runs.empty() && cp <= l.runs.back().first) Refuse("runs out of order");
          l.runs.emplace_back(cp, w[page + 4 * (runs + 1) + r] != 0);
        }
      }
    }
    if (l.Has(kPlcfSed)) {
      const std::uint32_t count = l.Items(kPlcfSed, 12);
      const std::uint32_t at = l.Structure(kPlcfSed).first + 4 * (count + 1);
      for (std::uint32_t k = 0; k < count; ++k) {
        const std::uint32_t sepx = Get32(l.table, at + 12 * k + 2);
        if (sepx != kNone && (sepx < l.tail || sepx >= w.size())) Refuse("section properties inside the text");
      }
    }
    if (l.Has(kPlcfBkf)) l.Items(kPlcfBkf, 4);
    if (l.Has(kPlcfBkl)) l.Items(kPlcfBkl, 0);
    if (l.Has(kPlcfTch)) l.Items(kPlcfTch, 4);
    if (l.Has(kPlcfFldMom)) l.Items(kPlcfFldMom, 2);
    if (l.Has(kPlcSpaMom)) l.Items(kPlcSpaMom, 26);
    l.counts = l.Has(kDop) && l.Structure(kDop).second >= 78;
  } catch (const Refusal& r) {
    if (why) *why = r.why;
    return nullptr;
  } catch (const app::RuntimeError& e) {
    if (why) *why = e.text();
    return nullptr;
  }
  return base;
}

std::optional<std::string> DocBase::Write(const DocxTexts& texts, std::string* why) const {
  const Layout& l = *layout_;
  try {
    // The document's properties (title, author, ...) go into the .doc as they are.
    if (!texts.ok || texts.frame != texts_.frame || texts.properties != texts_.properties ||
        texts.paragraphs.size() != texts_.paragraphs.size() ||
        texts.spans.size() != texts_.spans.size()) {
      Refuse("another template");
    }
    // The run texts that differ, in text order; what lies between run texts (tabs, breaks) is
    // the template's and must be the same.
    std::vector<Edit> edits;
    Counts before, after;
    for (std::size_t i = 0; i < texts.paragraphs.size(); ++i) {
      const std::u16string& old_p = texts_.paragraphs[i];
      const std::u16string& new_p = texts.paragraphs[i];
      const auto& old_spans = texts_.spans[i];
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
    if (edits.empty()) return bytes_;

    // A position at or before a replaced run text stays; one at or after its end moves with it.
    // One inside it has no place in the new text.
    const auto shift_cp = [&edits](std::uint32_t x) {
      long moved = 0;
      for (const Edit& e : edits) {
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
    };
    const auto shift_fc = [&](std::uint32_t fc) {
      if (fc < l.fc0 || (fc - l.fc0) % 2 != 0 || (fc - l.fc0) / 2 > l.total) Refuse("a run outside the text");
      return l.fc0 + 2 * shift_cp((fc - l.fc0) / 2);
    };

    long delta = 0;
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
    const std::uint32_t total = static_cast<std::uint32_t>(text.size());
    const std::uint32_t end = l.fc0 + 2 * total;
    const std::uint32_t tail = RoundUpToPage(end);
    const long page_shift = (static_cast<long>(tail) - static_cast<long>(l.tail)) / static_cast<long>(kPage);
    const auto shift_page = [page_shift](std::uint32_t pn) { return static_cast<std::uint32_t>(pn + page_shift); };

    // The WordDocument stream: the FIB, the new text, the run pages and section properties.
    std::string word = l.word.substr(0, l.fc0);
    word.append(reinterpret_cast<const char*>(text.data()), 2 * text.size());
    word.resize(tail, '\0');
    word.append(l.word, l.tail, std::string::npos);
    Put32(word, l.lw, static_cast<std::uint32_t>(word.size()));  // cbMac
    Put32(word, l.lw + 12, static_cast<std::uint32_t>(static_cast<long>(l.main) + delta));  // ccpText
    if (Get32(l.word, 28) == l.fc0 + 2 * l.total) Put32(word, 28, end);  // where the text ends
    for (std::size_t k : {12u, 15u}) {  // the first pages of runs, as older readers find them
      const std::uint32_t pn = Get32(l.word, l.lw + 4 * k);
      if (pn != 0xFFFFF && static_cast<std::uint64_t>(pn) * kPage >= l.tail) Put32(word, l.lw + 4 * k, shift_page(pn));
    }

    std::string table = l.table;
    const auto [clx, clx_size] = l.Structure(kClx);
    Put32(table, clx + 9, total);
    for (int bte : {kPlcfBteChpx, kPlcfBtePapx}) {
      const std::uint32_t count = l.Items(bte, 4);
      const std::uint32_t at = l.Structure(bte).first;
      for (std::uint32_t k = 0; k <= count; ++k) Put32(table, at + 4 * k, shift_fc(Get32(l.table, at + 4 * k)));
      for (std::uint32_t k = 0; k < count; ++k) {
        const std::uint32_t pn = Get32(l.table, at + 4 * (count + 1) + 4 * k);
        const std::uint32_t new_pn = shift_page(pn);
        Put32(table, at + 4 * (count + 1) + 4 * k, new_pn);
        // The page's runs: their boundaries move, and none may become empty.
        const std::size_t page = static_cast<std::size_t>(new_pn) * kPage;
        const std::uint8_t runs = static_cast<std::uint8_t>(word[page + kPage - 1]);
        if (4u * (runs + 1u) > kPage) Refuse("a run page of an odd size");
        std::uint32_t last = 0;
        for (std::uint32_t r = 0; r <= runs; ++r) {
          const std::uint32_t fc = shift_fc(Get32(word, page + 4 * r));
          if (r > 0 && fc <= last) Refuse("a run would become empty");
          Put32(word, page + 4 * r, fc);
          last = fc;
        }
      }
    }
    const auto shift_positions = [&](int i, std::uint32_t item) {
      if (!l.Has(i)) return;
      const std::uint32_t count = l.Items(i, item);
      const std::uint32_t at = l.Structure(i).first;
      for (std::uint32_t k = 0; k <= count; ++k) Put32(table, at + 4 * k, shift_cp(Get32(l.table, at + 4 * k)));
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
    if (l.counts) {
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
