#include "cli/cli_options.h"

#include <charconv>

#include "merge/data_source.h"
#include "merge/record_plan.h"
#include "merge/run_checks.h"

namespace vexlo::cli {
namespace {

// The whole text as a number from `min` to `max`.
std::optional<int> Number(const std::string& text, int min, int max) {
  int n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end != text.data() + text.size() || n < min || n > max) return std::nullopt;
  return n;
}
}  // namespace

std::optional<CliOptions> ParseCliOptions(const std::vector<std::string>& args, std::string& error) {
  CliOptions options;
  bool has_data = false, has_template = false, has_out = false;
  bool seen = false;
  std::string text;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& into, bool& seen) {
      if (i + 1 >= args.size()) {
        error = "选项 " + arg + " 后面缺少参数";
        return false;
      }
      into = args[++i];
      seen = true;
      return true;
    };
    if (arg == "--help" || arg == "-h") {
      options.help = true;
      return options;
    } else if (arg == "--version") {
      options.version = true;
      return options;
    } else if (arg == "--data") {
      if (!value(options.data, has_data)) return std::nullopt;
    } else if (arg == "--template") {
      if (!value(options.templ, has_template)) return std::nullopt;
    } else if (arg == "--out") {
      if (!value(options.out, has_out)) return std::nullopt;
    } else if (arg == "--sheet") {
      bool seen = false;
      if (!value(options.sheet, seen)) return std::nullopt;
      if (options.sheet.empty()) {
        error = "--sheet 后面的工作表名称或序号不能为空";
        return std::nullopt;
      }
    } else if (arg == "--one-file") {
      options.one_file = true;
    } else if (arg == "--pdf") {
      options.pdf = true;
    } else if (arg == "--visible") {
      options.visible = true;
    } else if (arg == "--as-shown") {
      options.as_shown = true;
    } else if (arg == "--all-stories") {
      options.all_stories = true;
    } else if (arg == "--check") {
      options.check = true;
    } else if (arg == "--print") {
      if (!value(text, seen)) return std::nullopt;
      const std::optional<int> copies = Number(text, merge::kMinCopies, merge::kMaxCopies);
      if (!copies) {
        error = merge::CopiesRangeText() + "：" + text;
        return std::nullopt;
      }
      options.copies = *copies;
    } else if (arg == "--filter") {
      if (!value(text, seen)) return std::nullopt;
      const std::optional<merge::RecordFilter> filter = merge::ParseRecordFilter(text);
      if (!filter) {
        error = "筛选条件应写成“列标题=值”或“列标题~值”：" + text;
        return std::nullopt;
      }
      options.choice.filters.push_back(*filter);
    } else if (arg == "--rows") {
      if (!value(text, seen)) return std::nullopt;
      const auto rows = merge::ParseRowRanges(text);
      if (!rows) {
        error = "行范围应写成“2-50”“7”或用逗号隔开的几段（行号从 2 起）：" + text;
        return std::nullopt;
      }
      options.choice.rows.insert(options.choice.rows.end(), rows->begin(), rows->end());
    } else if (arg == "--skip-totals") {
      options.choice.skip_totals = true;
    } else if (arg == "--name-pattern") {
      if (!value(options.name_pattern, seen)) return std::nullopt;
    } else if (arg == "--pdf-password-column") {
      if (!value(options.password_column, seen)) return std::nullopt;
      if (options.password_column.empty()) {
        error = "--pdf-password-column 后面应是作密码的列标题";
        return std::nullopt;
      }
    } else if (arg == "--password-last") {
      if (!value(text, seen)) return std::nullopt;
      const std::optional<int> last = Number(text, 1, merge::kMaxPasswordLast);
      if (!last) {
        error = "--password-last 应是 1 到 32 之间的整数：" + text;
        return std::nullopt;
      }
      options.password_last = *last;
    } else if (TakeMailOption(args, i, options.mail, error)) {
      if (!error.empty()) return std::nullopt;
    } else {
      error = "无法识别的参数：" + arg;
      return std::nullopt;
    }
  }
  if (!has_data || !has_template || (!has_out && !options.check)) {
    error = "必须给出 --data、--template 和 --out";
    return std::nullopt;
  }
  if (options.password_last > 0 && options.password_column.empty()) {
    error = "--password-last 需要与 --pdf-password-column 一起使用";
    return std::nullopt;
  }
  if (std::optional<std::string> usage = MailUsageError(options.mail, options.one_file, options.check)) {
    error = *std::move(usage);
    return std::nullopt;
  }
  return options;
}

