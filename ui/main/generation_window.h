// The generation window: shown beside the progress window when "可见生成过程" is checked, so that
// the user watches the work. On the left the data sheet (read-only, the current record
// highlighted and scrolled into view), on the right an image of the document just written.
// Watching must cost the run little: the grid reads a cell only when it is painted (and keeps
// it), and the page image is drawn at most every kPageInterval, pages written in between skipped.
// UI thread only.
#ifndef VEXLO_UI_MAIN_GENERATION_WINDOW_H_
#define VEXLO_UI_MAIN_GENERATION_WINDOW_H_

#include <QAbstractTableModel>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "merge/pre_write_check.h"

class QLabel;
class QTableView;

namespace vexlo::ui {

// The data sheet as the grid reads it: the titles of row 1, and single cells of records.
class SheetSource {
 public:
  virtual ~SheetSource() = default;
  // The titles; none when the sheet cannot be read.
  virtual std::vector<std::string> Titles() = 0;
  // The value of title `column` (0-based) of record `record` (1-based); "" when it cannot be read.
  virtual std::string Cell(int record, int column) = 0;
};

// The active sheet of `data_path`, read as the merge reads it (`as_shown`: cells as the sheet
// shows them, the values the documents get with 数值按表格格式), through a spreadsheet server
// instance of its own: started at the first read, quit when the source is destroyed.
std::unique_ptr<SheetSource> WorkbookSheet(const std::string& data_path, bool as_shown);

// The records of `sheet` at sheet rows `rows` (from 2 on), as records 1, 2, ... : the grid of a
// run that makes only these lists them alone, numbered as the run numbers them.
std::unique_ptr<SheetSource> ChosenRecords(std::unique_ptr<SheetSource> sheet, std::vector<int> rows);

// The grid's rows: `records` records of `source`, each cell read the first time it is asked for
// (that is, painted) and kept. Read-only.
class SheetModel : public QAbstractTableModel {
 public:
  SheetModel(std::unique_ptr<SheetSource> source, int records, QObject* parent);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  const std::vector<std::string>& titles() const { return titles_; }
  const std::string& Cell(int record, int column) const;
  // All values of `record` (1-based).
  std::vector<std::string> Record(int record) const;
  int cells_read() const { return cells_read_; }

 private:
  std::unique_ptr<SheetSource> source_;
  std::vector<std::string> titles_;
  int records_;
  mutable std::unordered_map<long long, std::string> cells_;
  mutable int cells_read_ = 0;
};

// The grid's caption: "数据表：" and the data file's name, with a line for each kind of rows of
// the sheet that hold data but are left out (after a blank first cell, below the last row read),
// so that a grid ending before the sheet does is not taken for a run that stopped short.
std::string SheetCaption(const std::string& file_name, const merge::SkippedRows& left_out);

class GenerationWindow : public QWidget {
 public:
  static constexpr std::chrono::milliseconds kPageInterval{300};
  // The grid follows the run at most this often: moving the highlight and scrolling for every
  // record would cost a fast run more than the run itself.
  static constexpr std::chrono::milliseconds kFollowInterval{250};

  explicit GenerationWindow(QWidget* parent);

  // The grid shows `records` records of `source`, under `caption` (see SheetCaption).
  void SetSheet(std::unique_ptr<SheetSource> source, int records, const std::string& caption);
  // Record `index` (1-based) is the one being made: highlighted and scrolled into view when the
  // events are next handled, at most every kFollowInterval (the latest record wins).
  void ShowRecord(int index);
  // The template of the run, for pages of documents that cannot be read yet.
  void SetTemplate(const std::string& template_path) { template_path_ = template_path; }
  // Record `index` was just written to `document`, which the user knows as `shown_name` (its
  // file name when empty); its page is drawn by the next RefreshPage that is due.
  void ShowDocument(int index, const std::string& document, const std::string& shown_name = {});
  // Draws the waiting page when kPageInterval has passed since the last one (or `force`), and
  // highlights its record's row at the same moment. Returns whether it drew.
  bool RefreshPage(std::chrono::steady_clock::time_point now, bool force = false);
  // The record whose page and row are shown (0 before the first).
  int shown_record() const { return shown_record_; }

  QTableView* sheet() const { return sheet_; }
  // Null until SetSheet.
  SheetModel* model() const { return model_; }
  QLabel* page() const { return page_; }
  QLabel* sheet_caption() const { return sheet_caption_; }
  QLabel* page_caption() const { return page_caption_; }
  int pages_drawn() const { return pages_drawn_; }

 private:
  QTableView* sheet_;
  SheetModel* model_ = nullptr;
  QLabel* sheet_caption_;
  QLabel* page_caption_;
  QLabel* page_;
  QImage TemplatePage(int index, const std::string& document);
  void FollowRecord();
  void Highlight(int record);

  QTimer follow_;
  int record_ = 0;  // the record to show
  std::chrono::steady_clock::time_point last_follow_{};

  std::string template_path_;
  bool template_read_ = false;
  std::vector<std::string> template_paragraphs_;
  std::string waiting_;  // the document whose page is not drawn yet
  std::string waiting_name_;
  int waiting_index_ = 0;
  int shown_record_ = 0;
  std::chrono::steady_clock::time_point last_page_{};
  int pages_drawn_ = 0;
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_GENERATION_WINDOW_H_
