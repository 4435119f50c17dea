// The camera that frames a model's bounding box: looking along -z at the box centre, y up, 45 degrees.
#pragma once

#include "model/document.h"
#include "viewing/viewing_space.h"

namespace quorvane {

// Frames the box given by its six bounds; a box of no size is framed as if it were one unit wide.
void SetDefaultView(CViewingSpace& camera, double maxX, double minX, double maxY, double minY, double maxZ,
                    double minZ);

// Frames the bounding box the document computed when it read the model.
void SetDefaultView(CViewingSpace& camera, const CQuorvaneDoc& doc);

}  // namespace quorvane
