#include "office/engine/soffice/text_delta.h"

#include <pugixml.hpp>

#include <QString>
#include <algorithm>
#include <functional>

#include "app/runtime_error.h"
#include "office/engine/package/zip_reader.h"

namespace vexlo::engine {

namespace {

constexpr std::size_t kMaxDiffCells = 4'000'000;  // beyond this one edit spans the change

std::u16string Utf16(const std::string& utf8) {
  const QString s = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size()));
}

// The text of a paragraph as the office shows it, with the places of its run texts.
void CollectText(const pugi::xml_node& node, std::u16string& out, std::vector<DocxTexts::Span>& spans) {
  for (const pugi::xml_node& child : node.children()) {
    const std::string_view name = child.name();
    if (name == "w:t") {
      const std::size_t begin = out.size();
      out += Utf16(child.text().get());
      spans.push_back({begin, out.size()});
    } else if (name == "w:tab") {
      out += u'\t';
    } else if (name == "w:br" || name == "w:cr") {
      // A page or column break ends the paragraph in the office: what follows it is a paragraph
      // of its own, starting on the new page.
      const std::string_view type = child.attribute("w:type").value();
      out += type == "page" || type == "column" ? u'\f' : u'\n';
    } else if (name == "w:r" || name == "w:hyperlink" || name == "w:smartTag" || name == "w:ins" ||
               name == "w:fldSimple" || name == "w:sdt" || name == "w:sdtContent" ||
               name == "w:customXml") {
      CollectText(child, out, spans);
    }
  }
}

void CollectParagraphs(const pugi::xml_node& node, DocxTexts& out, int table_depth) {
  for (const pugi::xml_node& child : node.children()) {
    const std::string_view name = child.name();
    if (name == "w:p") {
      std::u16string text;
      std::vector<DocxTexts::Span> spans;
      CollectText(child, text, spans);
      // A break that ends the paragraph moves the next paragraph instead.
      if (!text.empty() && text.back() == u'\f') text.pop_back();
      for (std::size_t from = 0;;) {
        const std::size_t split = text.find(u'\f', from);
        const std::size_t to = split == std::u16string::npos ? text.size() : split;
        out.paragraphs.push_back(text.substr(from, to - from));
        std::vector<DocxTexts::Span>& own = out.spans.emplace_back();
        for (const DocxTexts::Span& s : spans) {
          if (s.begin >= from && s.end <= to) own.push_back({s.begin - from, s.end - from});
        }
        out.marks.emplace_back(u"\r");
        if (split == std::u16string::npos) {
          // A paragraph that ends a section ends with a section mark instead.
          if (child.child("w:pPr").child("w:sectPr")) out.marks.back().assign(1, u'\f');
          break;
        }
        from = split + 1;
      }
    } else if (name == "w:tbl") {
      if (table_depth > 0) out.nested_tables = true;
      CollectParagraphs(child, out, table_depth + 1);
    } else if (name == "w:tr") {
      CollectParagraphs(child, out, table_depth);
      if (!out.marks.empty()) out.marks.back().push_back(u'\a');
    } else if (name == "w:tc") {
      const std::size_t before = out.paragraphs.size();
      CollectParagraphs(child, out, table_depth);
      if (out.paragraphs.size() > before) out.marks.back().assign(1, u'\a');
    } else if (name == "w:sdt" || name == "w:sdtContent" || name == "w:customXml") {
      CollectParagraphs(child, out, table_depth);
    }
  }
}