std::string HelpText() {
  return
      "用法：vexlo-merge --data 数据文件 --template 模板文件 --out 输出文件夹\n"
      "                  [--sheet 工作表] [--one-file] [--pdf] [--print 份数] [--visible] [--as-shown]\n"
      "                  [--filter 列标题=值] [--rows 2-50] [--skip-totals] [--name-pattern 格式]\n"
      "                  [--pdf-password-column 列标题 [--password-last 位数]]\n"
      "                  [--mail-column 标题 --smtp 地址 --mail-from 发件人 ...]\n"
      "       vexlo-merge --check --data 数据文件 --template 模板文件 [--sheet 工作表]\n"
      "\n"
      "不打开窗口，把 Excel 数据文件的每一行套入 Word 模板，批量生成文档。\n"
      "数据文件当前工作表（或 --sheet 指定的工作表）的第 1 行是列标题，\n"
      "从第 2 行起每行是一条记录（最多 999 条），第一列为空的行表示数据结束。\n"
      "模板中凡是写着列标题的地方（整词，不分大小写），都换成该记录这一列的值；\n"
      "一个标题包含另一个标题时（实发工资大写、实发工资），先换较长的。\n"
      "公式没有保存计算结果的单元格先由 LibreOffice 计算，再读取。\n"
      "开始写文件之前先检查模板和数据，把发现的问题输出到终端。\n"
      "\n"
      "  --data 文件       数据文件（.xls、.xlsx 或 .csv）\n"
      "  --template 文件   Word 模板文件（.doc 或 .docx），输出文档使用相同的扩展名\n"
      "  --sheet 工作表    读取数据文件中的这个工作表：名称，或从 1 起的序号；\n"
      "                    不给出时读取文件保存时的当前工作表\n"
      "  --out 文件夹      输出文件夹；给出空文本时使用当前文件夹\n"
      "  --one-file        所有记录输出到同一个文件“合并输出”，否则每条记录一个文件，\n"
      "                    以该记录第一列的内容命名\n"
      "  --pdf             同时输出为 PDF 文件\n"
      "  --print 份数      输出后在默认打印机上打印，份数为 " + std::to_string(merge::kMinCopies) + " 到 " +
      std::to_string(merge::kMaxCopies) + "\n"
      "  --visible         显示生成过程（对内置引擎没有可见的效果）\n"
      "  --as-shown        数值按表格格式：每个单元格按它在表格中显示的样子输出\n"
      "                    （如 5,600.20、15%、000123、2026年11月），不加时输出原始值\n"
      "  --filter 列标题=值   只制作该列等于这个值的记录；写成“列标题~值”时为包含这个值；\n"
      "                    可以给出多个，记录须全部满足\n"
      "  --rows 范围       只制作这些行的记录，如 2-50、7 或 2-10,20-（数据表的行号，第 2 行起）\n"
      "  --skip-totals     不制作第一列为“合计”“小计”“总计”的行\n"
      "  --name-pattern 格式  用列标题组成文件名，如 '{工号}_{姓名}_2026年11月'；\n"
      "                    不能用于文件名的字符换成“_”，重名时加“ (2)”……\n"
      "  --pdf-password-column 列标题  给每条记录的PDF加密（AES-256），打开时需输入该记录这一列的值；\n"
      "                    可以打印，不能修改；包含 --pdf，不能与 --one-file 同用\n"
      "  --password-last 位数  只用该值的最后几位作密码（如身份证后六位：--password-last 6）；\n"
      "                    某条记录的值为空或位数不足时，不生成任何文件并列出这些记录\n"
      "  --all-stories     含页眉页脚：页眉、页脚和脚注中的列标题也替换（用域或«»{}标出的\n"
      "                    占位符总是替换）\n"
      "  --check           只做制作前的检查，不写任何文件：标题出现在更长的文字中间、\n"
      "                    模板中没有用到的列、不会输出的数据行（第一列为空的行之后、\n"
      "                    第 " + std::to_string(merge::DataSource::kLastRecordRow) +
      " 行之后）；没有发现问题时退出状态为 0，否则为 1\n"
      "  --version         显示版本号\n"
      "  -h, --help        显示本说明\n"
      "\n"
      "提示信息和错误信息输出到终端；在终端上运行时显示进度条（当前阶段：生成文档、生成PDF、打印，\n"
      "第几个，共几个，以及预计剩余时间）。使用 --print 时先说明将在哪台打印机上打印多少份。\n"
      "同名文件被其他程序占用时，文件改存为带“年月日时分秒”时间戳的新名称；\n"
      "同一次运行中重名的记录依次加“ (2)”“ (3)”……。\n"
      "收到 Ctrl-C（SIGINT）、SIGTERM 或 SIGHUP 时，在当前记录完成后停止，已完成的文档保留。\n"
      "\n"
      "退出状态：\n"
      "  0  成功执行\n"
      "  1  输入或输出设置有误（包括工作表不存在或没有数据记录）、输出文件夹正被另一次运行使用，\n"
      "     或无法启动 Excel/Word，已显示提示信息；没有输出任何文档的运行都不算成功\n"
      "  2  命令行用法错误\n"
      "  3  运行时错误，详细信息已追加到当前文件夹的“AppError.txt”\n"
      "  4  运行被取消（收到停止信号）\n"
      "  5  已完成，但数据中有些行没有输出（见输出的说明）\n"
      "  6  文件已完成，但有些邮件没有发出（见输出的说明）\n" +
      MailHelpText();
}

}  // namespace vexlo::cli
