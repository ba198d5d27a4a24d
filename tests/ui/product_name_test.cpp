// One product name wherever a user meets it: the window's title, the desktop menu, the software
// centre and the manual pages, all as the title bar picture shows it.
#include <gtest/gtest.h>

#include "app/version.h"
#include "tests/support/test_paths.h"
#include "tests/ui/window_graph.h"
#include "ui/main/w_vexlo.h"

namespace vexlo::ui {
namespace {

std::string PackagingFile(const std::string& name) {
  return test::ReadFile(test::DataFile("../../packaging/" + name));
}

TEST(ProductName, WindowMenuSoftwareCentreAndManualsAgree) {
  const std::string name = app::kProductName;
  {
    test::WindowGraph graph;
    w_vexlo window(graph.Context());
    EXPECT_EQ(window.windowTitle().toStdString(), name);
  }
  const std::string desktop = PackagingFile("vexlo.desktop");
  EXPECT_NE(desktop.find("Name[zh_CN]=" + name + "\n"), std::string::npos);
  EXPECT_NE(desktop.find("StartupWMClass=vexlo\n"), std::string::npos);
  EXPECT_NE(PackagingFile("org.vexlo.vexlo.metainfo.xml.in")
                .find("<name xml:lang=\"zh-CN\">" + name + "</name>"),
            std::string::npos);
  for (const char* manual : {"man/vexlo.zh_CN.1", "man/vexlo-merge.zh_CN.1"}) {
    EXPECT_NE(PackagingFile(manual).find(name.substr(name.find(' ') + 1)), std::string::npos)
        << manual;
  }
  // No other Chinese name is left anywhere the user sees one.
  for (const char* file : {"vexlo.desktop", "org.vexlo.vexlo.metainfo.xml.in"}) {
    EXPECT_EQ(PackagingFile(file).find("批量文档生成"), std::string::npos) << file;
  }
}

}  // namespace
}  // namespace vexlo::ui
