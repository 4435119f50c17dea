// The OFF writer: the exact bytes a model is saved as.
#pragma once

#include <string>

#include "model/document.h"

namespace quorvane {

// Writes `doc` as OFF text into `out`: "OFF", the counts line (vertices, polygons, sides), a
// "%f %f %f" line per vertex and the face text of each polygon, every line ended by CR LF.
// A coordinate that is not a finite number refuses the whole model (false with `error` set),
// since its text would read back as another number.
bool WriteOffText(const CQuorvaneDoc& doc, std::string& out, std::string* error);

}  // namespace quorvane
