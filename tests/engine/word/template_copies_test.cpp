// Templates shaped like real ones, filled through "word.application": what every copy keeps of
// its own in one file (list numbering, note, comment and drawing ids), content controls, ruby,
// several bodies, and the hint for page-anchored objects.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <filesystem>
#include <map>
#include <set>

#include "merge/document_generation.h"
#include "merge/layout_hint.h"
#include "office/engine/register_servers.h"
#include "office/engine/soffice/soffice.h"
#include "office/engine/word/seq_fields.h"
#include "office/engine/word/word_selection.h"
#include "office/oleobject.h"
#include "tests/engine/word/word_test_util.h"
#include "tests/support/test_engine.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine::word {
namespace {

namespace fs = std::filesystem;
using office::oleobject;
using office::Value;

const std::vector<std::string> kTitles = {"姓名", "编号", "部门", "INSTR_LOCAL_TYPE", "金额"};
const std::vector<std::vector<std::string>> kRows = {{"张三", "A001", "销售部", "本地", "100.00"},
                                                     {"李四", "A002", "技术部", "远程", "200.50"},
                                                     {"王五", "A003", "财务部", "混合", "300.00"}};

std::string Corpus(const std::string& name) { return test::DataFile("corpus/" + name).string(); }

class TemplateCopiesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterEmbeddedServers(test::Engine());
    test::Engine().clipboard().content.reset();
  }

  // Merges `records` rows into `tpl`; one file: returns its path, else the per-record paths.
  // The outputs are .docx whatever the template (a .doc template is read through LibreOffice).
  std::vector<std::string> Merge(const std::string& tpl, size_t records, bool one_file,
                                 const std::string& tag = "") {
    oleobject word, word2;
    EXPECT_EQ(word.start_new("word.application"), 0);
    EXPECT_EQ(word2.start_new("word.application"), 0);
    merge::PrepareDocuments(word, word2, tpl);
    const std::string ext = ".docx";
    std::vector<std::string> outs;
    for (size_t r = 0; r < records; ++r) {
      if (!one_file && r > 0) merge::NewRecordDocument(word2);
      merge::FillRecord(word, word2, kTitles, [r](size_t k) { return kRows[r][k]; });
      if (!one_file) {
        outs.push_back((dir_ / (tag + kRows[r][0] + ext)).string());
        word2.get("activedocument").call("saveas", {Value(outs.back())});
        word2.get("activedocument").call("close");
      }
    }
    if (one_file) {
      outs.push_back((dir_ / (tag + "合并输出" + ext)).string());
      word2.get("activedocument").call("saveas", {Value(outs.back())});
    }
    word2.get("application").call("quit");
    word.get("application").call("quit");
    return outs;
  }

  // LibreOffice's plain text of each file (list numbers included).
  std::vector<std::string> Texts(const std::vector<std::string>& files) {
    const fs::path txt = dir_ / "txt";
    RunSofficeConvert(files, "txt:Text (encoded):UTF8", txt.string(), (dir_ / "profile").string());
    std::vector<std::string> out;
    for (const std::string& f : files) {
      std::string t = test::ReadFile(txt / (fs::path(f).stem().string() + ".txt"));
      if (t.rfind("\xEF\xBB\xBF", 0) == 0) t.erase(0, 3);
      out.push_back(t);
    }
    return out;
  }

  test::ScratchDir dir_;
};

pugi::xml_document Xml(const std::string& file, const std::string& part) {
  pugi::xml_document doc;
  const std::string xml = test::Part(file, part);
  EXPECT_TRUE(doc.load_buffer(xml.data(), xml.size())) << part;
  return doc;
}

// Every value of attribute `attr` on elements named `element`, in document order.
std::vector<std::string> Values(const pugi::xml_document& doc, const std::string& element,
                                const std::string& attr) {
  std::vector<std::string> v;
  for (const pugi::xpath_node& n : doc.select_nodes(("//" + element).c_str())) {
    if (n.node().attribute(attr.c_str())) v.push_back(n.node().attribute(attr.c_str()).value());
  }
  return v;
}

size_t Distinct(const std::vector<std::string>& v) { return std::set<std::string>(v.begin(), v.end()).size(); }

