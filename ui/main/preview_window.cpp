#include "ui/main/preview_window.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/host.h"
#include "app/shown_text.h"
#include "merge/pre_write_check.h"
#include "ui/main/page_preview.h"

namespace vexlo::ui {
namespace {

constexpr QSize kPageSize(360, 509);  // A4 in the preview

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

PreviewWindow::PreviewWindow(std::unique_ptr<SlipPreview> preview, QWidget* parent)
    : QDialog(parent), preview_(std::move(preview)) {
  setWindowTitle("预览");
  caption_ = new QLabel(this);
  page_ = new QLabel(this);
  page_->setFixedSize(kPageSize);
  page_->setAlignment(Qt::AlignCenter);
  findings_ = new QLabel(this);
  findings_->setWordWrap(true);
  findings_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  findings_->setFixedWidth(kPageSize.width());
  previous_ = new QPushButton("◀ 上一条", this);
  next_ = new QPushButton("下一条 ▶", this);
  auto* close = new QPushButton("关闭", this);
  connect(previous_, &QPushButton::clicked, this, [this] { ShowRecord(index_ - 1); });
  connect(next_, &QPushButton::clicked, this, [this] { ShowRecord(index_ + 1); });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(previous_);
  buttons->addWidget(next_);
  buttons->addStretch(1);
  buttons->addWidget(close);
  std::string lines;
  for (const std::string& line : merge::FindingLines(preview_->findings())) lines += line + "\n";
  findings_->setText(lines.empty() ? "检查没有发现问题。" : Q(app::EscapeControls(lines)));

  auto* layout = new QVBoxLayout(this);
  // The dialog takes the size its contents need: the wrapped findings under a page of fixed size.
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addWidget(caption_);
  layout->addWidget(page_);
  layout->addWidget(findings_);
  layout->addLayout(buttons);
  ShowRecord(1);
}

void PreviewWindow::ShowRecord(int index) {
  index = std::clamp(index, 1, preview_->records());
  if (index == index_) return;
  index_ = index;
  const std::string name = preview_->RecordName(index);
  caption_->setText(Q("第 " + std::to_string(index) + " 条记录，共 " +
                      std::to_string(preview_->records()) + " 条"));
  page_->setPixmap(QPixmap::fromImage(
      TextPage(app::EscapeControls(name) + "（预览）", preview_->Paragraphs(index), kPageSize)));
  previous_->setEnabled(index > 1);
  next_->setEnabled(index < preview_->records());
}

void ShowPreview(app::Host& host, const merge::MergeRequest& request, QWidget* parent) {
  auto preview = std::make_unique<SlipPreview>(request);
  std::string why;
  if (!preview->Open(why)) {
    host.MessageBox("操作提示", "无法预览：" + app::EscapeControls(why));
    return;
  }
  PreviewWindow window(std::move(preview), parent);
  window.exec();
}

}  // namespace vexlo::ui
