#include "merge/layout_hint.h"

#include "app/runtime_error.h"
#include "office/value.h"

namespace vexlo::merge {

std::optional<std::string> PageAnchorHint(const office::oleobject& wordserver) {
  bool stacked = false;
  try {
    // An engine property of its own: another word processor behind the gateway lacks it.
    const office::Value v = wordserver.get("activedocument").get("pageanchorswithoutbreak");
    stacked = v.kind() == office::Value::Kind::kBool && v.boolean();
  } catch (const app::RuntimeError&) {
    return std::nullopt;
  }
  if (!stacked) return std::nullopt;
  return "模板末尾没有分页符：模板中有固定在页面上的浮动表格或图形，合并输出时各份记录紧接着排列，"
         "后面各份的这些对象会叠放在前几页的同一位置。如需每份记录从新的一页开始，"
         "请在模板末尾插入分页符或分节符后重新制作。";
}

}  // namespace vexlo::merge
