#include "ui/main/generation_window.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/runtime_error.h"
#include "merge/data_source.h"
#include "office/oleobject.h"
#include "ui/main/page_preview.h"
#include "ui/main/skin.h"
#include "ui/main/skin_palette.h"

namespace vexlo::ui {
namespace {

constexpr QSize kPageSize(270, 382);

QString Q(const std::string& s) { return QString::fromStdString(s); }

QLabel* Caption(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setFont(SongTi(10, true));
  SetColours(label, Qt::white, palette::kBlue);
  label->setContentsMargins(6, 3, 6, 3);
  return label;
}

}  // namespace

SheetContents ReadSheet(const std::string& data_path) {
  SheetContents sheet;
  office::oleobject excel;
  try {
    if (excel.start_new("excel.application") < 0) return sheet;
    excel.get("application").get("workbooks").call("open", {office::Value(data_path)});
    merge::DataSource data(excel);
    const int count = data.ReadTitles();
    for (const merge::st_etitle& title : data.titles()) sheet.titles.push_back(title.titlename);
    for (int row = merge::DataSource::kFirstRecordRow;
         count > 0 && row <= merge::DataSource::kLastRecordRow; ++row) {
      if (!data.ReadRecordName(row)) break;
      std::vector<std::string> values;
      for (int k = 1; k <= count; ++k) values.push_back(data.ReadFieldValue(k, row));
      sheet.rows.push_back(std::move(values));
    }
  } catch (const app::RuntimeError&) {
    // The grid is only for watching: a sheet that cannot be read leaves what was read.
  }
  try {
    if (excel.connected()) {
      excel.get("application").call("quit");
      excel.release();
    }
  } catch (const app::RuntimeError&) {
  }
  return sheet;
}

GenerationWindow::GenerationWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
  setWindowTitle("生成过程");
  setAttribute(Qt::WA_ShowWithoutActivating);
  SetColours(this, Qt::white, palette::kBlue);

  sheet_caption_ = Caption(this);
  sheet_ = new QTableWidget(this);
  sheet_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  sheet_->setSelectionBehavior(QAbstractItemView::SelectRows);
  sheet_->setSelectionMode(QAbstractItemView::SingleSelection);
  sheet_->setFont(SongTi(9));
  sheet_->verticalHeader()->setDefaultSectionSize(20);
  sheet_->horizontalHeader()->setStretchLastSection(true);
  {
    // The current record stays visible also while the window has no focus.
    QPalette p = sheet_->palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, palette::kOrange);
    p.setColor(QPalette::Active, QPalette::Highlight, palette::kOrange);
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::white);
    sheet_->setPalette(p);
  }

  page_caption_ = Caption(this);
  page_caption_->setText("刚生成的文档");
  page_ = new QLabel(this);
  page_->setFixedSize(kPageSize);
  page_->setAlignment(Qt::AlignCenter);
  SetColours(page_, QColor(200, 200, 200), QColor(60, 68, 150));
  page_->setText("等待第一份文档……");
  page_->setWordWrap(true);

  auto* left = new QVBoxLayout;
  left->setSpacing(0);
  left->addWidget(sheet_caption_);
  left->addWidget(sheet_, 1);
  auto* right = new QVBoxLayout;
  right->setSpacing(0);
  right->addWidget(page_caption_);
  right->addWidget(page_, 0, Qt::AlignTop);
  right->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(8);
  layout->addLayout(left, 1);
  layout->addLayout(right, 0);
  resize(760, 430);
}

void GenerationWindow::SetSheet(const SheetContents& sheet, const std::string& caption) {
  contents_ = sheet;
  sheet_caption_->setText(Q("数据表：" + caption));
  sheet_->clear();
  sheet_->setColumnCount(static_cast<int>(sheet.titles.size()));
  sheet_->setRowCount(static_cast<int>(sheet.rows.size()));
  QStringList headers;
  for (const std::string& title : sheet.titles) headers << Q(title);
  sheet_->setHorizontalHeaderLabels(headers);
  for (int r = 0; r < static_cast<int>(sheet.rows.size()); ++r) {
    const auto& values = sheet.rows[static_cast<std::size_t>(r)];
    for (int c = 0; c < static_cast<int>(values.size()); ++c) {
      auto* item = new QTableWidgetItem(Q(values[static_cast<std::size_t>(c)]));
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
      sheet_->setItem(r, c, item);
    }
  }
  sheet_->resizeColumnsToContents();
}

void GenerationWindow::ShowRecord(int index) {
  const int row = index - 1;
  if (row < 0 || row >= sheet_->rowCount()) return;
  sheet_->setCurrentCell(row, 0, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  if (sheet_->columnCount() > 0) {
    sheet_->scrollToItem(sheet_->item(row, 0), QAbstractItemView::PositionAtCenter);
  }
}

void GenerationWindow::ShowDocument(int index, const std::string& document) {
  if (document.empty()) return;
  waiting_ = document;
  waiting_index_ = index;
}

QImage GenerationWindow::TemplatePage(int index, const std::string& document) {
  const auto row = static_cast<std::size_t>(index - 1);
  if (index < 1 || row >= contents_.rows.size() || template_path_.empty()) return {};
  if (!template_read_ && TemplateReader()) {
    // Once per run, and only when a page cannot be read from the document itself.
    template_paragraphs_ = TemplateReader()(template_path_);
    template_read_ = true;
  }
  if (template_paragraphs_.empty()) return {};
  return TextPage(QFileInfo(Q(document)).fileName().toStdString() + "（由模板与本条数据预览）",
                  FillParagraphs(template_paragraphs_, contents_.titles, contents_.rows[row]),
                  kPageSize);
}

bool GenerationWindow::RefreshPage(std::chrono::steady_clock::time_point now, bool force) {
  if (waiting_.empty()) return false;
  if (!force && pages_drawn_ > 0 && now - last_page_ < kPageInterval) return false;
  last_page_ = now;
  const std::string document = std::move(waiting_);
  waiting_.clear();
  page_caption_->setText(Q("刚生成的文档：" + QFileInfo(Q(document)).fileName().toStdString()));
  QImage image = CurrentPagePreview().Render(document, kPageSize);
  if (image.isNull()) image = TemplatePage(waiting_index_, document);
  if (image.isNull()) {
    page_->setPixmap({});
    page_->setText("（此文档的页面在输出结束后才能看到）");
  } else {
    page_->setPixmap(QPixmap::fromImage(image));
  }
  ++pages_drawn_;
  return true;
}

}  // namespace vexlo::ui