// The main part with every run text element reduced to "<w:t/>".
std::string WithoutRunTexts(const std::string& xml) {
  std::string out;
  out.reserve(xml.size());
  std::size_t at = 0;
  for (;;) {
    const std::size_t open = xml.find("<w:t", at);
    const bool is_text = open != std::string::npos && open + 4 < xml.size() &&
                         (xml[open + 4] == '>' || xml[open + 4] == ' ' || xml[open + 4] == '/');
    if (open == std::string::npos) break;
    if (!is_text) {
      out.append(xml, at, open + 4 - at);
      at = open + 4;
      continue;
    }
    out.append(xml, at, open - at);
    out += "<w:t/>";
    const std::size_t gt = xml.find('>', open);
    if (gt == std::string::npos) return xml;
    if (xml[gt - 1] == '/') {
      at = gt + 1;
      continue;
    }
    const std::size_t close = xml.find("</w:t>", gt);
    if (close == std::string::npos) return xml;
    at = close + 6;
  }
  out.append(xml, at, std::string::npos);
  return out;
}

}  // namespace

DocxTexts ReadDocxTexts(const std::string& path) {
  DocxTexts result;
  try {
    std::unique_ptr<ZipReader> zip = ZipReader::Open(path);
    std::size_t frame = 0;
    const auto mix = [&frame](std::size_t h) { frame ^= h + 0x9e3779b97f4a7c15ULL + (frame << 6) + (frame >> 2); };
    std::string body;
    for (const std::string& name : zip->names()) {
      std::optional<std::string> bytes = zip->Read(name);
      if (!bytes) return result;
      if (name.rfind("docProps/", 0) == 0) {  // metadata only
        result.properties ^= std::hash<std::string>()(name + '\0' + *bytes);
        continue;
      }
      mix(std::hash<std::string>()(name));
      if (name == "word/document.xml") {
        body = std::move(*bytes);
      } else {
        mix(std::hash<std::string>()(*bytes));
      }
    }
    // Text boxes, fields and the like show texts the office counts differently: not for us.
    for (const char* tag : {"<w:txbxContent", "<w:fldChar", "<w:instrText", "<w:footnoteReference",
                            "<w:endnoteReference", "<w:commentReference", "<w:sym", "<w:del "}) {
      if (body.find(tag) != std::string::npos) return result;
    }
    pugi::xml_document doc;
    if (!doc.load_buffer(body.data(), body.size(), pugi::parse_default | pugi::parse_ws_pcdata)) {
      return result;
    }
    const pugi::xml_node content = doc.child("w:document").child("w:body");
    if (!content) return result;
    CollectParagraphs(content, result, 0);
    // The frame: the main part with every run text emptied.
    mix(std::hash<std::string>()(WithoutRunTexts(body)));
    result.frame = frame;
    result.ok = true;
  } catch (const app::RuntimeError&) {
  }
  return result;
}

namespace {

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
// Whether a boundary at `at` falls between the two halves of a surrogate pair.
bool SplitsPair(const std::u16string& s, std::size_t at) {
  return at > 0 && at < s.size() && IsHigh(s[at - 1]) && IsLow(s[at]);
}

std::vector<TextEdit> UnitDiff(const std::u16string& from, const std::u16string& to);

}  // namespace

std::size_t CursorSteps(const std::u16string& text, std::size_t begin, std::size_t end) {
  std::size_t steps = 0;
  for (std::size_t i = begin; i < end; ++i) steps += !(IsLow(text[i]) && i > begin && IsHigh(text[i - 1]));
  return steps;
}

std::vector<TextEdit> DiffText(const std::u16string& from, const std::u16string& to) {
  std::vector<TextEdit> edits = UnitDiff(from, to);
  // An edit that cuts a pair takes in the cut half (the same unit in both texts, being outside
  // the change). Widened edits that then touch become one edit over the whole change.
  bool widened = false;
  for (TextEdit& e : edits) {
    if (SplitsPair(from, e.position)) {
      --e.position;
      ++e.length;
      e.text.insert(e.text.begin(), from[e.position]);
      widened = true;
    }
    if (SplitsPair(from, e.position + e.length)) {
      e.text += from[e.position + e.length];
      ++e.length;
      widened = true;
    }
  }
  if (!widened) return edits;
  for (std::size_t k = 1; k < edits.size(); ++k) {
    if (edits[k].position + edits[k].length >= edits[k - 1].position) {
      // Overlapping or adjacent: one edit from the first change to the last.
      std::size_t prefix = edits.back().position;
      std::size_t suffix = from.size() - (edits.front().position + edits.front().length);
      while (SplitsPair(from, prefix)) --prefix;
      while (SplitsPair(from, from.size() - suffix)) --suffix;
      return {TextEdit{prefix, from.size() - prefix - suffix,
                       to.substr(prefix, to.size() - prefix - suffix)}};
    }
  }
  return edits;
}

