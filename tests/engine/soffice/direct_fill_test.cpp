// Which packages are made in the original .doc of a template filled directly, and how: a record
// of the template's frame (an empty value deleting its title), several records one after another
// in one document, a record that cannot be written into the original's runs or a document made
// from the template otherwise (refused with a reason), and anything else (left to the usual way).
#include <gtest/gtest.h>

#include "office/engine/soffice/direct_fill.h"

namespace vexlo::engine {
namespace {

// A package's texts: each paragraph given as its runs.
DocxTexts Texts(std::size_t frame, const std::vector<std::vector<std::u16string>>& paragraphs) {
  DocxTexts t;
  t.ok = true;
  t.frame = frame;
  for (const auto& runs : paragraphs) {
    std::u16string text;
    std::vector<DocxTexts::Span> spans;
    for (const std::u16string& run : runs) {
      spans.push_back({text.size(), text.size() + run.size()});
      text += run;
    }
    t.paragraphs.push_back(text);
    t.spans.push_back(spans);
    t.marks.push_back(u"\r");
  }
  return t;
}

DocxTexts Notice(std::size_t frame, const std::u16string& name, const std::u16string& id) {
  return Texts(frame, {{u"通知 ", name}, {}, {u"工号 ", id, u"。"}});
}

TEST(DirectFillTest, RecordsOfTheTemplateAreWrittenIntoTheOriginal) {
  DirectTemplates templates;
  EXPECT_FALSE(templates.Add("/tmp/模板.doc", DocxTexts{}));  // unreadable: nothing to serve
  ASSERT_TRUE(templates.Add("/tmp/模板.doc", Notice(7, u"姓名", u"ID")));
  std::string why;

  const std::optional<DirectPlan> one = PlanDirect(templates, Notice(7, u"张三", u"A001"), why);
  ASSERT_TRUE(one);
  EXPECT_EQ(why, "");
  EXPECT_EQ(one->doc, "/tmp/模板.doc");
  EXPECT_EQ(one->copies, 1u);
  EXPECT_EQ(one->from, Notice(7, u"姓名", u"ID").paragraphs);
  ASSERT_EQ(one->edits.size(), 2u);  // the empty paragraph stays as it is
  EXPECT_EQ(one->edits[0].paragraph, 0u);
  EXPECT_EQ(one->edits[1].paragraph, 2u);

  // One file for three records: three copies of the original, read as the template repeated.
  DocxTexts merged = Notice(99, u"张三", u"A001");
  for (const auto& [name, id] : {std::pair{u"李四", u"A002"}, {u"王五", u"A003"}}) {
    const DocxTexts next = Notice(99, name, id);
    merged.paragraphs.insert(merged.paragraphs.end(), next.paragraphs.begin(), next.paragraphs.end());
    merged.spans.insert(merged.spans.end(), next.spans.begin(), next.spans.end());
    merged.marks.insert(merged.marks.end(), next.marks.begin(), next.marks.end());
  }
  const std::optional<DirectPlan> three = PlanDirect(templates, merged, why);
  ASSERT_TRUE(three);
  EXPECT_EQ(three->copies, 3u);
  EXPECT_EQ(three->from, Repeated(Notice(7, u"姓名", u"ID"), 3).paragraphs);
  EXPECT_EQ(three->edits.size(), 6u);
}

TEST(DirectFillTest, EmptiedValuesAreDeletedUnpairedRunsRefusedOthersGoTheUsualWay) {
  DirectTemplates templates;
  std::string why;
  EXPECT_FALSE(PlanDirect(templates, Notice(7, u"张三", u"A001"), why));
  EXPECT_EQ(why, "");
  ASSERT_TRUE(templates.Add("/tmp/模板.doc", Notice(7, u"姓名", u"ID")));

  // An empty value deletes its title's text in the original.
  const std::optional<DirectPlan> emptied = PlanDirect(templates, Notice(7, u"", u"A001"), why);
  ASSERT_TRUE(emptied);
  ASSERT_EQ(emptied->edits.size(), 2u);
  ASSERT_EQ(emptied->edits[0].edits.size(), 1u);
  EXPECT_EQ(emptied->edits[0].edits[0].position, 3u);
  EXPECT_EQ(emptied->edits[0].edits[0].length, 2u);
  EXPECT_EQ(emptied->edits[0].edits[0].text, u"");
  // A record of the template whose runs do not pair up with the template's: refused, with the
  // reason.
  EXPECT_FALSE(PlanDirect(templates, Texts(7, {{u"通知 ", u"张三", u"先生"}, {}, {u"工号 ", u"A001", u"。"}}), why));
  EXPECT_NE(why.find("不能在 LibreOffice 中直接按原 .doc 模板填写"), std::string::npos) << why;
  // A document made from the template whose other parts changed (values in its headers): it
  // keeps the template's properties, and is refused.
  DocxTexts with_header = Notice(8, u"张三", u"A001");
  with_header.properties = 5;
  ASSERT_TRUE(templates.Add("/tmp/页眉.doc", [] {
    DocxTexts t = Notice(9, u"姓名", u"ID");
    t.properties = 5;
    return t;
  }()));
  EXPECT_FALSE(PlanDirect(templates, with_header, why));
  EXPECT_NE(why.find("页眉"), std::string::npos) << why;
  // A package of another template, of no package at all, or a document whose paragraphs are not
  // whole copies of the template's: not a record of it.
  for (DocxTexts other : {Texts(8, {{u"别的文件"}}), DocxTexts{},
                                 Texts(8, {{u"通知 ", u"张三"}, {}, {u"工号 ", u"A001", u"。"}, {u"附言"}}),
                                 Texts(8, {{u"甲"}, {u"乙"}, {u"丙"}, {u"丁"}, {u"戊"}, {u"己"}})}) {
    other.properties = 6;
    EXPECT_FALSE(PlanDirect(templates, other, why));
    EXPECT_EQ(why, "");
  }
}

}  // namespace
}  // namespace vexlo::engine
