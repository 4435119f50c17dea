// The four modal dialogs, each run on a copy of what it edits.
#pragma once

#include "geometry/vector3d.h"
#include "model/statistics.h"
#include "render/lighting.h"
#include "viewing/viewing_space.h"

class QWidget;

namespace quorvane {

// "Lighting and Color Settings": edits a copy of `settings`; on OK copies it back and returns true.
bool RunLightingDialog(QWidget* parent, CLightingSettings& settings);

// The camera as the viewing-parameters dialog shows and returns it.
struct ViewingParameters {
    CVector3D at;
    CVector3D from;
    CVector3D up;
    double angle = 45.0;
};

// "Viewing Space Parameters": shows `camera`; on OK fills `result` and returns true.
bool RunViewingSpaceDialog(QWidget* parent, const CViewingSpace& camera, ViewingParameters& result);

// "Current Model Information": shows the six numbers until OK or Escape.
void RunModelInfoDialog(QWidget* parent, const ModelStatistics& statistics);

}  // namespace quorvane
