// The streams a cut PDF gets anew, compressed by the engine: whatever the pieces, one after the
// other they come back whole, in one stream and in any number of streams made in a row; a piece
// that does not compress is stored, one that does is compressed.
#include <gtest/gtest.h>

#define POINTERHOLDER_TRANSITION 4
#include <qpdf/Buffer.hh>
#include <qpdf/QPDF.hh>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "office/engine/package/pdf_flate.h"

namespace vexlo::engine {
namespace {

std::string Inflate(const std::string& z) {
  z_stream s{};
  EXPECT_EQ(inflateInit(&s), Z_OK);
  std::string out;
  char buf[65536];
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(z.data()));
  s.avail_in = static_cast<uInt>(z.size());
  int rc = Z_OK;
  while (rc == Z_OK) {
    s.next_out = reinterpret_cast<Bytef*>(buf);
    s.avail_out = sizeof buf;
    rc = inflate(&s, Z_NO_FLUSH);
    out.append(buf, sizeof buf - s.avail_out);
  }
  EXPECT_EQ(rc, Z_STREAM_END);
  EXPECT_EQ(s.avail_in, 0u) << "bytes after the end of the stream";
  inflateEnd(&s);
  return out;
}

std::string Noise(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(random() & 0xFF);
  return s;
}

TEST(PdfFlateTest, PiecesComeBackWholeAndOnlyThoseThatCompressAreCompressed) {
  const std::string text = [] {
    std::string s;
    for (int i = 0; i < 2000; ++i) s += "dup " + std::to_string(i % 256) + " /cid" + std::to_string(i) + " put\n";
    return s;
  }();
  const std::string noise = Noise(300000, 1), zeros(532, '0'), big = Noise(1 << 20, 2) + text;
  struct Case {
    std::vector<FlatePiece> pieces;
  };
  // Several in a row: each starts afresh, nothing of the one before goes along.
  for (const Case& c : {Case{{{text, true}, {noise, false}, {zeros, true}}}, Case{{}}, Case{{{"", false}}},
                        Case{{{noise, false}, {"", true}, {text, false}, {noise, true}}}, Case{{{big, true}}},
                        Case{{{text, true}}}}) {
    std::string whole;
    for (const FlatePiece& p : c.pieces) whole += p.bytes;
    EXPECT_EQ(Inflate(DeflatePieces(c.pieces)), whole);
  }
  // Stored: no bigger than the bytes and a few block headers; the text around it compressed.
  const std::string mixed = DeflatePieces({{text, true}, {noise, false}, {zeros, true}});
  const std::string text_alone = DeflatePieces({{text, true}});
  EXPECT_LT(text_alone.size(), text.size() / 4);
  EXPECT_LE(mixed.size(), text_alone.size() + noise.size() + 100);
}

TEST(PdfFlateTest, StreamsMadeSoReadBackAsTheirData) {
  QPDF pdf;
  pdf.emptyPDF();
  const std::string noise = Noise(5000, 3);
  QPDFObjectHandle made = NewFlateStream(pdf, {{"BT /F1 12 Tf (a) Tj ET", true}, {noise, false}});
  QPDFObjectHandle replaced = NewFlateStream(pdf, "old");
  ReplaceWithFlate(replaced, "0 0 m 10 10 l S");
  const auto data = [](QPDFObjectHandle s) {
    std::shared_ptr<Buffer> b = s.getStreamData(qpdf_dl_all);
    return std::string(reinterpret_cast<const char*>(b->getBuffer()), b->getSize());
  };
  EXPECT_EQ(data(made), "BT /F1 12 Tf (a) Tj ET" + noise);
  EXPECT_EQ(data(replaced), "0 0 m 10 10 l S");
  EXPECT_EQ(made.getDict().getKey("/Filter").getName(), "/FlateDecode");
}

}  // namespace
}  // namespace vexlo::engine