TEST_F(TemplateCopiesTest, OneFileNumbersEachCopyAsItsOwnDocument) {
  if (SofficeProgram().empty()) GTEST_SKIP() << "LibreOffice is not installed";
  for (const char* name : {"lists.docx", "lists.doc"}) {
    SCOPED_TRACE(name);
    const auto per = Merge(Corpus(name), 3, false, "p");
    const auto one = Merge(Corpus(name), 3, true, std::string("o") + name);
    const auto per_texts = Texts(per);
    const auto one_text = Texts(one)[0];
    EXPECT_EQ(one_text, per_texts[0] + per_texts[1] + per_texts[2]);
    if (std::string(name) == "lists.docx") {
      EXPECT_NE(per_texts[1].find("    1. 第一项 李四\n        1.1 子项 A002\n"), std::string::npos)
          << per_texts[1];
      EXPECT_NE(per_texts[1].find("    (5) 从五开始 技术部\n"), std::string::npos);
      EXPECT_NE(per_texts[1].find("    B) 字母接续 A002\n"), std::string::npos);
      EXPECT_NE(per_texts[1].find("    第1章 概述 李四\n"), std::string::npos);
      EXPECT_NE(per_texts[1].find("    第2章 细则 A002\n"), std::string::npos);
    }
  }
  // In the package: each copy refers to list instances of its own, each with a definition of
  // its own, and the restart inside the template is kept in every copy.
  const std::string out = (dir_ / "olists.docx合并输出.docx").string();
  const auto numbering = Xml(out, "word/numbering.xml");
  std::map<std::string, std::string> abstract_of;
  std::map<std::string, bool> restarts;
  for (const auto& n : numbering.select_nodes("//w:num")) {
    const std::string id = n.node().attribute("w:numId").value();
    abstract_of[id] = n.node().child("w:abstractNumId").attribute("w:val").value();
    restarts[id] = n.node().child("w:lvlOverride").child("w:startOverride");
  }
  EXPECT_EQ(Distinct(Values(numbering, "w:abstractNum", "w:abstractNumId")), 15u);
  EXPECT_EQ(Distinct(Values(numbering, "w:nsid", "w:val")), 15u);
  // The list instance of each paragraph: its own, or its heading style's ("7").
  std::vector<std::string> used;
  for (const auto& p : Xml(out, "word/document.xml").select_nodes("/w:document/w:body/w:p")) {
    const pugi::xml_node ppr = p.node().child("w:pPr");
    const char* direct = ppr.child("w:numPr").child("w:numId").attribute("w:val").value();
    const std::string style = ppr.child("w:pStyle").attribute("w:val").value();
    used.push_back(*direct ? direct : (style == "Heading1" || style == "Chapter") ? "7" : "");
  }
  ASSERT_EQ(used.size() % 3, 0u);
  const size_t per_copy = used.size() / 3;
  std::set<std::string> abstracts;
  for (size_t copy = 0; copy < 3; ++copy) {
    std::set<std::string> own;
    for (size_t i = 0; i < per_copy; ++i) {
      const std::string& id = used[copy * per_copy + i];
      if (id.empty()) continue;
      ASSERT_TRUE(abstract_of.count(id)) << id;
      own.insert(abstract_of[id]);
      EXPECT_EQ(restarts[id], i == 7 || i == 8) << "copy " << copy << " paragraph " << i;
    }
    EXPECT_EQ(own.size(), 5u);
    abstracts.insert(own.begin(), own.end());
  }
  EXPECT_EQ(abstracts.size(), 15u);
}

