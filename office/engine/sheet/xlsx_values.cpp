#include "office/engine/sheet/xlsx_values.h"

#include <charconv>
#include <cmath>

#include "office/engine/sheet/utf8.h"
#include "office/engine/sheet/xlsx_parts.h"

namespace vexlo::engine::sheet {
namespace {

// Days from 1899-12-30 to a civil date.
double SerialFromCivil(int y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return static_cast<double>(era) * 146097 + doe - 719468 + 25569;
}

}  // namespace

std::string_view TrimXmlSpace(std::string_view text) {
  constexpr std::string_view kSpace = " \t\r\n";
  const size_t first = text.find_first_not_of(kSpace);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

bool ParseXmlDouble(std::string_view text, double& out) {
  text = TrimXmlSpace(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size() && std::isfinite(out);
}

bool ParseXmlUint(std::string_view text, uint32_t& out) {
  text = TrimXmlSpace(text);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool ParseIsoDate(std::string_view s, double& serial) {
  int y = 1899, mo = 12, d = 30, h = 0, mi = 0;
  double sec = 0;
  auto num = [&](size_t pos, size_t len, int& out) {
    if (pos + len > s.size()) return false;
    const auto [end, ec] = std::from_chars(s.data() + pos, s.data() + pos + len, out);
    return ec == std::errc() && end == s.data() + pos + len;
  };
  size_t time_at = std::string_view::npos;
  if (s.size() >= 10 && s[4] == '-' && s[7] == '-') {
    if (!num(0, 4, y) || !num(5, 2, mo) || !num(8, 2, d)) return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31) return false;
    if (s.size() > 10 && s[10] == 'T') time_at = 11;
  } else if (s.size() >= 8 && s[2] == ':') {
    time_at = 0;
  } else {
    return false;
  }
  if (time_at != std::string_view::npos) {
    if (!num(time_at, 2, h) || s.size() < time_at + 5 || s[time_at + 2] != ':' ||
        !num(time_at + 3, 2, mi)) {
      return false;
    }
    if (s.size() > time_at + 6 && s[time_at + 5] == ':') {
      std::string_view rest = s.substr(time_at + 6);
      size_t n = 0;
      while (n < rest.size() && ((rest[n] >= '0' && rest[n] <= '9') || rest[n] == '.')) ++n;
      if (!ParseXmlDouble(rest.substr(0, n), sec)) return false;
    }
  }
  serial =
      (time_at == 0 ? 0 : SerialFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d))) +
      (h * 3600 + mi * 60 + sec) / 86400.0;
  return true;
}

std::string DecodeEscapes(std::string_view text) {
  if (text.find("_x") == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '_' && i + 7 <= text.size() && text[i + 1] == 'x' && text[i + 6] == '_') {
      uint32_t cp = 0;
      const auto [end, ec] = std::from_chars(text.data() + i + 2, text.data() + i + 6, cp, 16);
      if (ec == std::errc() && end == text.data() + i + 6) {
        AppendUtf8(out, cp >= 0xD800 && cp < 0xE000 ? 0xFFFD : cp);  // no lone surrogates
        i += 7;
        continue;
      }
    }
    out += text[i++];
  }
  return out;
}

std::string StringItemText(const pugi::xml_node& item) {
  std::string text;
  for (pugi::xml_node n = item.first_child(); n; n = n.next_sibling()) {
    if (Is(n, "t")) {
      text += n.child_value();
    } else if (Is(n, "r")) {
      if (pugi::xml_node t = Child(n, "t")) text += t.child_value();
    }
  }
  return DecodeEscapes(text);
}

}  // namespace vexlo::engine::sheet
