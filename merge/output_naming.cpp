#include "merge/output_naming.h"

#include "app/clock.h"
#include "app/globals.h"
#include "merge/blank.h"
#include "merge/file_probe.h"

namespace vexlo::merge {
namespace {
constexpr char kSeparator = '/';
constexpr std::string_view kMergedName = "合并输出";
}  // namespace

std::string DeriveFiletype(std::string_view filenamew) {
  // Only a dot in the file name counts: one in a folder name would put separators into the
  // extension and send every output into another folder.
  const std::size_t dot = filenamew.rfind('.');
  const std::size_t slash = filenamew.rfind(kSeparator);
  if (dot == std::string_view::npos || (slash != std::string_view::npos && slash > dot) ||
      filenamew.size() - dot < 3) {
    return ".doc";
  }
  return std::string(filenamew.substr(dot));
}

std::string OutputPrefix(std::string_view folder_text) {
  if (IsBlank(folder_text)) return app::as_currentpath + kSeparator;
  return std::string(folder_text) + kSeparator;
}

std::string SafeFileName(std::string_view record_name) {
  std::string safe(record_name);
  for (char& c : safe) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) {
      c = '_';
    }
  }
  if (safe.find_first_not_of('.') == std::string::npos) safe.assign(safe.size(), '_');
  return safe;
}

MergedNames FormMergedNames(const std::string& ls_path, const std::string& filetype) {
  return {ls_path + std::string(kMergedName) + filetype, ls_path + std::string(kMergedName) + ".pdf"};
}

RecordNames FormRecordNames(const std::string& ls_path, std::string_view record_name,
                            const std::string& filetype) {
  const std::string name = SafeFileName(record_name);
  return {ls_path + name + filetype, ls_path + name + ".pdf"};
}

std::string FallbackName(const std::string& name, std::string_view ending) {
  const std::string stem = name.substr(0, name.size() - ending.size());
  return stem + app::Stamp14(app::Now()) + std::string(ending);
}

std::optional<std::string> FallbackIfInUse(const std::string& name, std::string_view ending) {
  if (!FileExists(name) || ProbeFile(name) >= 1) return std::nullopt;
  return FallbackName(name, ending);
}

std::string FallbackMessage(const std::string& name, const std::string& fallback) {
  return "    无法创建“" + name + "”文件！\n文件将另存为" + fallback + "。";
}

}  // namespace vexlo::merge
