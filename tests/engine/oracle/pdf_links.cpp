#include "tests/engine/oracle/pdf_links.h"

#include <cmath>
#include <map>

#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

namespace vexlo::oracle {

namespace {

// The explicit destination ([page /XYZ left top zoom], ...) that `dest` is or names; null when
// it names none.
QPDFObjectHandle ExplicitDestination(QPDF& pdf, QPDFObjectHandle dest) {
  if (dest.isName() || dest.isString()) {
    const std::string name = dest.isName() ? dest.getName().substr(1) : dest.getUTF8Value();
    QPDFObjectHandle root = pdf.getRoot();
    QPDFObjectHandle found = QPDFObjectHandle::newNull();
    if (QPDFObjectHandle dests = root.getKey("/Dests"); dests.isDictionary() && dests.hasKey("/" + name)) {
      found = dests.getKey("/" + name);
    } else if (QPDFObjectHandle names = root.getKey("/Names"); names.isDictionary() && names.getKey("/Dests").isDictionary()) {
      QPDFNameTreeObjectHelper(names.getKey("/Dests"), pdf).findObject(name, found);
    }
    dest = found;
  }
  if (dest.isDictionary()) dest = dest.getKey("/D");
  return dest.isArray() && dest.getArrayNItems() > 0 ? dest : QPDFObjectHandle::newNull();
}

double Number(QPDFObjectHandle value, bool& has) {
  has = value.isNumber();
  return has ? value.getNumericValue() : 0;
}

// "[x0 y0 x1 y1]" for messages.
std::string Place(const PdfLink& link) {
  std::string out = "[";
  for (int k = 0; k < 4; ++k) out += (k ? " " : "") + std::to_string(std::lround(link.rect[k]));
  return out + "]";
}

std::string Where(const PdfLink& link) {
  if (!link.address.empty()) return link.address;
  if (link.target_page < 0) return "文档之外的一页";
  return "第" + std::to_string(link.target_page + 1) + "页(" + (link.has_x ? std::to_string(std::lround(link.x)) : "-") +
         "," + (link.has_y ? std::to_string(std::lround(link.y)) : "-") + ")";
}

bool Near(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance; }

bool SamePlace(const PdfLink& a, const PdfLink& b, double tolerance) {
  if (a.page != b.page) return false;
  for (int k = 0; k < 4; ++k) {
    if (!Near(a.rect[k], b.rect[k], tolerance)) return false;
  }
  return true;
}

bool SameTarget(const PdfLink& a, const PdfLink& b, double tolerance) {
  if (a.address != b.address || a.target_page != b.target_page) return false;
  if (a.has_x != b.has_x || a.has_y != b.has_y) return false;
  return (!a.has_x || Near(a.x, b.x, tolerance)) && (!a.has_y || Near(a.y, b.y, tolerance));
}

}  // namespace

std::vector<PdfLink> ReadPdfLinks(const std::filesystem::path& path) {
  QPDF pdf;
  pdf.setSuppressWarnings(true);
  pdf.processFile(path.string().c_str());
  const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
  std::map<QPDFObjGen, int> index;
  for (const QPDFPageObjectHelper& p : pages) index.emplace(QPDFPageObjectHelper(p).getObjectHandle().getObjGen(), static_cast<int>(index.size()));
  std::vector<PdfLink> links;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    QPDFObjectHandle annots = QPDFPageObjectHelper(pages[i]).getObjectHandle().getKey("/Annots");
    if (!annots.isArray()) continue;
    for (QPDFObjectHandle annot : annots.aitems()) {
      if (!annot.isDictionary() || !annot.getKey("/Subtype").isName() || annot.getKey("/Subtype").getName() != "/Link") continue;
      PdfLink link;
      link.page = static_cast<int>(i);
      QPDFObjectHandle rect = annot.getKey("/Rect");
      bool has = false;
      for (int k = 0; k < 4 && rect.isArray() && k < rect.getArrayNItems(); ++k) link.rect[k] = Number(rect.getArrayItem(k), has);
      QPDFObjectHandle dest = annot.getKey("/Dest");
      QPDFObjectHandle action = annot.getKey("/A");
      const std::string kind = action.isDictionary() && action.getKey("/S").isName() ? action.getKey("/S").getName() : "";
      if (dest.isNull() && kind == "/GoTo") dest = action.getKey("/D");
      if (kind == "/URI") {
        link.address = action.getKey("/URI").isString() ? action.getKey("/URI").getUTF8Value() : "?";
      } else if (!dest.isNull()) {
        QPDFObjectHandle explicit_dest = ExplicitDestination(pdf, dest);
        if (explicit_dest.isNull()) {
          link.address = "命名位置 " + dest.unparse();
        } else {
          const auto page = index.find(explicit_dest.getArrayItem(0).getObjGen());
          link.target_page = page == index.end() ? -1 : page->second;
          if (explicit_dest.getArrayNItems() >= 4) {
            link.x = Number(explicit_dest.getArrayItem(2), link.has_x);
            link.y = Number(explicit_dest.getArrayItem(3), link.has_y);
          }
        }
      } else {
        link.address = "动作 " + (kind.empty() ? std::string("?") : kind);
      }
      links.push_back(link);
    }
  }
  return links;
}

std::string LinkDifference(const std::vector<PdfLink>& want, const std::vector<PdfLink>& got, double tolerance) {
  // Matched by place, whatever order the annotations are listed in.
  std::vector<bool> taken(got.size(), false);
  for (const PdfLink& w : want) {
    std::size_t match = got.size();
    for (std::size_t k = 0; k < got.size() && match == got.size(); ++k) {
      if (!taken[k] && SamePlace(w, got[k], tolerance)) match = k;
    }
    const std::string at = "第" + std::to_string(w.page + 1) + "页链接" + Place(w);
    if (match == got.size()) return at + " 缺失";
    taken[match] = true;
    if (!SameTarget(w, got[match], tolerance)) return at + " 指向" + Where(got[match]) + "，参照为" + Where(w);
  }
  for (std::size_t k = 0; k < got.size(); ++k) {
    if (!taken[k]) return "第" + std::to_string(got[k].page + 1) + "页多出链接" + Place(got[k]) + " 指向" + Where(got[k]);
  }
  return "";
}

}  // namespace vexlo::oracle
