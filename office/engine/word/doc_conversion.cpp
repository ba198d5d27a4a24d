#include "office/engine/word/doc_conversion.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/runtime_error.h"
#include "office/engine/package/atomic_file.h"
#include "office/engine/soffice/soffice.h"

namespace vexlo::engine::word {

using app::RuntimeError;
namespace fs = std::filesystem;

namespace {

// Removes a temporary folder when the conversion is over.
struct TempFolder {
  std::string path = MakeTempFolder();
  ~TempFolder() {
    std::error_code ec;
    if (!path.empty()) fs::remove_all(path, ec);
  }
};

std::string ProfileDir() {
  static const std::string dir = [] {
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) base = "/tmp";
    return (base / ("vexlo-word-profile-" + std::to_string(getuid()) + "-" +
                    std::to_string(getpid())))
        .string();
  }();
  return dir;
}

void RequireSoffice(const std::string& path, std::string_view doing) {
  if (SofficeProgram().empty()) {
    throw RuntimeError::File(path, std::string(doing) +
                                       "：处理 .doc、.rtf、.odt 格式需要 LibreOffice，"
                                       "但系统中没有安装 LibreOffice（找不到 soffice 程序）。"
                                       "请安装 LibreOffice，或改用 .docx 格式");
  }
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

std::string ExtensionOf(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  std::string ext(path.substr(dot));
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

bool IsNativeExtension(std::string_view e) {
  return e == ".docx" || e == ".docm" || e == ".dotx" || e == ".dotm";
}

bool IsConvertedExtension(std::string_view e) { return e == ".doc" || e == ".rtf" || e == ".odt"; }

std::string MakeTempFolder() {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = "/tmp";
  std::string pattern = (base / "vexlo-word-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

std::string ConvertToDocx(const std::string& path) {
  RequireSoffice(path, "无法打开");
  std::error_code ec;
  if (!fs::exists(path, ec)) throw RuntimeError::File(path, "不存在");
  TempFolder temp;
  if (temp.path.empty()) throw RuntimeError::File(path, "无法打开：无法创建临时文件夹");
  // A plain ASCII copy name keeps LibreOffice away from odd characters in the user's name.
  const fs::path in = fs::path(temp.path) / ("input" + ExtensionOf(path));
  fs::copy_file(path, in, ec);
  if (ec) throw RuntimeError::File(path, "无法读取");
  const SofficeResult r = RunSofficeConvert({in.string()}, "docx:MS Word 2007 XML", temp.path,
                                            ProfileDir());
  const fs::path out = fs::path(temp.path) / "input.docx";
  if (!r.started) throw RuntimeError::File(path, "无法打开：LibreOffice 无法启动");
  if (r.timed_out) throw RuntimeError::File(path, "无法打开：LibreOffice 转换超时");
  if (!fs::exists(out, ec)) {
    throw RuntimeError::Format(path, "已损坏或不是有效的 Word 文档（LibreOffice 无法转换它）");
  }
  return ReadAll(out);
}

void SaveConverted(std::string_view docx, const std::string& path) {
  const std::string ext = ExtensionOf(path);
  RequireSoffice(path, "无法保存");
  TempFolder temp;
  if (temp.path.empty()) throw RuntimeError::File(path, "无法保存：无法创建临时文件夹");
  const fs::path in = fs::path(temp.path) / "output.docx";
  {
    std::ofstream o(in, std::ios::binary);
    o.write(docx.data(), static_cast<std::streamsize>(docx.size()));
    if (!o) throw RuntimeError::File(path, "无法保存：临时文件写入失败");
  }
  std::string filter;
  if (ext == ".doc") filter = "doc:MS Word 97";
  else if (ext == ".rtf") filter = "rtf:Rich Text Format";
  else filter = "odt:writer8";
  const fs::path outdir = fs::path(temp.path) / "out";
  fs::create_directory(outdir);
  const SofficeResult r = RunSofficeConvert({in.string()}, filter, outdir.string(), ProfileDir());
  const fs::path out = outdir / ("output" + ext);
  std::error_code ec;
  if (!r.started) throw RuntimeError::File(path, "无法保存：LibreOffice 无法启动");
  if (r.timed_out) throw RuntimeError::File(path, "无法保存：LibreOffice 转换超时");
  if (!fs::exists(out, ec)) throw RuntimeError::File(path, "无法保存：LibreOffice 没有生成文件");
  ReplaceFileAtomically(out.string(), path);
}

}  // namespace vexlo::engine::word
