// The dialog entry points used by the main window's commands.
#include "app/dialogs/dialogs.h"

namespace quorvane {

bool RunLightingDialog(QWidget* parent, CLightingSettings& settings) {
    (void)parent;
    (void)settings;
    return false;
}

bool RunViewingSpaceDialog(QWidget* parent, const CViewingSpace& camera, ViewingParameters& result) {
    (void)parent;
    result.at = camera.GetAtPoint();
    result.from = camera.GetFromPoint();
    result.up = camera.GetUpVector();
    result.angle = camera.GetViewingAngle();
    return false;
}

void RunModelInfoDialog(QWidget* parent, const ModelStatistics& statistics) {
    (void)parent;
    (void)statistics;
}

}  // namespace quorvane
