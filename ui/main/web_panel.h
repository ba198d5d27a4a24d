// WebPanel: the small browser panel of the main window. It shows one local HTML page in a light
// viewer (rich text, local files only, no scripts); a link the user clicks opens in the desktop's
// web browser. Every failure of the viewer is swallowed: a missing page leaves the panel blank.
// The viewer always fills the panel. UI thread only.
#ifndef VEXLO_UI_MAIN_WEB_PANEL_H_
#define VEXLO_UI_MAIN_WEB_PANEL_H_

#include <QWidget>
#include <string>

#include "app/event_guard.h"
#include "app/host.h"

class QTextBrowser;

namespace vexlo::ui {

class WebPanel : public QWidget {
  Q_OBJECT

 public:
  // A link that cannot be opened is told through `host`; clicks run through `events`.
  WebPanel(QWidget* parent, app::Host& host, app::Events& events);

  // Shows the page at the file-system path `page` (no URL scheme). Returns at once.
  void navigate(const std::string& page);

  // The browser object's inner size, in pixels.
  void setwidth(int pixels);
  void setheight(int pixels);

  QTextBrowser* browser() const { return browser_; }
  // The page last navigated to.
  const std::string& page() const { return page_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QTextBrowser* browser_;
  std::string page_;
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_WEB_PANEL_H_
