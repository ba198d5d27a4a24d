// Embedded fonts trimmed to what a document's pages show. A PDF cut out of a longer one (see
// pdf_split.h) takes along the font subsets of the whole: their glyphs, glyph names, character
// maps and widths would tell which characters the other records use (their names, their
// figures), and how many. TrimFontsToPages leaves in each font only the codes its pages show,
// numbered afresh where the strings showing them can be rewritten (pdf_code_numbering.h): its
// code range, widths, encoding and character map cover those codes and no other, its program
// holds their glyphs and nothing of the others (type1_font.h, truetype_font.h); a font the pages
// never set goes from their resources. It knows the simple Type 1 and TrueType fonts the office
// embeds; a document with any other font is refused. Uses libqpdf; any thread.
// Convention: returns Status (status.h).
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_PDF_FONTS_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_PDF_FONTS_H_

#include <memory>

#include "office/engine/package/status.h"

class QPDF;

namespace vexlo::engine {

// What the fonts of a document hold (their programs unpacked, Type 1 programs decrypted,
// character maps read), kept to trim the fonts of every document cut from it: they all come with
// the same font programs. Known by the bytes of the streams; one per source document and thread.
class FontSources {
 public:
  FontSources();
  ~FontSources();
  struct Store;
  Store& store() { return *store_; }

 private:
  std::unique_ptr<Store> store_;
};

// Ok when every font of `pdf` now holds only what its pages show; otherwise (refused) why not,
// and the document must not be used. `sources`: what fonts read before hold.
Status TrimFontsToPages(QPDF& pdf, FontSources& sources);
Status TrimFontsToPages(QPDF& pdf);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_PDF_FONTS_H_
