// Cutting a joined PDF at its record marks: each part keeps the outline entries and the links
// that stay within its own pages, pointing at its own page objects; an entry nested under
// another part's, or a link into another part, refuses the cut and leaves no part behind.
#include <gtest/gtest.h>

#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFOutlineDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "office/engine/package/pdf_split.h"
#include "tests/support/test_paths.h"

namespace vexlo::engine {
namespace {

namespace fs = std::filesystem;

// A four-page PDF, the marks "m0" on page 1 and "m1" on page 3, with the outline entries
// (title, page, parent title) and a link on page `link_from` to page `link_to` (-1: none).
struct Entry {
  std::string title;
  int page;
  std::string parent;
};

std::string MakePdf(const fs::path& path, const std::vector<Entry>& entries, int link_from, int link_to) {
  QPDF pdf;
  pdf.emptyPDF();
  QPDFPageDocumentHelper helper(pdf);
  std::vector<QPDFObjectHandle> pages;
  for (int i = 0; i < 4; ++i) {
    QPDFObjectHandle page = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /Page /MediaBox [0 0 200 200] /Resources << >> >>"));
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, "0 0 " + std::to_string(10 * (i + 1)) + " 10 re f"));
    helper.addPage(page, false);
    pages.push_back(helper.getAllPages().back().getObjectHandle());
  }
  const auto dest = [&](int page) {
    QPDFObjectHandle d = QPDFObjectHandle::newArray();
    d.appendItem(pages[static_cast<std::size_t>(page)]);
    d.appendItem(QPDFObjectHandle::newName("/XYZ"));
    for (int k = 0; k < 3; ++k) d.appendItem(QPDFObjectHandle::newInteger(k == 2 ? 0 : 100));
    return d;
  };
  QPDFObjectHandle dests = QPDFObjectHandle::newDictionary();
  dests.replaceKey("/m0", dest(0));
  dests.replaceKey("/m1", dest(2));
  pdf.getRoot().replaceKey("/Dests", dests);
  if (link_from >= 0) {
    QPDFObjectHandle link = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Annot /Subtype /Link /Rect [0 0 50 50] >>"));
    link.replaceKey("/Dest", dest(link_to));
    QPDFObjectHandle annots = QPDFObjectHandle::newArray();
    annots.appendItem(link);
    pages[static_cast<std::size_t>(link_from)].replaceKey("/Annots", annots);
  }
  if (!entries.empty()) {
    QPDFObjectHandle root = pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines >>"));
    std::map<std::string, QPDFObjectHandle> made;
    int count = 0;
    for (const Entry& e : entries) {
      QPDFObjectHandle parent = e.parent.empty() ? root : made.at(e.parent);
      QPDFObjectHandle item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
      item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(e.title));
      item.replaceKey("/Dest", dest(e.page));
      item.replaceKey("/Parent", parent);
      if (parent.hasKey("/Last")) {
        parent.getKey("/Last").replaceKey("/Next", item);
        item.replaceKey("/Prev", parent.getKey("/Last"));
      } else {
        parent.replaceKey("/First", item);
      }
      parent.replaceKey("/Last", item);
      if (!e.parent.empty()) parent.replaceKey("/Count", QPDFObjectHandle::newInteger(parent.getKey("/Count").isInteger() ? parent.getKey("/Count").getIntValue() + 1 : 1));
      made[e.title] = item;
      ++count;
    }
    root.replaceKey("/Count", QPDFObjectHandle::newInteger(count));
    pdf.getRoot().replaceKey("/Outlines", root);
  }
  QPDFWriter writer(pdf, path.c_str());
  writer.write();
  return path.string();
}

