#include "office/engine/package/pdf_split.h"

#include "office/engine/package/pdf_fonts.h"
#include "office/engine/package/pdf_outline.h"

// The handles of qpdf 11 are std::shared_ptr based.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFNameTreeObjectHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>
#include <filesystem>
#include <map>

namespace vexlo::engine {

namespace {

// The page a destination (an array or a dictionary holding one in /D) points at.
QPDFObjGen DestinationPage(QPDFObjectHandle dest) {
  if (dest.isDictionary()) dest = dest.getKey("/D");
  if (!dest.isArray() || dest.getArrayNItems() == 0) return {};
  return dest.getArrayItem(0).getObjGen();
}

// The destination called `name`, from the old-style dictionary or from the name tree.
QPDFObjectHandle FindDestination(QPDF& pdf, const std::string& name) {
  QPDFObjectHandle root = pdf.getRoot();
  QPDFObjectHandle dests = root.getKey("/Dests");
  if (dests.isDictionary() && dests.hasKey("/" + name)) return dests.getKey("/" + name);
  QPDFObjectHandle names = root.getKey("/Names");
  if (names.isDictionary() && names.getKey("/Dests").isDictionary()) {
    QPDFNameTreeObjectHelper tree(names.getKey("/Dests"), pdf);
    QPDFObjectHandle found;
    if (tree.findObject(name, found)) return found;
  }
  return QPDFObjectHandle::newNull();
}

// What the pages of one part would lose or drag along if cut out (refused), or ok when nothing.
// Links within a part (a footnote's mark and its text) go along with it.
Status CheckSplittable(QPDF& pdf, const std::vector<QPDFPageObjectHelper>& pages,
                        const std::map<QPDFObjGen, int>& index, const std::vector<int>& starts) {
  QPDFObjectHandle root = pdf.getRoot();
  if (root.hasKey("/AcroForm")) return Status::Refused("PDF含有表单");
  if (root.hasKey("/StructTreeRoot")) return Status::Refused("PDF带有结构标记");
  for (std::size_t i = 0; i < pages.size(); ++i) {
    QPDFPageObjectHelper page = pages[i];
    QPDFObjectHandle annots = page.getObjectHandle().getKey("/Annots");
    if (!annots.isArray()) continue;
    const int part = PartOfPage(static_cast<int>(i), starts);
    for (QPDFObjectHandle annot : annots.aitems()) {
      if (!annot.isDictionary()) continue;
      QPDFObjectHandle action = annot.getKey("/A");
      const bool web = action.isDictionary() && action.getKey("/S").isName() && action.getKey("/S").getName() == "/URI";
      if ((annot.hasKey("/Dest") || (action.isDictionary() && !web)) && DestinationPart(annot, index, starts) != part) {
        return Status::Refused("PDF含有跨记录或指向名称的链接");
      }
      if (annot.getKey("/Subtype").isName() && annot.getKey("/Subtype").getName() == "/Widget") {
        return Status::Refused("PDF含有表单");
      }
    }
  }
  return Status::Ok();
}

// A direct value of the source document, made anew in `out` (the values copied here hold no
// references).
QPDFObjectHandle CopyDirect(QPDFObjectHandle value) {
  return QPDFObjectHandle::parse(value.unparse());
}

// Writes the part; fails when its fonts cannot be trimmed (libqpdf's faults are raised).
Status WritePart(QPDF& in, const std::vector<QPDFPageObjectHelper>& pages, int first, int end,
                 const std::string& path, FontSources& fonts) {
  QPDF out;
  out.emptyPDF();
  QPDFPageDocumentHelper out_pages(out);
  std::vector<QPDFObjectHandle> own_pages;
  for (int i = first; i < end; ++i) {
    out_pages.addPage(pages[static_cast<std::size_t>(i)], false);
    own_pages.push_back(pages[static_cast<std::size_t>(i)].getObjectHandle());
  }
  // The part's own headings, as the record's own export lists them, and its own links.
  CopyOutlinePart(in, out, own_pages);
  RepointLinks(own_pages, out);
  // The fonts came with the glyphs of every record: only this part's own stay.
  if (Status trimmed = TrimFontsToPages(out, fonts); !trimmed.ok()) return trimmed;
  // What the office puts in the catalog: the language, how the document opens, viewer settings.
  QPDFObjectHandle root = in.getRoot();
  QPDFObjectHandle out_root = out.getRoot();
  for (const char* key : {"/Lang", "/PageMode", "/PageLayout"}) {
    if (root.hasKey(key) && !root.getKey(key).isIndirect()) {
      out_root.replaceKey(key, CopyDirect(root.getKey(key)));
    }
  }
  if (QPDFObjectHandle prefs = root.getKey("/ViewerPreferences"); prefs.isDictionary()) {
    out_root.replaceKey("/ViewerPreferences",
                        prefs.isIndirect() ? out.copyForeignObject(prefs) : CopyDirect(prefs));
  }
  if (QPDFObjectHandle open = root.getKey("/OpenAction");
      open.isArray() && open.getArrayNItems() > 0) {
    // Opens at this part's first page, as the whole document opened at its own.
    QPDFObjectHandle action = QPDFObjectHandle::newArray();
    action.appendItem(out_pages.getAllPages().front().getObjectHandle());
    for (int k = 1; k < open.getArrayNItems(); ++k) action.appendItem(CopyDirect(open.getArrayItem(k)));
    out_root.replaceKey("/OpenAction", action);
  }
  if (QPDFObjectHandle info = in.getTrailer().getKey("/Info"); info.isDictionary()) {
    out.getTrailer().replaceKey("/Info", info.isIndirect() ? out.copyForeignObject(info)
                                                           : out.makeIndirectObject(CopyDirect(info)));
  }
  QPDFWriter writer(out, path.c_str());
  writer.setMinimumPDFVersion(in.getPDFVersion());
  writer.write();
  return Status::Ok();
}

// Removes the parts written so far (and the one being written) of a split that failed.
void RemoveParts(const std::vector<std::string>& paths, std::size_t written) {
  for (std::size_t k = 0; k < written + 1 && k < paths.size(); ++k) {
    std::error_code ec;
    std::filesystem::remove(paths[k], ec);
  }
}

}  // namespace

Result<std::vector<int>> SplitPdfAtDestinations(const std::string& pdf,
                                                const std::vector<std::string>& starts,
                                                const std::vector<std::string>& paths) {
  if (starts.empty() || starts.size() != paths.size()) return Status::Refused("没有要拆分的部分");
  std::vector<int> part_pages;
  try {
    QPDF in;
    in.setSuppressWarnings(true);
    in.processFile(pdf.c_str());
    const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(in).getAllPages();
    std::map<QPDFObjGen, int> index;
    for (std::size_t i = 0; i < pages.size(); ++i) {
      QPDFPageObjectHelper page = pages[i];
      index[page.getObjectHandle().getObjGen()] = static_cast<int>(i);
    }
    std::vector<int> first;
    for (const std::string& name : starts) {
      auto it = index.find(DestinationPage(FindDestination(in, name)));
      if (it == index.end()) return Status::Refused("PDF中找不到“" + name + "”的位置");
      if (first.empty() ? it->second != 0 : it->second <= first.back()) {
        return Status::Refused("PDF中各部分的页码次序不对");
      }
      first.push_back(it->second);
    }
    if (Status splittable = CheckSplittable(in, pages, index, first); !splittable.ok()) return splittable;
    if (Status cuttable = CheckOutlineCuttable(in, index, first); !cuttable.ok()) return cuttable;
    // The parts share the fonts of the whole: each is unpacked and read once.
    FontSources fonts;
    for (std::size_t k = 0; k < first.size(); ++k) {
      const int end = k + 1 < first.size() ? first[k + 1] : static_cast<int>(pages.size());
      if (Status written = WritePart(in, pages, first[k], end, paths[k], fonts); !written.ok()) {
        // A part that cannot be written (a font that cannot be trimmed) fails the whole split:
        // the parts written before it go too, so that a failed split leaves nothing behind.
        RemoveParts(paths, part_pages.size());
        return written.Led("无法拆分PDF：");
      }
      part_pages.push_back(end - first[k]);
    }
  } catch (const std::exception& e) {
    RemoveParts(paths, part_pages.size());
    return Status::Format(std::string("无法拆分PDF：") + e.what());
  }
  return part_pages;
}

}  // namespace vexlo::engine
