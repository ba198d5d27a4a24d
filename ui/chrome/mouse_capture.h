// Mouse capture for skin controls: one widget at a time holds the capture and then receives every
// mouse move, also outside itself. The widget that loses the capture, for whatever reason (it
// released it, another widget took it, a modal window opened, it was hidden), is told with a
// capture-changed event (CaptureChangedEvent) sent to it at once. UI thread only.
#ifndef VEXLO_UI_CHROME_MOUSE_CAPTURE_H_
#define VEXLO_UI_CHROME_MOUSE_CAPTURE_H_

#include <QEvent>
#include <cstdint>

class QWidget;

namespace vexlo::ui {

// The message number of the capture-changed notice.
inline constexpr uint32_t wm_capturechanged = 533;

// The event type sent to the widget that lost the capture.
QEvent::Type CaptureChangedEvent();

// Gives `widget` the capture; the previous holder (if another widget) gets the notice.
void setcapture(QWidget* widget);
// Ends the capture; the holder gets the notice. Does nothing when no widget holds it.
void releasecapture();
// The widget that holds the capture, or nullptr.
QWidget* getcapture();

}  // namespace vexlo::ui

#endif  // VEXLO_UI_CHROME_MOUSE_CAPTURE_H_
