#include "office/engine/sheet/number_format.h"

namespace vexlo::engine::sheet {

bool IsBuiltinDateFormat(uint32_t id) {
  return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
         (id >= 50 && id <= 58) || (id >= 71 && id <= 81);
}

bool IsDateFormatCode(std::string_view code) {
  // Only the first section decides (the one positive numbers use).
  for (size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    switch (c) {
      case '"': {  // quoted literal
        const size_t end = code.find('"', i + 1);
        if (end == std::string_view::npos) return false;
        i = end;
        break;
      }
      case '\\':
      case '_':
      case '*':
        ++i;  // the next character is literal or a fill/padding character
        break;
      case '[': {
        const size_t end = code.find(']', i + 1);
        if (end == std::string_view::npos) return false;
        // [h], [mm], [ss]: elapsed time; anything else is a colour, condition or locale tag.
        const std::string_view tag = code.substr(i + 1, end - i - 1);
        if (!tag.empty() && (tag[0] == 'h' || tag[0] == 'H' || tag[0] == 'm' || tag[0] == 'M' ||
                             tag[0] == 's' || tag[0] == 'S')) {
          bool all_same = true;
          for (char t : tag) all_same = all_same && (t | 0x20) == (tag[0] | 0x20);
          if (all_same) return true;
        }
        i = end;
        break;
      }
      case ';':
        return false;
      case 'd':
      case 'D':
      case 'm':
      case 'M':
      case 'y':
      case 'Y':
      case 'h':
      case 'H':
      case 's':
      case 'S':
        return true;
      case 'G':
      case 'g': {
        // "General" is not a date; "g"/"gg"/"ggg" (era) are.
        if (code.substr(i).size() >= 7) {
          std::string_view word = code.substr(i, 7);
          bool general = true;
          const char* g = "general";
          for (size_t k = 0; k < 7; ++k) general = general && (word[k] | 0x20) == g[k];
          if (general) {
            i += 6;
            break;
          }
        }
        return true;
      }
      default:
        break;
    }
  }
  return false;
}

}  // namespace vexlo::engine::sheet
