#include "ui/main/web_panel.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QResizeEvent>
#include <QTextBrowser>
#include <QUrl>

#include "app/event_guard.h"
#include "app/host.h"

namespace vexlo::ui {

WebPanel::WebPanel(QWidget* parent, app::Host& host, app::Events& events)
    : QWidget(parent), browser_(new QTextBrowser(this)) {
  browser_->setFrameShape(QFrame::NoFrame);
  browser_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  browser_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  browser_->setOpenLinks(false);
  setFocusProxy(browser_);
  browser_->setContextMenuPolicy(Qt::NoContextMenu);
  browser_->document()->setDocumentMargin(2);
  QPalette p = browser_->palette();
  p.setColor(QPalette::Base, Qt::white);
  browser_->setPalette(p);
  connect(browser_, &QTextBrowser::anchorClicked, this, [&host, &events](const QUrl& url) {
    events.RunGuarded({"w_vexlo", "ole_1", "anchorclicked"}, [&] {
      if (!QDesktopServices::openUrl(url)) {
        host.MessageBox("错误提示", "无法打开“" + url.toString().toStdString() +
                                              "”：没有找到网页浏览器（xdg-open）。");
      }
    });
  });
}

void WebPanel::navigate(const std::string& page) {
  page_ = page;
  const QString path = QString::fromStdString(page);
  try {
    if (QFileInfo(path).isFile()) {
      browser_->setSource(QUrl::fromLocalFile(path));
    } else {
      browser_->clear();
    }
  } catch (...) {
    // The panel reports nothing: a page that fails leaves it blank.
    browser_->clear();
  }
}

void WebPanel::setwidth(int pixels) { browser_->resize(pixels, browser_->height()); }
void WebPanel::setheight(int pixels) { browser_->resize(browser_->width(), pixels); }

void WebPanel::resizeEvent(QResizeEvent* event) {
  setwidth(event->size().width());
  setheight(event->size().height());
}

}  // namespace vexlo::ui