namespace {

std::vector<TextEdit> UnitDiff(const std::u16string& from, const std::u16string& to) {
  std::size_t prefix = 0;
  while (prefix < from.size() && prefix < to.size() && from[prefix] == to[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < from.size() - prefix && suffix < to.size() - prefix &&
         from[from.size() - 1 - suffix] == to[to.size() - 1 - suffix]) {
    ++suffix;
  }
  const std::u16string a = from.substr(prefix, from.size() - prefix - suffix);
  const std::u16string b = to.substr(prefix, to.size() - prefix - suffix);
  std::vector<TextEdit> edits;
  if (a.empty() && b.empty()) return edits;
  if (a.empty() || b.empty() || (a.size() + 1) * (b.size() + 1) > kMaxDiffCells) {
    edits.push_back({prefix, a.size(), b});
    return edits;
  }
  // Longest common subsequence of the changed middles; the stretches between its pieces are the
  // edits.
  const std::size_t n = a.size(), m = b.size();
  std::vector<std::uint32_t> lcs((n + 1) * (m + 1), 0);
  for (std::size_t i = n; i-- > 0;) {
    for (std::size_t j = m; j-- > 0;) {
      lcs[i * (m + 1) + j] = a[i] == b[j] ? lcs[(i + 1) * (m + 1) + j + 1] + 1
                                          : std::max(lcs[(i + 1) * (m + 1) + j], lcs[i * (m + 1) + j + 1]);
    }
  }
  std::size_t i = 0, j = 0;
  TextEdit open{};
  bool in_edit = false;
  const auto close = [&] {
    if (in_edit) edits.push_back(open);
    in_edit = false;
  };
  while (i < n || j < m) {
    if (i < n && j < m && a[i] == b[j]) {
      close();
      ++i;
      ++j;
      continue;
    }
    if (!in_edit) {
      open = {prefix + i, 0, {}};
      in_edit = true;
    }
    if (j >= m || (i < n && lcs[(i + 1) * (m + 1) + j] >= lcs[i * (m + 1) + j + 1])) {
      ++open.length;
      ++i;
    } else {
      open.text += b[j];
      ++j;
    }
  }
  close();
  std::reverse(edits.begin(), edits.end());
  return edits;
}

}  // namespace

namespace {

// A paragraph's text as the edits so far left it, and those edits in cursor steps.
class StepEditor {
 public:
  explicit StepEditor(std::u16string text) : text_(std::move(text)) {}
  void Replace(std::size_t position, std::size_t length, std::u16string with) {
    edits_.push_back({CursorSteps(text_, 0, position), CursorSteps(text_, position, position + length), with});
    text_.replace(position, length, with);
  }
  const std::u16string& text() const { return text_; }
  std::vector<TextEdit> Take() { return std::move(edits_); }

