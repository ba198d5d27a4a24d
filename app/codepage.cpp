#include "app/codepage.h"

#include <errno.h>
#include <iconv.h>

namespace vexlo::app {
namespace {

// Converts with iconv, replacing each input sequence it cannot take by `replacement` and
// skipping one input byte; with `exact`, such a sequence fails the conversion instead. Returns
// false when the conversion is unknown (or, with `exact`, meets a sequence it cannot take).
bool Convert(const char* to, const char* from, std::string_view in, std::string_view replacement,
             std::string& out, bool exact = false) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.clear();
  out.reserve(in.size() + in.size() / 2);
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char buf[4096];
  while (src_left > 0) {
    char* dst = buf;
    size_t dst_left = sizeof buf;
    size_t rc = iconv(cd, &src, &src_left, &dst, &dst_left);
    out.append(buf, dst - buf);
    if (rc == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      if (exact) {
        iconv_close(cd);
        out.clear();
        return false;
      }
      // EILSEQ or EINVAL: an invalid or truncated sequence. Replace it and go on.
      out.append(replacement);
      ++src;
      --src_left;
      // Skip UTF-8 continuation bytes of the same character.
      if (std::string_view(from) == "UTF-8") {
        while (src_left > 0 && (static_cast<unsigned char>(*src) & 0xC0) == 0x80) {
          ++src;
          --src_left;
        }
      }
    }
  }
  iconv_close(cd);
  return true;
}

}  // namespace

std::string Utf8ToCp936(std::string_view utf8) {
  std::string out;
  Convert("CP936", "UTF-8", utf8, "?", out);
  return out;
}

std::string Cp936ToUtf8(std::string_view cp936) {
  std::string out;
  Convert("UTF-8", "CP936", cp936, "\xEF\xBF\xBD", out);
  return out;
}

bool ToUtf8(std::string_view from_codepage, std::string_view bytes, std::string& utf8) {
  return Convert("UTF-8", std::string(from_codepage).c_str(), bytes, "\xEF\xBF\xBD", utf8);
}

std::optional<std::string> ToUtf8Exact(std::string_view from_codepage, std::string_view bytes) {
  std::string utf8;
  if (!Convert("UTF-8", std::string(from_codepage).c_str(), bytes, {}, utf8, true)) {
    return std::nullopt;
  }
  return utf8;
}

}  // namespace vexlo::app
