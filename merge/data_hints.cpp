#include "merge/data_hints.h"

#include "office/value.h"

namespace vexlo::merge {

using office::Value;

std::vector<std::string> TitlesMissingFromTemplate(const office::oleobject& wordserver,
                                                   const std::vector<std::string>& titles) {
  std::vector<std::string> missing;
  const Value document = wordserver.get("activedocument");
  for (const std::string& title : titles) {
    // Find text, match case, whole word, wildcards, sounds like, all word forms, forward,
    // wrap, format, replace with, replace (0: none): the same match as the replacement's.
    const Value found = document.get("content").get("find").call(
        "execute", {Value(title), Value(false), Value(true), Value(false), Value(false),
                    Value(false), Value(true), Value(0), Value(false), Value(""), Value(0)});
    if (found.kind() == Value::Kind::kBool && !found.boolean()) missing.push_back(title);
  }
  return missing;
}

std::string QuotedNames(const std::vector<std::string>& names) {
  constexpr std::size_t kShown = 20;  // names given at most
  std::string list;
  for (std::size_t i = 0; i < names.size() && i < kShown; ++i) {
    list += (i > 0 ? "、“" : "“") + names[i] + "”";
  }
  if (names.size() > kShown) list += "等 " + std::to_string(names.size()) + " 个";
  return list;
}

std::optional<std::string> MissingTitlesNote(const std::vector<std::string>& missing) {
  if (missing.empty()) return std::nullopt;
  return "以下列标题在模板中没有出现：" + QuotedNames(missing) +
         "。请检查模板和数据文件中的标题是否一致。";
}

std::string ShownValueNote(const DataSource::ShownDifference& difference, std::string_view how) {
  return "提示：部分数值与表格中显示的不同（如“" + difference.value + "”在表格中显示为“" +
         difference.shown + "”），" + std::string(how) + "可按表格显示的格式输出。";
}

}  // namespace vexlo::merge
