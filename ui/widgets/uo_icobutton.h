// uo_icobutton: the skin's button. An image part p_1 (a uo_picbutton2) with hover and pressed
// images, a hidden caption st_1, and a tooltip shown while the pointer rests on the image. The
// owner gives the image names relative to the program's data folder, the tooltip
// text and the caption when it creates the button; the button raises ue_clicked for every click
// on the image or the caption, and the owner connects its command there. UI thread only.
#ifndef VEXLO_UI_WIDGETS_UO_ICOBUTTON_H_
#define VEXLO_UI_WIDGETS_UO_ICOBUTTON_H_

#include <QWidget>
#include <memory>
#include <optional>
#include <string>

#include "app/event_guard.h"

class QLabel;

namespace vexlo::ui {

class uo_picbutton2;
class uo_tooltip;

class uo_icobutton : public QWidget {
  Q_OBJECT

 public:
  // The instance values the owner sets when it places the button.
  struct Values {
    std::string s_up1;  // normal image, e.g. "resource/ks.jpg"
    std::string s_up2;  // mouse-over (and pressed) image
    std::string s_up3;  // disabled image
    std::string s_tag;  // tooltip text; blank: no tooltip
    std::string s_text; // caption (hidden)
  };

  // The images are found in `data_folder` (the program's own files); clicks run through `events`.
  uo_icobutton(QWidget* parent, app::Events& events, const std::string& data_folder,
               Values values);
  ~uo_icobutton() override;

  std::string s_up1, s_up2, s_up3, s_tag, s_text;

  uo_picbutton2* p_1 = nullptr;
  QLabel* st_1 = nullptr;
  std::unique_ptr<uo_tooltip> tooltip;

  // Re-applies the instance values to the children, names taken as they are.
  void ue_flash();
  // Switches the image part between normal (true) and disabled (false or null).
  void ue_enabled(std::optional<bool> b_enabled);

 signals:
  // The owner's command; raised from the posted click of p_1 or a click on st_1.
  void ue_clicked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // With the keyboard focus (an owner may give it), Space and Enter click the button.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Steps 3 to 9 of construction: pictures, tag and caption, each name prefixed with `folder`.
  void ApplyValues(const std::string& folder);
  void PictureMouseMove();

  app::Events& events_;
};

}  // namespace vexlo::ui

#endif  // VEXLO_UI_WIDGETS_UO_ICOBUTTON_H_
