#include "merge/run_checks.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "merge/blank.h"
#include "merge/file_probe.h"
#include "merge/output_naming.h"
#include "office/deferred_work.h"

namespace vexlo::merge {
namespace {

namespace fs = std::filesystem;

constexpr const char* kGuidance = "操作提示";
constexpr const char* kError = "错误提示";

}  // namespace

std::string CopiesRangeText() {
  return "打印份数必须是 " + std::to_string(kMinCopies) + " 到 " + std::to_string(kMaxCopies) + " 之间的整数";
}

int CopiesValue(const std::string& text) {
  return static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
}

bool ValidCopies(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return false;
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  if (text.size() > std::to_string(kMaxCopies).size() ||
      text.find_first_not_of("0123456789") != std::string_view::npos) {
    return false;
  }
  const int copies = CopiesValue(std::string(text));
  return copies >= kMinCopies && copies <= kMaxCopies;
}

void RunChecks::Refuse(const char* title, const std::string& text, MergeField field) {
  Say(title, text);
  observer_.Focus(field);
}

bool RunChecks::Inputs(std::string& filetype) {
  if (!Input(request_.data_path, MergeField::kData, "请选择Excel数据源文件！")) return false;
  if (!Input(request_.template_path, MergeField::kTemplate, "请选择Word模版文件！")) return false;
  filetype = DeriveFiletype(request_.template_path);
  if (!request_.pdf_password_column.empty()) {
    // One file holds every record: it cannot carry each person's own password.
    if (request_.one_file) {
      Refuse(kGuidance,
             "输出到同一个文件时不能给PDF加密：一个文件无法带上每个人各自的密码。\n"
             "请取消“输出到同一个文件”，或不给PDF加密。",
             MergeField::kPdf);
      return false;
    }
    if (!request_.pdf) {
      Refuse(kGuidance, "给PDF加密需要同时输出PDF文件：请勾选“同时输出为PDF文件”。", MergeField::kPdf);
      return false;
    }
  }
  return true;
}

bool RunChecks::Input(const std::string& path, MergeField field, const char* choose_text) {
  if (IsBlank(path)) {
    Refuse(kGuidance, choose_text, field);
    return false;
  }
  if (!FileExists(path)) {
    Refuse(kError, "找不到“" + path + "”文件！", field);
    return false;
  }
  if (ProbeFile(path) < 1) {
    Say(kError, "打开“" + path + "”文件出错！如果文件已经打开，请将它关闭。");
    return false;
  }
  return true;
}

bool RunChecks::Output(const std::string& filetype, bool pdf, OutputPlace& place,
                       FolderLock& lock) {
  place.ls_path = OutputPrefix(request_.output_folder, request_.current_folder);
  place.folder = place.ls_path.substr(0, place.ls_path.size() - 1);
  if (!Folder(place.folder)) return false;
  if (request_.print && !ValidCopies(request_.copies_text)) {
    Refuse(kGuidance, CopiesRangeText() + "！", MergeField::kCopies);
    return false;
  }
  if (!Helpers(filetype, pdf)) return false;
  const FolderLock::Result locked = lock.Lock(place.folder);
  if (locked == FolderLock::Result::kBusy) {
    Refuse(kError,
           "输出文件夹“" + place.folder +
               "”正在被另一次制作使用！请等它完成后再试，或选择其他输出文件夹。",
           MergeField::kOutput);
    return false;
  }
  place.locked = locked == FolderLock::Result::kLocked;
  return true;
}

// The folder exists (made when missing, with its parents) and can be written.
bool RunChecks::Folder(const std::string& folder) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    if (fs::exists(folder, ec)) {
      Refuse(kError, "输出路径“" + folder + "”不是文件夹！请选择一个文件夹。", MergeField::kOutput);
      return false;
    }
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) {
      Refuse(kError, "无法创建输出文件夹“" + folder + "”！请检查路径和权限，或选择其他文件夹。",
             MergeField::kOutput);
      return false;
    }
  }
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    Refuse(kError, "输出文件夹“" + folder + "”不能写入！请选择其他文件夹。", MergeField::kOutput);
    return false;
  }
  return true;
}

// What PDF, printing and the outputs' format need on this machine.
bool RunChecks::Helpers(const std::string& filetype, bool pdf) {
  switch (office::FlushPoint(request_.deferred).Check(filetype, pdf, request_.print)) {
    case office::OutputGap::kNone:
      return true;
    case office::OutputGap::kNoConverter:
      Refuse(kError,
             "没有找到 LibreOffice！输出PDF文件、打印和输出" + filetype +
                 "格式的文档都需要它，请先安装 LibreOffice。",
             pdf ? MergeField::kPdf : request_.print ? MergeField::kPrint : MergeField::kTemplate);
      return false;
    case office::OutputGap::kNoPrinter:
      Refuse(kError, "没有找到可用的打印机！请先添加打印机，或取消“输出后打印”。",
             MergeField::kPrint);
      return false;
  }
  return true;
}

}  // namespace vexlo::merge
