// What a file people pick by mistake is, known by its first bytes: a PDF, an RTF document, a
// picture, an archive. Used to tell the user what the file is instead of only that it is not a
// workbook or not a document. Pure; any thread.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_PACKAGE_FILE_KIND_H_
#define VEXLO_OFFICE_ENGINE_PACKAGE_FILE_KIND_H_

#include <string_view>

namespace vexlo::engine {

// "PDF文件", "RTF文档", "图片文件", "压缩文件", or null for anything else.
const char* KnownOtherKind(std::string_view bytes);

}  // namespace vexlo::engine

#endif  // VEXLO_OFFICE_ENGINE_PACKAGE_FILE_KIND_H_
