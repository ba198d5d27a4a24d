#include "office/engine/package/file_kind.h"

namespace vexlo::engine {

const char* KnownOtherKind(std::string_view bytes) {
  if (bytes.starts_with("%PDF")) return "PDF文件";
  if (bytes.starts_with("{\\rtf")) return "RTF文档";
  if (bytes.starts_with("\x89PNG") || bytes.starts_with("\xFF\xD8\xFF") ||
      bytes.starts_with("GIF8") || bytes.starts_with("BM") || bytes.starts_with("RIFF") ||
      bytes.starts_with("II*\0") || bytes.starts_with("MM\0*")) {
    return "图片文件";
  }
  if (bytes.starts_with("Rar!") || bytes.starts_with("7z\xBC\xAF") || bytes.starts_with("\x1F\x8B")) {
    return "压缩文件";
  }
  return nullptr;
}

}  // namespace vexlo::engine