// "depth title page" for each outline entry of the PDF at `path`, and the pages its links go to.
std::vector<std::string> Outline(const std::string& path, std::vector<int>* link_pages = nullptr) {
  QPDF pdf;
  pdf.processFile(path.c_str());
  std::map<QPDFObjGen, int> index;
  std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
  for (QPDFPageObjectHelper& p : pages) index.emplace(p.getObjectHandle().getObjGen(), static_cast<int>(index.size()));
  std::vector<std::string> out;
  std::function<void(std::vector<QPDFOutlineObjectHelper>, int)> list = [&](auto items, int depth) {
    for (QPDFOutlineObjectHelper& item : items) {
      const auto it = index.find(item.getDestPage().getObjGen());
      out.push_back(std::to_string(depth) + " " + item.getTitle() + " " + (it == index.end() ? "?" : std::to_string(it->second)));
      list(item.getKids(), depth + 1);
    }
  };
  QPDFOutlineDocumentHelper helper(pdf);
  list(helper.getTopLevelOutlines(), 0);
  for (QPDFPageObjectHelper& p : pages) {
    QPDFObjectHandle annots = p.getObjectHandle().getKey("/Annots");
    if (!annots.isArray() || !link_pages) continue;
    for (QPDFObjectHandle a : annots.aitems()) {
      const auto it = index.find(a.getKey("/Dest").getArrayItem(0).getObjGen());
      link_pages->push_back(it == index.end() ? -1 : it->second);
    }
  }
  return out;
}

class PdfSplitTest : public ::testing::Test {
 protected:
  Result<std::vector<int>> Split(const std::string& pdf) {
    return SplitPdfAtDestinations(pdf, {"m0", "m1"}, {Part(0), Part(1)});
  }
  std::string Part(int k) { return (dir_ / ("part" + std::to_string(k) + ".pdf")).string(); }
  test::ScratchDir dir_;
};

TEST_F(PdfSplitTest, EachPartKeepsItsOwnOutlineAndLinks) {
  const std::string pdf = MakePdf(dir_ / "joined.pdf", {{"甲", 0, ""}, {"甲一", 1, "甲"}, {"乙", 2, ""}, {"乙一", 3, ""}}, 0, 1);
  const Result<std::vector<int>> split = Split(pdf);
  ASSERT_TRUE(split.ok()) << split.message();
  EXPECT_EQ(*split, (std::vector<int>{2, 2}));
  std::vector<int> links;
  EXPECT_EQ(Outline(Part(0), &links), (std::vector<std::string>{"0 甲 0", "1 甲一 1"}));
  EXPECT_EQ(links, std::vector<int>{1});  // the part's own second page, not a stray copy
  {
    // Where it sits and the place it opens on that page stay as they were.
    QPDF part;
    part.processFile(Part(0).c_str());
    QPDFObjectHandle link = QPDFPageDocumentHelper(part).getAllPages()[0].getObjectHandle().getKey("/Annots").getArrayItem(0);
    EXPECT_EQ(link.getKey("/Rect").unparse(), "[ 0 0 50 50 ]");
    QPDFObjectHandle dest = link.getKey("/Dest");
    ASSERT_EQ(dest.getArrayNItems(), 5);
    EXPECT_EQ(dest.getArrayItem(1).unparse() + " " + dest.getArrayItem(2).unparse() + " " + dest.getArrayItem(3).unparse(), "/XYZ 100 100");
  }
  EXPECT_EQ(Outline(Part(1)), (std::vector<std::string>{"0 乙 0", "0 乙一 1"}));
  // Without an outline the parts have none.
  const Result<std::vector<int>> plain = Split(MakePdf(dir_ / "plain.pdf", {}, -1, -1));
  ASSERT_TRUE(plain.ok()) << plain.message();
  EXPECT_TRUE(Outline(Part(0)).empty());
}

TEST_F(PdfSplitTest, WhatPointsIntoAnotherPartRefusesTheCut) {
  // A heading of the second record nested under the first record's last one.
  EXPECT_EQ(Split(MakePdf(dir_ / "nested.pdf", {{"甲", 0, ""}, {"乙", 2, "甲"}}, -1, -1)).status().code(),
            StatusCode::kRefused);
  // A link from the first record to the second's page.
  EXPECT_EQ(Split(MakePdf(dir_ / "link.pdf", {}, 1, 2)).status().code(), StatusCode::kRefused);
  EXPECT_FALSE(fs::exists(Part(0)));
  EXPECT_FALSE(fs::exists(Part(1)));
}

}  // namespace
}  // namespace vexlo::engine