TEST_F(TemplateCopiesTest, OneFileKeepsEveryIdUnique) {
  const std::string notes = Merge(Corpus("notes.docx"), 3, true, "n")[0];
  const auto doc = Xml(notes, "word/document.xml");
  const auto footnotes = Xml(notes, "word/footnotes.xml");
  const auto endnotes = Xml(notes, "word/endnotes.xml");
  const auto comments = Xml(notes, "word/comments.xml");
  auto check = [&](const std::vector<std::string>& refs, const pugi::xml_document& part,
                   const char* entry, size_t per_copy) {
    SCOPED_TRACE(entry);
    EXPECT_EQ(refs.size(), 3 * per_copy);
    EXPECT_EQ(Distinct(refs), refs.size());
    std::set<std::string> entries;
    for (const auto& id : Values(part, entry, "w:id")) EXPECT_TRUE(entries.insert(id).second) << id;
    for (const auto& id : refs) EXPECT_TRUE(entries.count(id)) << id;
  };
  check(Values(doc, "w:footnoteReference", "w:id"), footnotes, "w:footnote", 2);
  check(Values(doc, "w:endnoteReference", "w:id"), endnotes, "w:endnote", 1);
  check(Values(doc, "w:commentReference", "w:id"), comments, "w:comment", 1);
  EXPECT_EQ(Values(doc, "w:commentRangeStart", "w:id"), Values(doc, "w:commentReference", "w:id"));
  // The copied notes hold the template's text; the copied ones leave out the optional ids.
  EXPECT_EQ(test::Count(test::Part(notes, "word/footnotes.xml"), "脚注一 姓名"), 3u);
  EXPECT_EQ(test::Count(test::Part(notes, "word/footnotes.xml"), "w14:paraId"), 1u);
  auto marks = Values(doc, "w:bookmarkStart", "w:id");
  for (const char* el : {"w:ins", "w:del"}) {
    for (const auto& id : Values(doc, el, "w:id")) marks.push_back(id);
  }
  EXPECT_EQ(Distinct(marks), 9u);

  const std::string drawings = Merge(Corpus("drawings.docx"), 3, true, "d")[0];
  const auto ddoc = Xml(drawings, "word/document.xml");
  auto docpr = Values(ddoc, "wp:docPr", "id");
  EXPECT_EQ(docpr.size(), 9u);
  docpr.push_back(Values(Xml(drawings, "word/header1.xml"), "wp:docPr", "id").at(0));
  EXPECT_EQ(Distinct(docpr), 10u) << ::testing::PrintToString(docpr);
  EXPECT_EQ(Distinct(Values(ddoc, "pic:cNvPr", "id")), 6u);
  const auto spid = Values(ddoc, "v:shape", "o:spid");
  EXPECT_EQ(spid.size(), 3u);
  EXPECT_EQ(Distinct(spid), 3u);
  EXPECT_EQ(Values(ddoc, "v:shape", "id"), spid);
}

TEST_F(TemplateCopiesTest, ControlsRubyAndMixedScripts) {
  const std::string out = Merge(Corpus("controls.docx"), 2, false)[1];
  const std::string text = test::AllText(*WordPackage::Load(out));
  for (const char* line :
       {"控件：李四\n", "绑定：A002\n", "不变的绑定：固定值\n", "占位：技术部\n", "块级控件 200.50\n",
        "注音：李四。\n", "مرحبا 李四 شكرا\n",
        "Dear 李四，your number is A002（技术部）；Type: 远程; INSTR_LOCAL_TYPE_CONVERTED stays.\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << text;
  }
  // The filled bound control no longer takes its text from the data; the unfilled one does;
  // the placeholder flag went with the placeholder text; the ruby's guide text stays.
  const std::string xml = test::Part(out, "word/document.xml");
  EXPECT_EQ(test::Count(xml, "<w:dataBinding "), 1u);
  EXPECT_NE(xml.find("ns0:fixed[1]"), std::string::npos);
  EXPECT_EQ(xml.find("showingPlcHdr"), std::string::npos);
  EXPECT_NE(xml.find("<w:t>xìng míng</w:t>"), std::string::npos);
  EXPECT_EQ(test::Part(out, "customXml/item1.xml"), test::Part(Corpus("controls.docx"), "customXml/item1.xml"));
}

TEST_F(TemplateCopiesTest, EveryBodyIsFilledAndKeptInOneFile) {
  const auto per = Merge(Corpus("bodies.docx"), 2, false);
  EXPECT_EQ(test::AllText(*WordPackage::Load(per[1])), "第一部分 李四\n第二部分 技术部\n");
  const std::string one = Merge(Corpus("bodies.docx"), 2, true)[0];
  EXPECT_EQ(test::AllText(*WordPackage::Load(one)),
            "第一部分 张三\n第二部分 销售部\n第一部分 李四\n第二部分 技术部\n");
  const std::string xml = test::Part(one, "word/document.xml");
  EXPECT_EQ(test::Count(xml, "<w:body>"), test::Count(xml, "</w:body>"));
  EXPECT_EQ(test::Count(xml, "<w:sectPr>"), 1u);
}

TEST_F(TemplateCopiesTest, HintForPageAnchoredObjectsWithoutAClosingBreak) {
  auto hint = [](const std::string& tpl) {
    oleobject word;
    EXPECT_EQ(word.start_new("word.application"), 0);
    word.get("documents").call("add", {Value(tpl), Value(false), Value(0)});
    return merge::PageAnchorHint(word);
  };
  const auto floating = hint(Corpus("tables.docx"));
  ASSERT_TRUE(floating.has_value());
  EXPECT_EQ(floating->rfind("模板末尾没有分页符：", 0), 0u);
  EXPECT_FALSE(hint(Corpus("lists.docx")).has_value());
  EXPECT_FALSE(hint(Corpus("drawings.docx")).has_value());  // its shapes follow the text
  // A word processor that cannot tell gives no hint.
  oleobject unconnected;
  EXPECT_FALSE(merge::PageAnchorHint(unconnected).has_value());
}

TEST(PageAnchorTest, AClosingPageOrSectionBreakIsEnough) {
  const std::string head =
      R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body>)"
      R"(<w:tbl><w:tblPr><w:tblpPr w:vertAnchor="page" w:tblpY="9000"/></w:tblPr><w:tr><w:tc><w:p/></w:tc></w:tr></w:tbl>)";
  const std::string tail = "<w:sectPr/></w:body></w:document>";
  auto stacked = [&](const std::string& end) {
    return SourceStory::Parse(head + end + tail, "t", {})->page_anchored_without_break();
  };
  EXPECT_TRUE(stacked("<w:p><w:r><w:t>x</w:t></w:r></w:p>"));
  EXPECT_FALSE(stacked(R"(<w:p><w:r><w:t>x</w:t><w:br w:type="page"/></w:r></w:p><w:p/>)"));
  EXPECT_TRUE(stacked(R"(<w:p><w:r><w:br w:type="page"/><w:t>x</w:t></w:r></w:p>)"));
  EXPECT_FALSE(stacked(R"(<w:p><w:pPr><w:sectPr/></w:pPr></w:p>)"));
  EXPECT_TRUE(stacked(
      R"(<w:p><w:pPr><w:sectPr><w:type w:val="continuous"/></w:sectPr></w:pPr></w:p>)"));
  EXPECT_FALSE(SourceStory::Parse(R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body><w:p><w:pPr><w:framePr w:vAnchor="text"/></w:pPr></w:p></w:body></w:document>)", "t", {})
                   ->page_anchored_without_break());
}

