// The streams a cut PDF gets anew (trimmed font programs, character maps, rewritten contents),
// Flate-compressed here rather than by the PDF writer, which leaves compressed streams as they
// are. The writer sets up a compressor for every stream it compresses, which costs more than
// compressing a small stream; here each thread keeps one. And the encrypted part of a Type 1
// program, which does not compress, is stored in the stream as it is, not searched for repeats.
// Any thread. Convention: raises std::bad_alloc when the compressor cannot be set up.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_PDF_FLATE_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_PDF_FLATE_H_

// The handles of qpdf 11 are std::shared_ptr based.
#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <qpdf/QPDFObjectHandle.hh>

#include <string>
#include <string_view>
#include <vector>

class QPDF;

namespace vexlo::engine {

// A stretch of a stream's data, and whether it is worth compressing.
struct FlatePiece {
  std::string_view bytes;
  bool compressible = true;
};

// The pieces, one after the other, as one zlib stream.
std::string DeflatePieces(const std::vector<FlatePiece>& pieces);

// A new stream of `pdf` holding `pieces` one after the other, compressed.
QPDFObjectHandle NewFlateStream(QPDF& pdf, const std::vector<FlatePiece>& pieces);
QPDFObjectHandle NewFlateStream(QPDF& pdf, std::string_view data);

// `stream` holding `data` instead of what it held, compressed.
void ReplaceWithFlate(QPDFObjectHandle stream, std::string_view data);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_PDF_FLATE_H_
