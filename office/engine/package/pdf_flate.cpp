#include "office/engine/package/pdf_flate.h"

#include <qpdf/QPDF.hh>
#include <zlib.h>

#include <new>

namespace vexlo::engine {

namespace {

// One zlib compressor, reset for each stream.
class Compressor {
 public:
  Compressor() {
    if (deflateInit(&z_, Z_DEFAULT_COMPRESSION) != Z_OK) throw std::bad_alloc();
  }
  ~Compressor() { deflateEnd(&z_); }
  Compressor(const Compressor&) = delete;
  Compressor& operator=(const Compressor&) = delete;

  std::string Run(const std::vector<FlatePiece>& pieces) {
    std::size_t total = 0;
    for (const FlatePiece& p : pieces) total += p.bytes.size();
    deflateReset(&z_);
    out_.assign(total / 2 + 1024, '\0');
    produced_ = 0;
    level_ = -2;  // none set yet
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      // Level 0 writes stored blocks: the bytes as they are, without a search for repeats.
      SetLevel(pieces[i].compressible ? Z_DEFAULT_COMPRESSION : Z_NO_COMPRESSION);
      z_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(pieces[i].bytes.data()));
      z_.avail_in = static_cast<uInt>(pieces[i].bytes.size());
      Deflate(Z_NO_FLUSH);
    }
    SetLevel(Z_DEFAULT_COMPRESSION);
    Deflate(Z_FINISH);
    out_.resize(produced_);
    return std::move(out_);
  }

 private:
  // Room for the output, and where it goes on.
  void Room() {
    if (produced_ + 64 > out_.size()) out_.resize(out_.size() * 2 + 1024);
    z_.next_out = reinterpret_cast<Bytef*>(out_.data() + produced_);
    z_.avail_out = static_cast<uInt>(out_.size() - produced_);
  }

  void Took() { produced_ = out_.size() - z_.avail_out; }

  // Compresses what came before at the old level first; needs room for that.
  void SetLevel(int level) {
    if (level == level_) return;
    for (;;) {
      Room();
      const int rc = deflateParams(&z_, level, Z_DEFAULT_STRATEGY);
      Took();
      if (rc == Z_OK) break;
      if (rc != Z_BUF_ERROR) throw std::bad_alloc();
      out_.resize(out_.size() * 2);
    }
    level_ = level;
  }

  void Deflate(int flush) {
    for (;;) {
      Room();
      const int rc = deflate(&z_, flush);
      Took();
      if (rc == Z_STREAM_END || (flush == Z_NO_FLUSH && z_.avail_in == 0 && z_.avail_out > 0)) return;
      if (rc != Z_OK && rc != Z_BUF_ERROR) throw std::bad_alloc();
    }
  }

  z_stream z_{};
  std::string out_;
  std::size_t produced_ = 0;
  int level_ = -2;
};

}  // namespace

std::string DeflatePieces(const std::vector<FlatePiece>& pieces) {
  // Kept for the thread's life: setting one up costs more than compressing a small stream.
  thread_local Compressor compressor;
  return compressor.Run(pieces);
}

QPDFObjectHandle NewFlateStream(QPDF& pdf, const std::vector<FlatePiece>& pieces) {
  QPDFObjectHandle stream = QPDFObjectHandle::newStream(&pdf);
  stream.replaceStreamData(DeflatePieces(pieces), QPDFObjectHandle::newName("/FlateDecode"),
                           QPDFObjectHandle::newNull());
  return stream;
}

QPDFObjectHandle NewFlateStream(QPDF& pdf, std::string_view data) { return NewFlateStream(pdf, {{data, true}}); }

void ReplaceWithFlate(QPDFObjectHandle stream, std::string_view data) {
  stream.replaceStreamData(DeflatePieces({{data, true}}), QPDFObjectHandle::newName("/FlateDecode"),
                           QPDFObjectHandle::newNull());
}

}  // namespace vexlo::engine
