// The dialog entry points used by the main window's commands.
#include "app/dialogs/dialogs.h"

#include "app/dialogs/dialog_services.h"
#include "app/dialogs/lighting_dlg.h"
#include "app/dialogs/model_info_dlg.h"
#include "app/dialogs/viewing_space_dlg.h"

namespace quorvane {

bool RunLightingDialog(QWidget* parent, CLightingSettings& settings) {
    CLightingDlg dialog(parent);
    dialog.SetSettings(settings);
    if (RunModal(dialog) != QDialog::Accepted) {
        return false;
    }
    settings = dialog.GetSettings();
    return true;
}

bool RunViewingSpaceDialog(QWidget* parent, const CViewingSpace& camera, ViewingParameters& result) {
    CViewingSpaceDlg dialog(parent);
    dialog.SetAtPoint(camera.GetAtPoint());
    dialog.SetFromPoint(camera.GetFromPoint());
    dialog.SetUpVector(camera.GetUpVector());
    dialog.m_viewingAngle = camera.GetViewingAngle();
    dialog.ShowValues();
    if (RunModal(dialog) != QDialog::Accepted) {
        return false;
    }
    result.at = dialog.GetAtPoint();
    result.from = dialog.GetFromPoint();
    result.up = dialog.GetUpVector();
    result.angle = dialog.m_viewingAngle;
    return true;
}

void RunModelInfoDialog(QWidget* parent, const ModelStatistics& statistics) {
    CModelInfoDlg dialog(parent);
    // "%d": plain decimal, no digit grouping.
    dialog.SetVertices(QString::number(statistics.vertices));
    dialog.SetPolygons(QString::number(statistics.polygons));
    dialog.SetEdges(QString::number(statistics.edges));
    dialog.SetUniqueEdges(QString::number(statistics.uniqueEdges));
    dialog.SetLargestPolygon(QString::number(statistics.largestPolygon));
    dialog.SetTriangles(QString::number(statistics.triangles));
    RunModal(dialog);
}

}  // namespace quorvane
