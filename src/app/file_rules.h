// Rules for document file names and the texts the main window shows about files. No toolkit.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/document.h"
#include "viewing/viewing_space.h"

namespace quorvane {

// The default extension of documents, with its dot.
inline constexpr std::string_view kDefaultExtension = ".off";
// The title of a document that has no file yet.
inline constexpr std::string_view kUntitled = "Untitled";

// `path` with ".off" appended when its file name (after the last '/') has no extension; a name
// that already has one, or ends with a dot, is kept as typed.
std::string EnsureDefaultExtension(std::string_view path);

// The document title for `path`: its file name, or "Untitled" for an empty path.
std::string DocumentTitle(std::string_view path);

// `text` with every "[*]" doubled, so that Qt's window title shows it as it stands instead of
// taking it for the modified placeholder.
std::string EscapeTitlePlaceholder(std::string_view text);

// The window caption: the title (its "[*]" escaped), " (repaired)" for a model opened with repairs,
// Qt's modified placeholder "[*]", " - Quorvane".
std::string FrameCaption(std::string_view documentTitle, bool repaired = false);

// "Save changes to NAME?"
std::string SaveChangesQuestion(std::string_view documentTitle);

// The message for a file that could not be opened or was refused: the path, then the line
// number (when the reader gave one) and the reason.
std::string OpenFailureMessage(std::string_view path, const OffError& error);

// The refusal of the strict reading followed by the offer to open the file with repairs.
std::string RepairOfferMessage(std::string_view path, const OffError& error, const OffRepairReport& repairs);
// What was repaired in a file opened with repairs.
std::string RepairSummaryMessage(std::string_view path, const OffRepairReport& repairs);
// "Opened with N repairs" ("1 repair").
std::string RepairStatusText(const OffRepairReport& repairs);

// The message for a save that failed: the path and the system's reason.
std::string SaveFailureMessage(std::string_view path, std::string_view reason);

// What writing a model opened with repairs over its source loses, one line per kind of repair
// that removed something from the file ("12 comment lines", "3 dropped polygons ...").
std::vector<std::string> RepairedSaveLosses(const OffRepairReport& repairs);

// The question before a model opened with repairs is written over the file it came from: names the
// file and what will be lost, and offers Save As.
std::string RepairedSaveQuestion(std::string_view documentTitle, const OffRepairReport& repairs);

// The message for a recent-file entry whose file is gone.
std::string MissingFileMessage(std::string_view path);

// The message pane's text while the camera has no usable basis, naming what makes it so
// (DescribeCameraFault): "The camera is degenerate: the From Point equals the At Point".
std::string DegenerateCameraMessage(const CViewingSpace& camera);

}  // namespace quorvane
