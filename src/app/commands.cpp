#include "app/commands.h"

#include <array>

namespace quorvane {

namespace {

constexpr MenuItem kSeparator{};

constexpr std::array kFileMenu{
    MenuItem{"&New", ID_FILE_NEW, "Create a new document\nNew", "Ctrl+N"},
    MenuItem{"&Open...", ID_FILE_OPEN, "Open an existing document\nOpen", "Ctrl+O"},
    MenuItem{"&Save", ID_FILE_SAVE, "Save the active document\nSave", "Ctrl+S"},
    MenuItem{"Save &As...", ID_FILE_SAVE_AS, "Save the active document with a new name\nSave As", ""},
    kSeparator,
    MenuItem{kRecentFilePlaceholder, ID_FILE_MRU_FILE1, kRecentFilePrompt, ""},
    kSeparator,
    MenuItem{"E&xit", ID_APP_EXIT, "Quit the application; prompts to save documents\nExit", ""},
};

constexpr std::array kEditMenu{
    MenuItem{"&Undo", ID_EDIT_UNDO, "Undo the last action\nUndo", "Ctrl+Z; Alt+Backspace"},
    kSeparator,
    MenuItem{"Cu&t", ID_EDIT_CUT, "Cut the selection and put it on the Clipboard\nCut", "Ctrl+X; Shift+Del"},
    MenuItem{"&Copy", ID_EDIT_COPY, "Copy the selection and put it on the Clipboard\nCopy",
             "Ctrl+C; Ctrl+Ins"},
    MenuItem{"&Paste", ID_EDIT_PASTE, "Insert Clipboard contents\nPaste", "Ctrl+V; Shift+Ins"},
};

constexpr std::array kViewMenu{
    MenuItem{"Model Information...", ID_VIEW_MODEL_INFORMATION,
             "View information on the current model.\nView Model Information", ""},
    MenuItem{"Change Viewing Parameters...", ID_VIEW_VIEWING_PARAMETERS,
             "Change the viewing parameters for the viewing space.\nChange Viewing Paramters", ""},
    MenuItem{"&Reset View to Default", ID_VIEW_RESET_VIEW,
             "Reset the view of the model to a default position.\nReset the model view to its default", ""},
    kSeparator,
    MenuItem{"Wireframe", ID_VIEW_WIREFRAME, "View the model as a wireframe model.\nSet view to Wireframe",
             ""},
    MenuItem{"S&olid", ID_VIEW_SOLID, "View the model as a solid.\nSet view to Solid", ""},
    MenuItem{"&Points", ID_VIEW_POINTS, "View the current model as points only.\nView as Points", ""},
    kSeparator,
    MenuItem{"&Status Bar", ID_VIEW_STATUS_BAR, "Show or hide the status bar\nToggle StatusBar", ""},
};

constexpr std::array kControlMenu{
    MenuItem{"&Viewing Mode", ID_CONTROL_VIEWING_MODE,
             "Viewing mode for rotating and zooming the model.\nViewing Mode", ""},
    MenuItem{"&Editing Mode", ID_CONTROL_EDITING_MODE,
             "Editing mode for modifying the current model.\nEdit the current model.", ""},
};

constexpr std::array kToolsMenu{
    MenuItem{"Change &Background Color...", ID_TOOLS_BACKGROUND_COLOR,
             "Change the background color of the viewing space.\nChange the Background Color", ""},
    MenuItem{"Adjust Lighting and Colors...", ID_TOOLS_LIGHTING,
             "Adjust the lighting and color parameters for viewing.\nAdjust the Lighting and Colors", ""},
};

constexpr std::array kHelpMenu{
    MenuItem{"&About Quorvane...", ID_APP_ABOUT,
             "Display program information, version number and copyright\nAbout", ""},
};

constexpr std::array kMenuBar{
    MenuDefinition{"&File", kFileMenu},   MenuDefinition{"&Edit", kEditMenu},
    MenuDefinition{"&View", kViewMenu},   MenuDefinition{"&Control Mode", kControlMenu},
    MenuDefinition{"&Tools", kToolsMenu}, MenuDefinition{"&Help", kHelpMenu},
};

}  // namespace

std::span<const MenuDefinition> MenuBar() {
    return kMenuBar;
}

std::string_view PromptText(std::string_view prompt) {
    const std::size_t newline = prompt.find('\n');
    return newline == std::string_view::npos ? prompt : prompt.substr(0, newline);
}

}  // namespace quorvane