// Notes and comments of the further copies: whitespace-only texts stay, a comment holding a
// picture is cloned for every copy, and each copy's automatic note marks are written as the marks
// the record's own document shows.
TEST_F(TemplateCopiesTest, OneFileNotesAndCommentsAsInEachRecordsDocument) {
  const std::string one = Merge(Corpus("captions.docx"), 3, true, "c")[0];
  const std::string footnotes = test::Part(one, "word/footnotes.xml");
  EXPECT_EQ(test::Count(footnotes, "<w:t xml:space=\"preserve\"> </w:t>"), 6u);
  EXPECT_EQ(test::Count(test::Part(one, "word/endnotes.xml"), "<w:t xml:space=\"preserve\"> </w:t>"), 3u);

  const auto comments = Values(Xml(one, "word/comments.xml"), "w:comment", "w:id");
  const auto document = Xml(one, "word/document.xml");
  const auto referenced = Values(document, "w:commentReference", "w:id");
  ASSERT_EQ(referenced.size(), 3u);
  for (const std::string& id : referenced) {
    EXPECT_NE(std::find(comments.begin(), comments.end(), id), comments.end()) << id;
  }
  EXPECT_EQ(Distinct(Values(Xml(one, "word/comments.xml"), "wp:docPr", "id")), 3u);

  // The first copy keeps automatic marks; the others show 1, 2 and i as text, in the notes too.
  const auto custom = document.select_nodes("//w:footnoteReference[@w:customMarkFollows='1']");
  ASSERT_EQ(custom.size(), 4u);
  std::vector<std::string> marks;
  for (const auto& n : custom) marks.push_back(n.node().next_sibling("w:t").text().get());
  EXPECT_EQ(marks, (std::vector<std::string>{"1", "2", "1", "2"}));
  const auto endnote = document.select_nodes("//w:endnoteReference[@w:customMarkFollows='1']");
  ASSERT_EQ(endnote.size(), 2u);
  EXPECT_STREQ(endnote.first().node().next_sibling("w:t").text().get(), "i");
  EXPECT_EQ(test::Count(footnotes, "<w:footnoteRef/>"), 2u);
  EXPECT_EQ(test::Count(footnotes, "<w:t>2</w:t>"), 2u);
}

// Captions restart in each further copy at the first SEQ field of each sequence, complex or
// simple; the first copy and the records' own documents keep the template's instructions.
TEST_F(TemplateCopiesTest, OneFileRestartsEachSequenceOncePerCopy) {
  const std::string one = Merge(Corpus("captions.docx"), 3, true, "s")[0];
  const std::string xml = test::Part(one, "word/document.xml");
  EXPECT_EQ(test::Count(xml, " SEQ 图 \\* ARABIC  \\r 1 </w:instrText>"), 2u);
  EXPECT_EQ(test::Count(xml, " SEQ 表 \\* ARABIC  \\r 1 </w:instrText>"), 2u);
  EXPECT_EQ(test::Count(xml, "\\r 1"), 4u);  // the simple field is the sequence's second
  const std::string per = Merge(Corpus("captions.docx"), 2, false, "s")[1];
  EXPECT_EQ(test::Count(test::Part(per, "word/document.xml"), "\\r"), 0u);
}

