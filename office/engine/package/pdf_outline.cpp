#include "office/engine/package/pdf_outline.h"

#include <algorithm>
#include <set>

namespace vexlo::engine {

namespace {

// Headings nest a few levels deep; anything deeper is no outline the office wrote.
constexpr int kMaxDepth = 32;

// The explicit destination of an outline entry ([page /XYZ ...]), from /Dest or a go-to action;
// null when it has none (a named destination, another action).
QPDFObjectHandle EntryDestination(QPDFObjectHandle item) {
  QPDFObjectHandle dest = item.getKey("/Dest");
  if (dest.isNull()) {
    QPDFObjectHandle action = item.getKey("/A");
    if (action.isDictionary() && action.getKey("/S").isName() && action.getKey("/S").getName() == "/GoTo") {
      dest = action.getKey("/D");
    }
  }
  if (dest.isDictionary()) dest = dest.getKey("/D");
  return dest.isArray() && dest.getArrayNItems() > 0 ? dest : QPDFObjectHandle::newNull();
}

}  // namespace

int DestinationPart(QPDFObjectHandle item, const std::map<QPDFObjGen, int>& page_index, const std::vector<int>& starts) {
  QPDFObjectHandle dest = EntryDestination(item);
  if (dest.isNull()) return -1;
  const auto it = page_index.find(dest.getArrayItem(0).getObjGen());
  if (it == page_index.end()) return -1;
  return PartOfPage(it->second, starts);
}

int PartOfPage(int page, const std::vector<int>& starts) {
  return static_cast<int>(std::upper_bound(starts.begin(), starts.end(), page) - starts.begin()) - 1;
}

namespace {

// Whether every entry from `first` on (and below) points into `part` (-2: each top-level entry's
// own part), visiting no entry twice.
bool EntriesStayIn(QPDFObjectHandle first, int part, int depth, const std::map<QPDFObjGen, int>& page_index,
                   const std::vector<int>& starts, std::set<QPDFObjGen>& seen) {
  if (depth > kMaxDepth) return false;
  for (QPDFObjectHandle item = first; item.isDictionary(); item = item.getKey("/Next")) {
    if (!seen.insert(item.getObjGen()).second) return false;
    const int own = DestinationPart(item, page_index, starts);
    if (own < 0 || (part != -2 && own != part)) return false;
    if (!EntriesStayIn(item.getKey("/First"), own, depth + 1, page_index, starts, seen)) return false;
  }
  return true;
}

// A value of `in` made anew in `out`.
QPDFObjectHandle CopyValue(QPDF& out, QPDFObjectHandle value) {
  return value.isIndirect() ? out.copyForeignObject(value) : QPDFObjectHandle::parse(value.unparse());
}

// Copies the entries from `first` on that point at pages of `page_map` (with all below them)
// under `parent` in `out`; returns how many of them show while their parents are open.
int CopyEntries(QPDF& out, QPDFObjectHandle first, QPDFObjectHandle parent,
                const std::map<QPDFObjGen, QPDFObjectHandle>& page_map) {
  QPDFObjectHandle previous = QPDFObjectHandle::newNull();
  int shown = 0;
  for (QPDFObjectHandle item = first; item.isDictionary(); item = item.getKey("/Next")) {
    QPDFObjectHandle dest = EntryDestination(item);
    const auto page = dest.isNull() ? page_map.end() : page_map.find(dest.getArrayItem(0).getObjGen());
    if (page == page_map.end()) continue;  // another record's
    QPDFObjectHandle copy = out.makeIndirectObject(QPDFObjectHandle::newDictionary());
    for (const char* key : {"/Title", "/C", "/F"}) {
      if (item.hasKey(key)) copy.replaceKey(key, CopyValue(out, item.getKey(key)));
    }
    QPDFObjectHandle target = QPDFObjectHandle::newArray();
    target.appendItem(page->second);
    for (int k = 1; k < dest.getArrayNItems(); ++k) target.appendItem(CopyValue(out, dest.getArrayItem(k)));
    copy.replaceKey("/Dest", target);
    copy.replaceKey("/Parent", parent);
    if (previous.isNull()) {
      parent.replaceKey("/First", copy);
    } else {
      previous.replaceKey("/Next", copy);
      copy.replaceKey("/Prev", previous);
    }
    parent.replaceKey("/Last", copy);
    previous = copy;
    ++shown;
    const int below = CopyEntries(out, item.getKey("/First"), copy, page_map);
    if (below > 0) {
      // A closed entry counts what would show when opened, negated.
      const bool open = !item.getKey("/Count").isInteger() || item.getKey("/Count").getIntValue() > 0;
      copy.replaceKey("/Count", QPDFObjectHandle::newInteger(open ? below : -below));
      if (open) shown += below;
    }
  }
  return shown;
}

}  // namespace

Status CheckOutlineCuttable(QPDF& pdf, const std::map<QPDFObjGen, int>& page_index,
                            const std::vector<int>& starts) {
  QPDFObjectHandle outlines = pdf.getRoot().getKey("/Outlines");
  if (!outlines.isDictionary()) return Status::Ok();
  std::set<QPDFObjGen> seen;
  if (!EntriesStayIn(outlines.getKey("/First"), -2, 0, page_index, starts, seen)) {
    return Status::Refused("PDF书签跨越记录");
  }
  return Status::Ok();
}

void RepointLinks(const std::vector<QPDFObjectHandle>& pages, QPDF& out) {
  std::vector<QPDFObjectHandle> out_pages = out.getAllPages();
  std::map<QPDFObjGen, QPDFObjectHandle> page_map;
  for (std::size_t i = 0; i < pages.size() && i < out_pages.size(); ++i) page_map[pages[i].getObjGen()] = out_pages[i];
  for (std::size_t i = 0; i < pages.size() && i < out_pages.size(); ++i) {
    QPDFObjectHandle in_page = pages[i];
    QPDFObjectHandle annots = in_page.getKey("/Annots");
    QPDFObjectHandle out_annots = out_pages[i].getKey("/Annots");
    if (!annots.isArray() || !out_annots.isArray() || annots.getArrayNItems() != out_annots.getArrayNItems()) continue;
    for (int k = 0; k < annots.getArrayNItems(); ++k) {
      QPDFObjectHandle dest = EntryDestination(annots.getArrayItem(k));
      if (dest.isNull()) continue;
      const auto page = page_map.find(dest.getArrayItem(0).getObjGen());
      QPDFObjectHandle out_dest = EntryDestination(out_annots.getArrayItem(k));
      if (page != page_map.end() && !out_dest.isNull()) out_dest.setArrayItem(0, page->second);
    }
  }
}

void CopyOutlinePart(QPDF& in, QPDF& out, const std::vector<QPDFObjectHandle>& pages) {
  QPDFObjectHandle outlines = in.getRoot().getKey("/Outlines");
  if (!outlines.isDictionary()) return;
  std::vector<QPDFObjectHandle> out_pages = out.getAllPages();
  std::map<QPDFObjGen, QPDFObjectHandle> page_map;
  for (std::size_t i = 0; i < pages.size() && i < out_pages.size(); ++i) page_map[pages[i].getObjGen()] = out_pages[i];
  QPDFObjectHandle root = out.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines >>"));
  const int shown = CopyEntries(out, outlines.getKey("/First"), root, page_map);
  if (shown == 0 && !root.hasKey("/First")) return;
  root.replaceKey("/Count", QPDFObjectHandle::newInteger(shown));
  out.getRoot().replaceKey("/Outlines", root);
}

}  // namespace vexlo::engine
