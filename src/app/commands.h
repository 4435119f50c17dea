// The command vocabulary of the main window: command ids, menu texts, shortcuts and status-bar
// prompts. Plain data without any toolkit, so the menu can be checked against it in tests.
#pragma once

#include <span>
#include <string_view>

namespace quorvane {

// Standard commands keep their traditional ids; the program's own run from 32771 to 32780.
inline constexpr int ID_SEPARATOR = 0;
inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_FILE_SAVE_AS = 57604;
inline constexpr int ID_FILE_MRU_FILE1 = 57616;
inline constexpr int ID_APP_EXIT = 57665;
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_VIEW_MODEL_INFORMATION = 32772;
inline constexpr int ID_VIEW_VIEWING_PARAMETERS = 32775;
inline constexpr int ID_VIEW_RESET_VIEW = 32773;
inline constexpr int ID_VIEW_WIREFRAME = 32776;
inline constexpr int ID_VIEW_SOLID = 32777;
inline constexpr int ID_VIEW_POINTS = 32778;
inline constexpr int ID_VIEW_STATUS_BAR = 59393;
inline constexpr int ID_CONTROL_VIEWING_MODE = 32779;
inline constexpr int ID_CONTROL_EDITING_MODE = 32780;
inline constexpr int ID_TOOLS_BACKGROUND_COLOR = 32771;
inline constexpr int ID_TOOLS_LIGHTING = 32774;
inline constexpr int ID_APP_ABOUT = 57664;

// Status-bar indicator ids, in pane order after the message pane.
inline constexpr int ID_INDICATOR_CAPS = 59137;
inline constexpr int ID_INDICATOR_NUM = 59138;
inline constexpr int ID_INDICATOR_SCRL = 59139;

// One row of a menu. A separator has id ID_SEPARATOR and no text. `prompt` is the whole
// status-bar string: the prompt, a newline, then a short name. `shortcuts` lists key sequences
// in portable text form ("Ctrl+N"), the one shown in the menu first, separated by "; ".
struct MenuItem {
    std::string_view text;
    int id = ID_SEPARATOR;
    std::string_view prompt;
    std::string_view shortcuts;
};

struct MenuDefinition {
    std::string_view title;
    std::span<const MenuItem> items;
};

// The menu bar, menu by menu, in order. The File menu's "Recent File" row stands for the whole
// recent-file list.
std::span<const MenuDefinition> MenuBar();

// The text shown in the status bar for a prompt: everything before the first newline.
std::string_view PromptText(std::string_view prompt);

// The idle text of the message pane and the application title.
inline constexpr std::string_view kIdleMessage = "Ready";
inline constexpr std::string_view kAppTitle = "Quorvane";
inline constexpr std::string_view kRecentFilePrompt = "Open this document";
inline constexpr std::string_view kRecentFilePlaceholder = "Recent File";

}  // namespace quorvane
