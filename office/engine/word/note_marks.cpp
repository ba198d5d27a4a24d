#include "office/engine/word/note_marks.h"

#include <charconv>

namespace vexlo::engine::word {

namespace {

std::string Roman(int64_t n) {
  static const std::pair<int, const char*> kParts[] = {
      {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"},
      {50, "l"},   {40, "xl"},  {10, "x"},  {9, "ix"},   {5, "v"},   {4, "iv"}, {1, "i"}};
  std::string out;
  for (const auto& [value, text] : kParts) {
    while (n >= value) {
      out += text;
      n -= value;
    }
  }
  return out;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return s;
}

// a, b, ... z, aa, bb, ...: the letter repeated once more each round.
std::string Letters(int64_t n) {
  const int64_t round = (n - 1) / 26 + 1;
  return std::string(static_cast<size_t>(round), static_cast<char>('a' + (n - 1) % 26));
}

// *, †, ‡, §, then each doubled, tripled ...
std::string Chicago(int64_t n) {
  static const char* const kSigns[] = {"*", "\u2020", "\u2021", "\u00A7"};
  std::string out;
  for (int64_t i = 0; i < (n - 1) / 4 + 1; ++i) out += kSigns[(n - 1) % 4];
  return out;
}

void Apply(const pugi::xml_node& props, const std::string& w, NoteNumbering& numbering) {
  if (!props) return;
  const std::string val = w + "val";
  if (const pugi::xml_node f = props.child((w + "numFmt").c_str())) {
    numbering.format = f.attribute(val.c_str()).value();
  }
  if (const pugi::xml_node s = props.child((w + "numStart").c_str())) {
    const std::string_view v = s.attribute(val.c_str()).value();
    int64_t start = 1;
    auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), start);
    if (ec == std::errc() && p == v.data() + v.size() && start >= 0) numbering.start = start;
  }
  if (const pugi::xml_node r = props.child((w + "numRestart").c_str())) {
    numbering.per_page = std::string_view(r.attribute(val.c_str()).value()) == "eachPage";
  }
}

}  // namespace

void ApplyNoteProperties(const pugi::xml_node& parent, const std::string& w, NoteFormats& formats) {
  Apply(parent.child((w + "footnotePr").c_str()), w, formats.footnote);
  Apply(parent.child((w + "endnotePr").c_str()), w, formats.endnote);
}

void ApplySettingsNoteProperties(std::string_view settings_xml, NoteFormats& formats) {
  pugi::xml_document doc;
  if (!doc.load_buffer(settings_xml.data(), settings_xml.size())) return;
  const pugi::xml_node root = doc.document_element();
  const std::string_view name = root.name();
  const size_t colon = name.find(':');
  ApplyNoteProperties(root, colon == std::string_view::npos ? "" : std::string(name.substr(0, colon + 1)),
                      formats);
}

std::string NoteLabel(const NoteNumbering& numbering, int64_t ordinal) {
  const int64_t n = numbering.start + ordinal - 1;
  const std::string& f = numbering.format;
  if (numbering.per_page || n < 1 || n > 3999) return {};
  if (f == "decimal") return std::to_string(n);
  if (f == "lowerRoman") return Roman(n);
  if (f == "upperRoman") return Upper(Roman(n));
  if (f == "lowerLetter") return Letters(n);
  if (f == "upperLetter") return Upper(Letters(n));
  if (f == "chicago") return Chicago(n);
  return {};
}

}  // namespace vexlo::engine::word
