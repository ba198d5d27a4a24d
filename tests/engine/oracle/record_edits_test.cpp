// The edits that turn a kept document into the next record: applied to a model of the office's
// text, in which inserted text takes the formatting of the character before it (the first
// character's at the start of a paragraph), every character must end up in the run it belongs
// to, and records the edits cannot reach are refused.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "office/engine/soffice/text_delta.h"

namespace vexlo::engine {
namespace {

using Runs = std::vector<std::u16string>;

// A record's texts: each paragraph its runs, with `gap` between them.
DocxTexts Texts(const std::vector<Runs>& paragraphs, const std::u16string& gap = u"") {
  DocxTexts t;
  t.ok = true;
  for (const Runs& runs : paragraphs) {
    std::u16string text;
    std::vector<DocxTexts::Span>& spans = t.spans.emplace_back();
    for (std::size_t k = 0; k < runs.size(); ++k) {
      if (k > 0) text += gap;
      spans.push_back({text.size(), text.size() + runs[k].size()});
      text += runs[k];
    }
    t.paragraphs.push_back(text);
  }
  return t;
}

// A paragraph as the office holds it: each unit with the run whose formatting it has (-1 for a
// gap between runs).
using Owned = std::vector<std::pair<char16_t, int>>;

Owned Own(const std::u16string& text, const std::vector<DocxTexts::Span>& spans) {
  Owned out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    int run = -1;
    for (std::size_t k = 0; k < spans.size(); ++k) {
      if (i >= spans[k].begin && i < spans[k].end) run = static_cast<int>(k);
    }
    out.emplace_back(text[i], run);
  }
  return out;
}

// The unit at which `steps` characters end.
std::size_t Unit(const Owned& text, std::size_t steps) {
  std::size_t at = 0;
  for (; steps > 0 && at < text.size(); --steps) {
    const bool pair = text[at].first >= 0xD800 && text[at].first <= 0xDBFF && at + 1 < text.size();
    at += pair ? 2 : 1;
  }
  return at;
}

void Apply(Owned& text, const TextEdit& e) {
  const std::size_t at = Unit(text, e.position);
  const std::size_t end = Unit(text, e.position + e.length);
  text.erase(text.begin() + static_cast<long>(at), text.begin() + static_cast<long>(end));
  const int run = at > 0 ? text[at - 1].second : text.empty() ? -1 : text[0].second;
  for (std::size_t k = 0; k < e.text.size(); ++k) text.insert(text.begin() + static_cast<long>(at + k), {e.text[k], run});
}

// Applies RecordEdits(from, to) to the model of `from` and expects exactly the model of `to`.
void ExpectRunsKept(const DocxTexts& from, const DocxTexts& to) {
  const std::optional<std::vector<ParagraphEdits>> changes = RecordEdits(from, to);
  ASSERT_TRUE(changes.has_value());
  std::vector<Owned> doc;
  for (std::size_t i = 0; i < from.paragraphs.size(); ++i) doc.push_back(Own(from.paragraphs[i], from.spans[i]));
  for (const ParagraphEdits& change : *changes) {
    for (const TextEdit& e : change.edits) Apply(doc[change.paragraph], e);
  }
  for (std::size_t i = 0; i < to.paragraphs.size(); ++i) {
    EXPECT_TRUE(doc[i] == Own(to.paragraphs[i], to.spans[i])) << "paragraph " << i;
  }
}

// A value that grows at its front after plain text (the amount "91.95" becoming "4791.95", once
// printed "47" in the label's black), shrinks to one character, grows from one, changes wholly,
// touches another formatted value, holds characters outside the basic plane.
TEST(RecordEditsTest, EveryCharacterKeepsTheFormattingOfItsOwnRun) {
  ExpectRunsKept(Texts({{u"金额：", u"91.95", u" 元"}}), Texts({{u"金额：", u"4791.95", u" 元"}}));
  ExpectRunsKept(Texts({{u"金额：", u"4791.95", u" 元"}}), Texts({{u"金额：", u"91.95", u" 元"}}));
  ExpectRunsKept(Texts({{u"张三", u"销售部"}}), Texts({{u"欧阳娜娜", u"部"}}));
  ExpectRunsKept(Texts({{u"欧阳娜娜", u"部"}}), Texts({{u"赵", u"技术部"}}));
  ExpectRunsKept(Texts({{u"7"}, {u"x", u"加急"}}), Texts({{u"123"}, {u"加急x", u"x"}}));
  ExpectRunsKept(Texts({{u"𠮷田", u"x"}}), Texts({{u"𠀀", u"𠮷y"}}));
  ExpectRunsKept(Texts({{u"尊敬的张三：您已被销售部录用"}}), Texts({{u"尊敬的李四：您已被技术部录用"}}));
  // The same text, the boundary between two runs moved.
  ExpectRunsKept(Texts({{u"ab", u"c"}}), Texts({{u"a", u"bc"}}));
  // Tabs between the runs stay where they are.
  ExpectRunsKept(Texts({{u"姓名", u"张三", u"部门"}}, u"\t"), Texts({{u"姓名", u"欧阳", u"部"}}, u"\t"));
}

// A run that is or becomes empty (the office drops it with its formatting), runs or paragraphs
// that do not pair up, and the text between runs changing: no edits, the record is loaded.
TEST(RecordEditsTest, WhatCannotStayInItsRunIsRefused) {
  EXPECT_FALSE(RecordEdits(Texts({{u"金额：", u"", u" 元"}}), Texts({{u"金额：", u"4791.95", u" 元"}})));
  EXPECT_FALSE(RecordEdits(Texts({{u"金额：", u"12", u" 元"}}), Texts({{u"金额：", u"", u" 元"}})));
  EXPECT_FALSE(RecordEdits(Texts({{u"a", u"b"}}), Texts({{u"a", u"b", u"c"}})));
  EXPECT_FALSE(RecordEdits(Texts({{u"a"}}), Texts({{u"a"}, {u"b"}})));
  EXPECT_FALSE(RecordEdits(Texts({{u"a", u"b"}}, u"\t"), Texts({{u"a", u"b"}}, u"\n")));
  // An empty run that stays empty is no change at all.
  const std::optional<std::vector<ParagraphEdits>> same =
      RecordEdits(Texts({{u"金额：", u"", u" 元"}}), Texts({{u"金额：", u"", u" 元"}}));
  ASSERT_TRUE(same);
  EXPECT_TRUE(same->empty());
}

}  // namespace
}  // namespace vexlo::engine
