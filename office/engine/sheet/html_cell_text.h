// The text of one cell of a web page's table, collected the way a browser lays it out: runs of
// white space become one space, none at the start or end, entities are decoded and <br> breaks
// the line. Linear: an '&' looks no further than the longest entity it may start.
// Convention: cannot fail.
#ifndef VEXLO_OFFICE_ENGINE_SHEET_HTML_CELL_TEXT_H_
#define VEXLO_OFFICE_ENGINE_SHEET_HTML_CELL_TEXT_H_

#include <string>
#include <string_view>

namespace vexlo::engine::sheet {

class HtmlCellText {
 public:
  // Adds text that stands between tags, as the page holds it.
  void AddRaw(std::string_view text);
  // A line break (<br>).
  void Break();
  // The text without blank lines or spaces at its ends (a cell of only &nbsp; is empty); the
  // collector is empty afterwards.
  std::string Take();

 private:
  void Put(std::string_view text);
  // Decodes the entity at `at` (an '&') and returns where the text goes on.
  size_t AddEntity(std::string_view text, size_t at);

  std::string out_;
  bool pending_space_ = false;
};

}  // namespace vexlo::engine::sheet

#endif  // VEXLO_OFFICE_ENGINE_SHEET_HTML_CELL_TEXT_H_
