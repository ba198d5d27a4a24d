#include "office/engine/word/convertible_input.h"

#include "app/runtime_error.h"
#include "office/engine/package/compound_file.h"
#include "office/engine/package/file_kind.h"
#include "office/engine/word/word_package.h"

namespace vexlo::engine::word {
namespace {

// The text after a UTF-8 byte order mark and leading white space.
std::string_view Content(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  const std::size_t first = bytes.find_first_not_of(" \t\r\n");
  return first == std::string_view::npos ? std::string_view() : bytes.substr(first);
}

Status CheckWordBinary(std::string_view bytes) {
  if (IsEncryptedPackage(bytes)) return Status::Format("已加密，请先在原程序中取消密码保护");
  try {
    if (CompoundFile(bytes, "").HasStream("WordDocument")) return Status::Ok();
  } catch (const app::RuntimeError&) {
    return Status::Format("已损坏，不是有效的 Word 文档（文件结构无法读取）");
  }
  return Status::Format("不是 Word 文档（它是其他程序的文件，其中没有 Word 文档内容）");
}

}  // namespace

Status CheckWordDocument(std::string_view bytes) {
  if (IsCompoundFile(bytes)) return CheckWordBinary(bytes);
  if (bytes.starts_with("PK\x03\x04")) return Status::Ok();
  const std::string_view content = Content(bytes);
  if (content.starts_with("{\\rtf") || content.starts_with("<")) return Status::Ok();
  if (const char* kind = KnownOtherKind(bytes)) return Status::Format(std::string("是") + kind + "，不是 Word 文档");
  return Status::Format("不是 Word 文档：文件内容既不是 Word 格式，也不是 RTF、网页等文字处理软件能读取的格式，"
                        "可能已损坏或只是改了扩展名");
}

}  // namespace vexlo::engine::word