 private:
  std::u16string text_;
  std::vector<TextEdit> edits_;
};

// The units of the first and of the last character of a non-empty text.
std::size_t FirstLength(const std::u16string& s) { return s.size() > 1 && IsHigh(s[0]) && IsLow(s[1]) ? 2 : 1; }
std::size_t LastLength(const std::u16string& s) {
  return s.size() > 1 && IsLow(s.back()) && IsHigh(s[s.size() - 2]) ? 2 : 1;
}

// Turns the run at `begin` (holding `from`, non-empty) into `to` (non-empty). Where the changes
// within the run leave a character of it on both sides of every insertion, they are made as they
// are; otherwise the new text goes in between the run's first and last characters, which then go.
void EditRun(StepEditor& editor, std::size_t begin, const std::u16string& from, const std::u16string& to) {
  const std::vector<TextEdit> inner = DiffText(from, to);
  const bool inside = std::all_of(inner.begin(), inner.end(), [&](const TextEdit& e) {
    return e.text.empty() || (e.position > 0 && e.position + e.length < from.size());
  });
  if (inside) {
    for (const TextEdit& e : inner) editor.Replace(begin + e.position, e.length, e.text);
    return;
  }
  const std::size_t first = FirstLength(from);
  if (first == from.size()) {
    // One character: the new text goes after it (taking its formatting), then it goes.
    editor.Replace(begin + first, 0, to);
    editor.Replace(begin, first, u"");
    return;
  }
  const std::size_t last = LastLength(from);
  editor.Replace(begin + first, from.size() - first - last, to);
  editor.Replace(begin + first + to.size(), last, u"");
  editor.Replace(begin, first, u"");
}

// The edits of one paragraph; nothing when its runs cannot be changed one by one.
std::optional<std::vector<TextEdit>> ParagraphRunEdits(const std::u16string& from,
                                                       const std::vector<DocxTexts::Span>& from_runs,
                                                       const std::u16string& to,
                                                       const std::vector<DocxTexts::Span>& to_runs,
                                                       bool emptied_runs) {
  if (from_runs.size() != to_runs.size()) return std::nullopt;
  // What lies between the runs (tabs, breaks) must be the same in both.
  std::size_t from_at = 0, to_at = 0;
  for (std::size_t k = 0; k <= from_runs.size(); ++k) {
    const std::size_t from_end = k < from_runs.size() ? from_runs[k].begin : from.size();
    const std::size_t to_end = k < to_runs.size() ? to_runs[k].begin : to.size();
    if (from_end < from_at || to_end < to_at ||
        from.compare(from_at, from_end - from_at, to, to_at, to_end - to_at) != 0) {
      return std::nullopt;
    }
    if (k < from_runs.size()) {
      from_at = from_runs[k].end;
      to_at = to_runs[k].end;
    }
  }
  StepEditor editor(from);
  // Last run first: the runs before keep their places.
  for (std::size_t k = from_runs.size(); k-- > 0;) {
    const std::u16string a = from.substr(from_runs[k].begin, from_runs[k].end - from_runs[k].begin);
    const std::u16string b = to.substr(to_runs[k].begin, to_runs[k].end - to_runs[k].begin);
    if (a == b) continue;
    if (emptied_runs && !a.empty() && b.empty()) {
      editor.Replace(from_runs[k].begin, a.size(), u"");
      continue;
    }
    if (a.empty() || b.empty()) return std::nullopt;
    EditRun(editor, from_runs[k].begin, a, b);
  }
  if (editor.text() != to) return std::nullopt;
  return editor.Take();
}

}  // namespace

std::optional<std::vector<ParagraphEdits>> RecordEdits(const DocxTexts& from, const DocxTexts& to, bool emptied_runs) {
  if (!from.ok || !to.ok || from.paragraphs.size() != to.paragraphs.size() ||
      from.spans.size() != from.paragraphs.size() || to.spans.size() != to.paragraphs.size()) {
    return std::nullopt;
  }
  std::vector<ParagraphEdits> changes;
  for (std::size_t i = 0; i < to.paragraphs.size(); ++i) {
    const auto same_run = [](const DocxTexts::Span& x, const DocxTexts::Span& y) {
      return x.begin == y.begin && x.end == y.end;
    };
    if (from.paragraphs[i] == to.paragraphs[i] &&
        std::equal(from.spans[i].begin(), from.spans[i].end(), to.spans[i].begin(), to.spans[i].end(), same_run)) {
      continue;
    }
    std::optional<std::vector<TextEdit>> edits =
        ParagraphRunEdits(from.paragraphs[i], from.spans[i], to.paragraphs[i], to.spans[i], emptied_runs);
    if (!edits) return std::nullopt;
    changes.push_back({i, std::move(*edits)});
  }
  return changes;
}

}  // namespace vexlo::engine
