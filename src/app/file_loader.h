// Reading a model without freezing the window: the file is read and parsed on a worker thread into
// a document of its own while the window keeps repainting; a read that takes longer than half a
// second shows a progress dialog with a Cancel button. User input outside that dialog is held off
// meanwhile; other events (a close of the window, requests of a second start) go on.
#pragma once

#include <QString>
#include <atomic>

#include "model/document.h"

class QWidget;

namespace quorvane {

// How long a read may take before the progress dialog appears, in milliseconds.
inline constexpr int kProgressDelayMs = 500;

// How a background read ended.
enum class LoadStatus {
    kLoaded,      // the strict reading accepted the file
    kRepairable,  // the strict reading refused it, the repairing reading accepted it
    kRefused,     // the file could not be read or neither reading accepts it
    kCancelled,   // the read was given up
};

struct LoadResult {
    LoadStatus status = LoadStatus::kRefused;
    // The model read (strictly for kLoaded, with repairs for kRepairable); empty otherwise.
    CQuorvaneDoc document;
    // Why the strict reading refused the file (kRepairable), why the repairing reading refused it
    // too (kRefused), or why it could not be read (line 0).
    OffError error;
    // The repairs made, for kRepairable.
    OffRepairReport repairs;
    // The system refused the worker thread, so the file was read on the calling thread.
    bool readWithoutWorker = false;
};

// Reads the OFF file at `path` once; when the strict reading refuses it, the same text is read
// again with repairs, so the caller can offer them. Returns when the work is over or was given up:
// setting `cancel` (from an event handled meanwhile, or by the progress dialog's Cancel) gives it
// up. `progressParent` owns the progress dialog.
LoadResult LoadDocumentInBackground(const QString& path, QWidget* progressParent, std::atomic<bool>& cancel);

}  // namespace quorvane
