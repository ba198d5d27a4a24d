#include "office/engine/word/doc_conversion.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <vector>

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

// A folder that is removed when the program ends.
struct OwnedFolder {
  std::string path;
  ~OwnedFolder() {
    std::error_code ec;
    if (!path.empty()) fs::remove_all(path, ec);
  }
};

// LibreOffice's private profile for this process: made once (later runs start faster), never
// shared with another process (a second soffice on one profile hands its work to the first).
std::string ProfileDir() {
  static const OwnedFolder dir{MakeTempFolder()};
  return dir.path.empty() ? std::string() : dir.path + "/profile";
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

namespace {

constexpr size_t kBatchSize = 200;

struct Staged {
  std::string input;   // the staged .docx
  std::string target;  // where the converted file goes
};

struct Batch {
  OwnedFolder folder;
  std::vector<Staged> files;
  unsigned counter = 0;
};

Batch& TheBatch() {
  static Batch batch;
  return batch;
}

}  // namespace

void QueueConverted(std::string_view docx, const std::string& path) {
  RequireSoffice(path, "无法保存");
  Batch& b = TheBatch();
  if (b.folder.path.empty()) b.folder.path = MakeTempFolder();
  if (b.folder.path.empty()) throw RuntimeError::File(path, "无法保存：无法创建临时文件夹");
  const fs::path staged = fs::path(b.folder.path) / (std::to_string(++b.counter) + ".docx");
  {
    std::ofstream o(staged, std::ios::binary);
    o.write(docx.data(), static_cast<std::streamsize>(docx.size()));
    if (!o) throw RuntimeError::File(path, "无法保存：临时文件写入失败");
  }
  // A file saved again before its conversion ran needs converting only once.
  std::erase_if(b.files, [&](const Staged& f) {
    if (f.target != path) return false;
    std::error_code ec;
    fs::remove(f.input, ec);
    return true;
  });
  b.files.push_back({staged.string(), path});
  if (b.files.size() >= kBatchSize) FlushConversions();
}

void DropConversions() {
  Batch& b = TheBatch();
  std::error_code ec;
  for (const Staged& f : b.files) fs::remove(f.input, ec);
  b.files.clear();
}

void FlushConversions() {
  Batch& b = TheBatch();
  if (b.files.empty()) return;
  std::vector<Staged> files;
  files.swap(b.files);
  // One LibreOffice run per target format; each staged name is unique, so outputs do not clash.
  std::string first_error;
  for (const char* ext : {".doc", ".rtf", ".odt"}) {
    std::vector<std::string> inputs;
    for (const Staged& f : files) {
      if (ExtensionOf(f.target) == ext) inputs.push_back(f.input);
    }
    if (inputs.empty()) continue;
    const std::string filter = std::string(ext) == ".doc"   ? "doc:MS Word 97"
                               : std::string(ext) == ".rtf" ? "rtf:Rich Text Format"
                                                            : "odt:writer8";
    const fs::path outdir = fs::path(b.folder.path) / "out";
    std::error_code ec;
    fs::create_directories(outdir, ec);
    const SofficeResult r = RunSofficeConvert(inputs, filter, outdir.string(), ProfileDir(),
                                              std::chrono::minutes(30));
    // In order, so that a name saved twice ends with the later content.
    for (const Staged& f : files) {
      if (ExtensionOf(f.target) != ext) continue;
      const fs::path out = outdir / (fs::path(f.input).stem().string() + ext);
      fs::remove(f.input, ec);
      try {
        if (!fs::exists(out, ec)) {
          throw RuntimeError::File(f.target, r.started ? "无法保存：LibreOffice 没有生成文件"
                                                       : "无法保存：LibreOffice 无法启动");
        }
        ReplaceFileAtomically(out.string(), f.target);
      } catch (const RuntimeError& e) {
        if (first_error.empty()) first_error = e.text();
      }
    }
  }
  if (!first_error.empty()) throw RuntimeError::Output(first_error);
}

}  // namespace vexlo::engine::word
