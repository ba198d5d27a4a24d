// The pictures built into the program: ":/images/back.jpg" (the main window's background),
// ":/images/output.jpg" (the progress window) and ":/images/vexlo.png" (the application icon).
#ifndef VEXLO_UI_IMAGES_IMAGES_H_
#define VEXLO_UI_IMAGES_IMAGES_H_

namespace vexlo::ui {

// Registers the resources; safe to call more than once.
void InitImages();

}  // namespace vexlo::ui

#endif  // VEXLO_UI_IMAGES_IMAGES_H_
