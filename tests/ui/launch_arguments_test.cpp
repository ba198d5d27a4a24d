// Starting vexlo with files and options, and finding its pictures from any folder.
#include "ui/main/launch_arguments.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QSet>
#include <QWidget>

#include "app/event_guard.h"
#include "app/install_paths.h"
#include "app/version.h"
#include "tests/ui/fake_fields.h"
#include "tests/support/test_paths.h"
#include "ui/widgets/uo_icobutton.h"
#include "ui/widgets/uo_picbutton2.h"

namespace vexlo::ui {
namespace {

TEST(LaunchArguments, FirstWorkbookAndFirstTemplateFillTheirFieldsOthersAreIgnored) {
  const LaunchArguments launch = ParseLaunchArguments(
      {"-platform", "xcb", "notes.txt", "数据/工资 十月.XLSX", "/srv/模板.Docx", "second.xls",
       "second.doc", "--unknown"},
      "/home/用户");
  EXPECT_FALSE(launch.print);
  EXPECT_EQ(launch.data, "/home/用户/数据/工资 十月.XLSX");
  EXPECT_EQ(launch.templ, "/srv/模板.Docx");

  const LaunchArguments relative = ParseLaunchArguments({"../a.xls", "./b.doc"}, "/home/用户/x");
  EXPECT_EQ(relative.data, "/home/用户/a.xls");
  EXPECT_EQ(relative.templ, "/home/用户/x/b.doc");

  const LaunchArguments none = ParseLaunchArguments({"xls", ".xls", "report.pdf"}, "/tmp");
  EXPECT_EQ(none.data, "");
  EXPECT_EQ(none.templ, "");
}

TEST(LaunchArguments, VersionAndHelpEndTheProgramWhateverElseIsGiven) {
  const LaunchArguments version = ParseLaunchArguments({"a.xls", "--version", "b.doc"}, "/tmp");
  ASSERT_TRUE(version.print);
  EXPECT_EQ(*version.print, std::string("vexlo ") + app::Version() + "\n");
  const LaunchArguments help = ParseLaunchArguments({"-h"}, "/tmp");
  ASSERT_TRUE(help.print);
  EXPECT_EQ(help.print->rfind("用法：vexlo", 0), 0u);
}

TEST(LaunchArguments, FillingLeavesTheFieldOfAMissingKindAlone) {
  std::vector<std::string> log;
  test::FakeFields fields(log);
  fields.values.data_path = "/earlier/数据.xls";
  FillFields(fields, {std::nullopt, "", "/srv/模板.doc"});
  EXPECT_EQ(fields.values.data_path, "/earlier/数据.xls");
  EXPECT_EQ(fields.values.template_path, "/srv/模板.doc");
  FillFields(fields, {});
  EXPECT_EQ(fields.writes, 1);  // nothing given, nothing written
}

int Colours(const QImage& image) {
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
  }
  return colours.size();
}

// The button's face as drawn, with its pictures looked up below `data_folder`.
QImage ButtonFace(const std::string& data_folder) {
  app::ErrorRecord error;
  app::Events events(error, [] {});
  QWidget window;
  auto* button = new uo_icobutton(&window, events, data_folder,
                                  {"resource/close.jpg", "resource/close2.jpg",
                                   "resource/close.jpg", "关闭", ""});
  button->setGeometry(0, 0, 32, 32);
  return button->p_1->grab(QRect(0, 0, 32, 32)).toImage();
}

TEST(LaunchArguments, PicturesComeFromTheBuildTreeWhateverTheCurrentFolder) {
  test::ScratchDir elsewhere;
  test::CurrentDirGuard in(elsewhere.path());
  EXPECT_GT(Colours(ButtonFace(app::FindDataFolder(VEXLO_BINARY_DIR).string())), 8);
  // A folder without the pictures leaves the face flat: the check above can fail.
  EXPECT_LE(Colours(ButtonFace(elsewhere.path().string())), 2);
}

}  // namespace
}  // namespace vexlo::ui
