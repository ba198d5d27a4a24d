// w_msg: the progress window. One picture ("output.jpg", compiled in) with one line of text laid
// over it, no buttons, no input. Opened by the merge job through the host and closed by a posted
// wf_close once the job has returned. UI thread only.
#ifndef VEXLO_UI_MAIN_W_MSG_H_
#define VEXLO_UI_MAIN_W_MSG_H_

#include <QWidget>
#include <string_view>

class QLabel;

namespace vexlo::ui {

class w_msg : public QWidget {
  Q_OBJECT

 public:
  w_msg();

  // The open handling: sizes the window to its picture, colours and sets the text, shows it
  // centred on the screen and paints it at once.
  void open(std::string_view text);
  // Closes and destroys the window.
  void wf_close();

  QLabel* st_1 = nullptr;  // the text
  QLabel* p_1 = nullptr;   // the picture
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_MAIN_W_MSG_H_
