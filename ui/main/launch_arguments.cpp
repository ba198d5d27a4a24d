#include "ui/main/launch_arguments.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "app/version.h"
#include "ui/main/commands.h"

namespace vexlo::ui {
namespace {

std::string LowerExtension(const std::string& arg) {
  std::string ext = std::filesystem::path(arg).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

std::string HelpText() {
  return std::string("用法：vexlo [Excel数据文件] [Word模板文件]\n"
                     "\n"
                     "打开 vexlo 窗口。给出的 .xls/.xlsx/.csv 文件填入“Excel数据文件”，.doc/.docx 文件\n"
                     "填入“Word模版文件”；其他参数不起作用。\n"
                     "\n"
                     "  --version   显示版本号\n"
                     "  -h, --help  显示本说明\n"
                     "\n"
                     "不打开窗口、在终端中批量生成文档，请用 vexlo-merge（见 vexlo-merge --help）。\n");
}

}  // namespace

LaunchArguments ParseLaunchArguments(const std::vector<std::string>& args,
                                     const std::filesystem::path& cwd) {
  LaunchArguments launch;
  for (const std::string& arg : args) {
    if (arg == "--version") {
      launch.print = std::string("vexlo ") + app::Version() + "\n";
      return launch;
    }
    if (arg == "--help" || arg == "-h") {
      launch.print = HelpText();
      return launch;
    }
    if (arg.empty() || arg[0] == '-') continue;
    const std::string ext = LowerExtension(arg);
    std::string* field = nullptr;
    if (IsDataFileExtension(ext)) field = &launch.data;
    if (ext == ".doc" || ext == ".docx") field = &launch.templ;
    if (field == nullptr || !field->empty()) continue;
    *field = (cwd / arg).lexically_normal().string();  // an absolute arg replaces cwd
  }
  return launch;
}

void FillFields(InputFields& fields, const LaunchArguments& launch) {
  if (launch.data.empty() && launch.templ.empty()) return;
  merge::MergeRequest inputs = fields.ReadInputs();
  if (!launch.data.empty()) {
    inputs.data_path = launch.data;
    inputs.sheet.clear();  // the workbook's own front sheet
  }
  if (!launch.templ.empty()) inputs.template_path = launch.templ;
  fields.WriteInputs(inputs);
}

LaunchArguments ReadLaunchArguments(int argc, char** argv) {
  std::error_code ec;
  const std::filesystem::path cwd = std::filesystem::current_path(ec);
  return ParseLaunchArguments(std::vector<std::string>(argv + 1, argv + argc), cwd);
}

}  // namespace vexlo::ui
