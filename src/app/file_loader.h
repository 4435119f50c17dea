// Reading a model without freezing the window: the file is read on a worker thread into a document
// of its own while the window keeps repainting; a read that takes longer than half a second shows
// a progress dialog.
#pragma once

#include <QString>

#include "model/document.h"

class QWidget;

namespace quorvane {

// How long a read may take before the progress dialog appears, in milliseconds.
inline constexpr int kProgressDelayMs = 500;

// Reads the OFF file at `path` into `loaded` on a worker thread; returns when the read is over.
// User input is held back meanwhile, painting goes on. `progressParent` owns the progress dialog.
// Returns false with `error` filled when the file could not be read or was refused; `loaded` then
// holds no model.
// With options.repair the repairs made are listed in `repairs` (when given).
bool LoadDocumentInBackground(const QString& path, CQuorvaneDoc& loaded, OffError& error,
                              QWidget* progressParent, const OffReadOptions& options = {},
                              OffRepairReport* repairs = nullptr);

}  // namespace quorvane
