#include "ui/images/images.h"

#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitVexloImages() { Q_INIT_RESOURCE(vexlo_images); }

namespace vexlo::ui {

void InitImages() {
  static const bool done = (InitVexloImages(), true);
  (void)done;
}

}  // namespace vexlo::ui