// For a .doc, whose writer drops the restart, every caption number of a sequence from its first
// restart on is written as the text it shows; the fields before stay fields, and a field whose
// parts share a run with other text is left whole.
TEST(SequencesAsTextTest, CaptionNumbersAfterARestartBecomeTheirText) {
  const auto field = [](const std::string& instr, const std::string& shown) {
    return "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText xml:space=\"preserve\">" + instr +
           "</w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>" + shown +
           "</w:t></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
  };
  const std::string xml =
      "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>"
      "<w:p><w:r><w:t>图 </w:t></w:r>" + field(" SEQ 图 \\* ARABIC ", "1") + "</w:p>"          // the first copy
      "<w:p><w:r><w:t>图 </w:t></w:r>" + field(" SEQ 图 \\* ARABIC  \\r 1 ", "1") + "</w:p>"  // a further copy
      "<w:p><w:fldSimple w:instr=\" SEQ 图 \"><w:r><w:t>2</w:t></w:r></w:fldSimple></w:p>"
      "<w:p>" + field(" SEQ 表 ", "1") + "</w:p>"                                             // never restarted
      "<w:p><w:r><w:fldChar w:fldCharType=\"begin\"/><w:t>x</w:t></w:r><w:r><w:instrText> SEQ 图 </w:instrText></w:r>"
      "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>3</w:t></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r></w:p>"
      "</w:body></w:document>";
  const std::string flat = SequencesAsText(xml);
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(flat.c_str()));
  const auto paragraphs = doc.select_nodes("//w:p");
  ASSERT_EQ(paragraphs.size(), 5u);
  const auto fields = [&](std::size_t p) { return paragraphs[p].node().select_nodes(".//w:fldChar | .//w:fldSimple").size(); };
  const auto text = [&](std::size_t p) {
    std::string t;
    for (const auto& n : paragraphs[p].node().select_nodes(".//w:t")) t += n.node().text().get();
    return t;
  };
  EXPECT_EQ(fields(0), 3u);
  EXPECT_EQ(fields(1), 0u);
  EXPECT_EQ(text(1), "图 1");
  EXPECT_EQ(fields(2), 0u);
  EXPECT_EQ(text(2), "2");
  EXPECT_EQ(fields(3), 3u);
  EXPECT_EQ(fields(4), 3u);  // its begin shares a run with text
  EXPECT_EQ(SequencesAsText("<w:document><w:body/></w:document>"), "<w:document><w:body/></w:document>");
}

// Run texts that no title touched keep their start tags: readers drop the edge spaces of a
// text without xml:space, as they did in the template.
TEST_F(TemplateCopiesTest, UntouchedRunTextsKeepTheirTags) {
  for (bool one_file : {false, true}) {
    const auto outs = Merge(Corpus("captions.docx"), 2, one_file, one_file ? "u1" : "u");
    const std::string xml = test::Part(outs.back(), "word/document.xml");
    EXPECT_EQ(test::Count(xml, "<w:t>Breast </w:t><"), one_file ? 2u : 1u);
    EXPECT_EQ(test::Count(xml, "<w:t> X </w:t><"), one_file ? 2u : 1u);
    EXPECT_EQ(test::Count(xml, "<w:t xml:space=\"preserve\"> Breast"), 0u);
  }
}

// A .doc whose headings are numbered through their styles by a list that shows nothing (as
// LibreOffice writes heading styles): the further copies' headings stay plain headings.
TEST_F(TemplateCopiesTest, HeadingsNumberedWithoutLabelsStayHeadings) {
  if (SofficeProgram().empty()) GTEST_SKIP() << "LibreOffice is not installed";
  const std::string one = Merge(Corpus("headings.doc"), 3, true, "h")[0];
  const auto doc = Xml(one, "word/document.xml");
  EXPECT_EQ(doc.select_nodes("//w:p[w:pPr/w:pStyle[starts-with(@w:val,'Heading')]]").size(), 9u);
  EXPECT_EQ(doc.select_nodes("//w:numPr").size(), 0u);
}

}  // namespace
}  // namespace vexlo::engine::word
