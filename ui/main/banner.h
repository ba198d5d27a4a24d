// The hint on the red strip at the bottom of the main window. On Windows it is the advice to run
// as administrator; elsewhere it says what keeps a run from working here (no LibreOffice, no
// printer), or else reminds the user to close the files a run will use.
#ifndef VEXLO_UI_MAIN_BANNER_H_
#define VEXLO_UI_MAIN_BANNER_H_

#include <string>

namespace vexlo::ui {

// What the program found on this computer at start-up.
struct DesktopFacts {
  bool office_found = true;   // LibreOffice, for .doc, PDF and printing
  bool printer_found = true;  // a default printer
};

// The strip's text for `facts`.
std::string BannerText(const DesktopFacts& facts);

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_BANNER_H_
