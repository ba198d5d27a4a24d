// The generation window: shown beside the progress window when "可见生成过程" is checked, so that
// the user watches the work. On the left the data sheet (read-only, the current record
// highlighted and scrolled into view), on the right an image of the document just written. The
// page image is drawn at most every kPageInterval, so that watching never slows the run much.
// UI thread only.
#ifndef VEXLO_UI_MAIN_GENERATION_WINDOW_H_
#define VEXLO_UI_MAIN_GENERATION_WINDOW_H_

#include <QImage>
#include <QWidget>
#include <chrono>
#include <string>
#include <vector>

class QLabel;
class QTableWidget;

namespace vexlo::ui {

// The data sheet as the grid shows it: titles of row 1, then one row per record.
struct SheetContents {
  std::vector<std::string> titles;
  std::vector<std::vector<std::string>> rows;
};

// Reads the active sheet of `data_path` through the spreadsheet server, as the merge reads it:
// the titles, then the records up to the first blank record name. Nothing when it cannot be read.
SheetContents ReadSheet(const std::string& data_path);

class GenerationWindow : public QWidget {
 public:
  static constexpr std::chrono::milliseconds kPageInterval{300};

  explicit GenerationWindow(QWidget* parent);

  void SetSheet(const SheetContents& sheet, const std::string& caption);
  // Record `index` (1-based) is the one being made: highlighted and scrolled into view.
  void ShowRecord(int index);
  // The template of the run, for pages of documents that cannot be read yet.
  void SetTemplate(const std::string& template_path) { template_path_ = template_path; }
  // Record `index` was just written to `document`; its page is drawn by the next RefreshPage
  // that is due.
  void ShowDocument(int index, const std::string& document);
  // Draws the waiting page when kPageInterval has passed since the last one (or `force`).
  // Returns whether it drew.
  bool RefreshPage(std::chrono::steady_clock::time_point now, bool force = false);

  QTableWidget* sheet() const { return sheet_; }
  QLabel* page() const { return page_; }
  int pages_drawn() const { return pages_drawn_; }

 private:
  QTableWidget* sheet_;
  QLabel* sheet_caption_;
  QLabel* page_caption_;
  QLabel* page_;
  QImage TemplatePage(int index, const std::string& document);

  SheetContents contents_;
  std::string template_path_;
  bool template_read_ = false;
  std::vector<std::string> template_paragraphs_;
  std::string waiting_;  // the document whose page is not drawn yet
  int waiting_index_ = 0;
  std::chrono::steady_clock::time_point last_page_{};
  int pages_drawn_ = 0;
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_GENERATION_WINDOW_H_
