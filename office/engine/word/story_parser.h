// StoryParser: walks the parsed main story of a document part once and fills a SourceStory (see
// source_story.h): the part cut into verbatim markup, run texts and id slots, its paragraphs with
// the objects between their texts, and what copies need to know (the ids in use and their
// strides, notes, list instances, page-anchored objects, how the story ends). Internal to the
// source story; its work is in three files:
//   story_parser.cpp      the walk's frame: prefix, bodies, final section, suffix; markup
//                         written verbatim, with the attributes that are ids as slots
//   story_id_slots.cpp    which attributes are ids that copies renumber, and of what kind
//   story_paragraphs.cpp  paragraphs, runs, text boxes, content controls and notes: the texts
//                         find and replace may change, and the objects no title can span
#ifndef VEXLO_OFFICE_ENGINE_WORD_STORY_PARSER_H_
#define VEXLO_OFFICE_ENGINE_WORD_STORY_PARSER_H_

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "office/engine/word/source_story.h"

namespace vexlo::engine::word {

class StoryParser {
 public:
  StoryParser(SourceStory& s, const std::string& file, const StyleNumbering* styles)
      : s_(s), file_(file), styles_(styles) {}

  // Fills the story from `doc`; `floors`: the ids other parts of the package use. Raises
  // app::RuntimeError::Format naming the file when the part is not a document's main story.
  void Run(const pugi::xml_document& doc, const IdFloors& floors);

 private:
  // story_parser.cpp
  [[noreturn]] void Bad(std::string_view what);
  bool Is(const pugi::xml_node& n, std::string_view local) const;
  void FlushMarkup();
  void AddSlot(Slot slot);
  void StartTag(const pugi::xml_node& n, bool with_slots);
  void NotePageAnchor(const pugi::xml_node& n);
  void Depth(int depth);
  void Opaque(const pugi::xml_node& n, int depth);
  uint16_t TextTag(const pugi::xml_node& n);

  // story_id_slots.cpp
  void Attribute(const pugi::xml_node& n, const pugi::xml_attribute& a);

  // story_paragraphs.cpp
  void TextBoxContent(const pugi::xml_node& n, int depth);
  template <typename F>
  void Container(const pugi::xml_node& n, int depth, F child);
  void Block(const pugi::xml_node& n, int depth);
  void Inline(const pugi::xml_node& n, int depth);
  void StyleNumberedProperties(const pugi::xml_node& n, int depth);
  void ContentControl(const pugi::xml_node& n, int depth, bool block);
  void Boundary(char32_t c);
  void RunChild(const pugi::xml_node& n, int depth);
  void NoteReference(const pugi::xml_node& n, int depth);

  static int64_t Max(const std::set<int64_t>& ids) { return ids.empty() ? 0 : *ids.rbegin(); }
  // A name without its namespace prefix.
  static std::string_view Local(const char* name) {
    const char* colon = std::strrchr(name, ':');
    return colon ? std::string_view(colon + 1) : std::string_view(name);
  }
  static bool ParseInt(const char* s, int64_t& v) {
    const char* end = s + std::strlen(s);
    auto [p, ec] = std::from_chars(s, end, v);
    return ec == std::errc() && p == end;
  }
  static bool In(std::string_view x, std::initializer_list<std::string_view> set) {
    return std::find(set.begin(), set.end(), x) != set.end();
  }

  SourceStory& s_;
  const std::string& file_;
  const StyleNumbering* styles_;
  std::optional<std::pair<int64_t, int>> style_num_;  // the current paragraph's, from its style
  std::string w_ = "w:";
  std::string r_;
  std::string* out_ = nullptr;
  std::string markup_;
  bool direct_ = true;
  bool in_para_ = false;
  uint32_t para_first_ = 0;  // the first item of the open paragraph's current part
  int text_boxes_ = 0;       // text boxes around the current node
  bool in_body_ = false;
  int64_t max_drawing_ = 0;
  int64_t max_mark_ = 0;
  int64_t max_shape_ = 0;
  std::unordered_set<const void*> seq_restarts_;  // see FirstSequenceFields
  std::vector<size_t> sdts_;   // the content controls around the current node
  size_t page_break_end_ = SIZE_MAX;  // items_.size() right after the last page break
  bool ends_with_break_ = false;
  bool starts_with_break_ = false;
};


}  // namespace vexlo::engine::word

#endif  // VEXLO_OFFICE_ENGINE_WORD_STORY_PARSER_H_
