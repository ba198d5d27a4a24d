#include "ui/main/generation_window.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>
#include <optional>

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

namespace {

class WorkbookSource : public SheetSource {
 public:
  WorkbookSource(std::string data_path, bool as_shown)
      : data_path_(std::move(data_path)), data_(excel_, as_shown) {}
  ~WorkbookSource() override {
    try {
      if (excel_.connected() && started_) excel_.get("application").call("quit");
      excel_.release();
    } catch (const app::RuntimeError&) {
    }
  }

  std::vector<std::string> Titles() override {
    if (!Open()) return {};
    return data_.TitleNames();
  }

  std::string Cell(int record, int column) override {
    const int row = merge::DataSource::kFirstRecordRow + record - 1;
    if (!Open() || column < 0 || column >= data_.i_titlecount() || record < 1 ||
        row > merge::DataSource::kLastRecordRow) {
      return {};
    }
    if (std::optional<std::string> value = Read(column, row)) return *std::move(value);
    // The run's instance quits as the run ends, while rows are still painted: go on with one of
    // our own. Anything else leaves the cell empty; the grid is only for watching.
    if (started_ || !OpenOwn()) return {};
    return Read(column, row).value_or("");
  }

 private:
  std::optional<std::string> Read(int column, int row) {
    try {
      return data_.ReadFieldValue(column + 1, row);
    } catch (const app::RuntimeError&) {
      return std::nullopt;
    }
  }

  // Connects once and reads the titles; false when the sheet cannot be read. The run's own
  // spreadsheet instance already holds the workbook open: reading through it spares opening
  // (and parsing) the file a second time. Without one, an instance of our own opens it.
  bool Open() {
    if (tried_) return opened_;
    tried_ = true;
    return AttachToRun() ? ReadTitles() : OpenOwn();
  }

  // An instance of our own with the workbook open; false when that fails.
  bool OpenOwn() {
    excel_.release();
    try {
      if (excel_.start_new("excel.application") < 0) return opened_ = false;
      started_ = true;
      excel_.get("application").get("workbooks").call("open", {office::Value(data_path_)});
    } catch (const app::RuntimeError&) {
      return opened_ = false;
    }
    return ReadTitles();
  }

  bool ReadTitles() {
    try {
      opened_ = data_.ReadTitles() > 0;
    } catch (const app::RuntimeError&) {
      opened_ = false;
    }
    return opened_;
  }

  bool AttachToRun() {
    try {
      if (excel_.attach("excel.application") < 0) return false;
      const office::Value book = excel_.get("application").get("activeworkbook");
      const office::Value path = book.get("fullname");
      if (path.kind() == office::Value::Kind::kText && path.text() == data_path_) return true;
    } catch (const app::RuntimeError&) {
    }
    excel_.release();
    return false;
  }

  std::string data_path_;
  office::oleobject excel_;
  bool started_ = false;  // the instance is ours: quit it at the end
  merge::DataSource data_;
  bool tried_ = false;
  bool opened_ = false;
};

}  // namespace

std::unique_ptr<SheetSource> WorkbookSheet(const std::string& data_path, bool as_shown) {
  return std::make_unique<WorkbookSource>(data_path, as_shown);
}

namespace {

class ChosenSource : public SheetSource {
 public:
  ChosenSource(std::unique_ptr<SheetSource> sheet, std::vector<int> rows)
      : sheet_(std::move(sheet)), rows_(std::move(rows)) {}
  std::vector<std::string> Titles() override { return sheet_->Titles(); }
  std::string Cell(int record, int column) override {
    if (record < 1 || record > static_cast<int>(rows_.size())) return {};
    return sheet_->Cell(rows_[static_cast<std::size_t>(record - 1)] - merge::DataSource::kFirstRecordRow + 1,
                        column);
  }

 private:
  std::unique_ptr<SheetSource> sheet_;
  std::vector<int> rows_;
};

}  // namespace

std::unique_ptr<SheetSource> ChosenRecords(std::unique_ptr<SheetSource> sheet, std::vector<int> rows) {
  return std::make_unique<ChosenSource>(std::move(sheet), std::move(rows));
}

SheetModel::SheetModel(std::unique_ptr<SheetSource> source, int records, QObject* parent)
    : QAbstractTableModel(parent), source_(std::move(source)), records_(std::max(0, records)) {
  if (source_ != nullptr) titles_ = source_->Titles();
  if (titles_.empty()) records_ = 0;
}

int SheetModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : records_;
}

int SheetModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(titles_.size());
}

const std::string& SheetModel::Cell(int record, int column) const {
  static const std::string kNone;
  if (record < 1 || record > records_ || column < 0 || column >= columnCount()) return kNone;
  const long long key = static_cast<long long>(record) * columnCount() + column;
  auto found = cells_.find(key);
  if (found == cells_.end()) {
    ++cells_read_;
    found = cells_.emplace(key, source_->Cell(record, column)).first;
  }
  return found->second;
}

std::vector<std::string> SheetModel::Record(int record) const {
  std::vector<std::string> values;
  for (int c = 0; c < columnCount(); ++c) values.push_back(Cell(record, c));
  return values;
}

QVariant SheetModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return {};
  return Q(Cell(index.row() + 1, index.column()));
}

QVariant SheetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (orientation == Qt::Vertical) return section + 1;
  if (section < 0 || section >= columnCount()) return {};
  return Q(titles_[static_cast<std::size_t>(section)]);
}

Qt::ItemFlags SheetModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

GenerationWindow::GenerationWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint) {
  setWindowTitle("生成过程");
  setAttribute(Qt::WA_ShowWithoutActivating);
  SetColours(this, Qt::white, palette::kBlue);

  sheet_caption_ = Caption(this);
  sheet_ = new QTableView(this);
  sheet_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  sheet_->setSelectionBehavior(QAbstractItemView::SelectRows);
  sheet_->setSelectionMode(QAbstractItemView::SingleSelection);
  // The run moves the current row; Highlight scrolls once, to the centre, instead of the view
  // scrolling on its own first.
  sheet_->setAutoScroll(false);
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
  follow_.setSingleShot(true);
  connect(&follow_, &QTimer::timeout, this, [this] { FollowRecord(); });
}

std::string SheetCaption(const std::string& file_name, const merge::SkippedRows& left_out) {
  std::string caption = "数据表：" + file_name;
  if (left_out.after_blank > 0) {
    caption += "\n第 " + std::to_string(left_out.blank_row) + " 行第一列为空，其后 " +
               std::to_string(left_out.after_blank) + " 行数据不输出";
  }
  if (left_out.beyond_last > 0) {
    caption += "\n只输出到第 " + std::to_string(left_out.last_row) + " 行，其后 " +
               std::to_string(left_out.beyond_last) + " 行数据不输出";
  }
  return caption;
}

void GenerationWindow::SetSheet(std::unique_ptr<SheetSource> source, int records,
                                const std::string& caption) {
  sheet_caption_->setText(Q(caption));
  auto* model = new SheetModel(std::move(source), records, this);
  sheet_->setModel(model);
  delete model_;
  model_ = model;
  // Columns are not sized to their contents: that would read every cell.
}

void GenerationWindow::ShowRecord(int index) {
  record_ = index;
  if (follow_.isActive()) return;
  const auto since = std::chrono::steady_clock::now() - last_follow_;
  follow_.start(since >= kFollowInterval
                    ? std::chrono::milliseconds(0)
                    : std::chrono::duration_cast<std::chrono::milliseconds>(kFollowInterval - since));
}

void GenerationWindow::FollowRecord() {
  last_follow_ = std::chrono::steady_clock::now();
  Highlight(record_);
}

void GenerationWindow::Highlight(int record) {
  const int row = record - 1;
  if (model_ == nullptr || row < 0 || row >= model_->rowCount() || model_->columnCount() == 0) {
    return;
  }
  const QModelIndex cell = model_->index(row, 0);
  if (sheet_->currentIndex() == cell) return;
  sheet_->selectionModel()->setCurrentIndex(
      cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  sheet_->scrollTo(cell, QAbstractItemView::PositionAtCenter);
  // The rows in view are drawn afresh at their new places, not pieced together from moved
  // pixels and the strips around them; their cells are read already, and this happens at most
  // once per page drawn.
  sheet_->viewport()->update();
}

void GenerationWindow::ShowDocument(int index, const std::string& document,
                                    const std::string& shown_name) {
  if (document.empty()) return;
  waiting_ = document;
  waiting_name_ = shown_name.empty() ? QFileInfo(Q(document)).fileName().toStdString() : shown_name;
  waiting_index_ = index;
}

QImage GenerationWindow::TemplatePage(int index, const std::string& document) {
  if (model_ == nullptr || index < 1 || index > model_->rowCount() || template_path_.empty()) {
    return {};
  }
  if (!template_read_ && TemplateReader()) {
    // Once per run, and only when a page cannot be read from the document itself.
    template_paragraphs_ = TemplateReader()(template_path_);
    template_read_ = true;
  }
  if (template_paragraphs_.empty()) return {};
  return TextPage(waiting_name_ + "（由模板与本条数据预览）",
                  FillParagraphs(template_paragraphs_, model_->titles(), model_->Record(index)),
                  kPageSize);
}

bool GenerationWindow::RefreshPage(std::chrono::steady_clock::time_point now, bool force) {
  if (waiting_.empty()) return false;
  if (!force && pages_drawn_ > 0 && now - last_page_ < kPageInterval) return false;
  last_page_ = now;
  const std::string document = std::move(waiting_);
  waiting_.clear();
  // The row, the page and (through shown_record) the progress change together.
  shown_record_ = waiting_index_;
  Highlight(shown_record_);
  page_caption_->setText(Q("刚生成的文档：" + waiting_name_));
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
