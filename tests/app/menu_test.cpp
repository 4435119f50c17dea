// The menu bar, its shortcuts and prompts, the check marks of the modes and the status bar.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTemporaryDir>
#include <QTest>
#include <ostream>

#include "app/commands.h"
#include "app/view_widget.h"
#include "app_test_support.h"

namespace quorvane {
namespace {

using testing::FakePrompts;

// One row of the menu bar as the user sees it: "text\tshown shortcut", the command id, the
// status-bar string and any further shortcuts. A separator has id 0.
struct Row {
    const char* text;
    int id;
    const char* prompt;
    std::vector<QKeySequence> extraKeys;
};

struct Menu {
    const char* title;
    std::vector<Row> rows;
};

const std::vector<Menu>& ExpectedMenuBar() {
    static const std::vector<Menu> menus{
        {"&File",
         {{"&New\tCtrl+N", 57600, "Create a new document\nNew", {}},
          {"&Open...\tCtrl+O", 57601, "Open an existing document\nOpen", {}},
          {"&Save\tCtrl+S", 57603, "Save the active document\nSave", {}},
          {"Save &As...", 57604, "Save the active document with a new name\nSave As", {}},
          {"", 0, "", {}},
          {"Recent File", 57616, "Open this document", {}},
          {"", 0, "", {}},
          {"E&xit", 57665, "Quit the application; prompts to save documents\nExit", {}}}},
        {"&Edit",
         {{"&Undo\tCtrl+Z", 57643, "Undo the last action\nUndo", {QKeySequence(Qt::ALT | Qt::Key_Backspace)}},
          {"", 0, "", {}},
          {"Cu&t\tCtrl+X",
           57635,
           "Cut the selection and put it on the Clipboard\nCut",
           {QKeySequence(Qt::SHIFT | Qt::Key_Delete)}},
          {"&Copy\tCtrl+C",
           57634,
           "Copy the selection and put it on the Clipboard\nCopy",
           {QKeySequence(Qt::CTRL | Qt::Key_Insert)}},
          {"&Paste\tCtrl+V",
           57637,
           "Insert Clipboard contents\nPaste",
           {QKeySequence(Qt::SHIFT | Qt::Key_Insert)}}}},
        {"&View",
         {{"Model Information...",
           32772,
           "View information on the current model.\nView Model Information",
           {}},
          {"Change Viewing Parameters...",
           32775,
           "Change the viewing parameters for the viewing space.\nChange Viewing Paramters",
           {}},
          {"&Reset View to Default",
           32773,
           "Reset the view of the model to a default position.\nReset the model view to its default",
           {}},
          {"", 0, "", {}},
          {"Wireframe", 32776, "View the model as a wireframe model.\nSet view to Wireframe", {}},
          {"S&olid", 32777, "View the model as a solid.\nSet view to Solid", {}},
          {"&Points", 32778, "View the current model as points only.\nView as Points", {}},
          {"", 0, "", {}},
          {"&Status Bar", 59393, "Show or hide the status bar\nToggle StatusBar", {}}}},
        {"&Control Mode",
         {{"&Viewing Mode", 32779, "Viewing mode for rotating and zooming the model.\nViewing Mode", {}},
          {"&Editing Mode",
           32780,
           "Editing mode for modifying the current model.\nEdit the current model.",
           {}}}},
        {"&Tools",
         {{"Change &Background Color...",
           32771,
           "Change the background color of the viewing space.\nChange the Background Color",
           {}},
          {"Adjust Lighting and Colors...",
           32774,
           "Adjust the lighting and color parameters for viewing.\nAdjust the Lighting and Colors",
           {}}}},
        {"&Help",
         {{"&About Quorvane...",
           57664,
           "Display program information, version number and copyright\nAbout",
           {}}}},
    };
    return menus;
}

class MenuTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        frame = std::make_unique<CMainFrame>(&prompts, CRecentFileProfile(dir.filePath("Quorvane.ini")));
        frame->show();
    }

    QTemporaryDir dir;
    FakePrompts prompts;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(MenuTest, MenuBarMatchesTheCommandTableRowForRow) {
    const QList<QAction*> menus = frame->menuBar()->actions();
    const auto& expected = ExpectedMenuBar();
    ASSERT_EQ(menus.size(), static_cast<qsizetype>(expected.size()));
    for (std::size_t m = 0; m < expected.size(); ++m) {
        SCOPED_TRACE(expected[m].title);
        EXPECT_EQ(menus[m]->text(), QString::fromUtf8(expected[m].title));
        QList<QAction*> items = menus[m]->menu()->actions();
        // Of the recent-file rows only the visible "Recent File" row counts while the list is empty.
        items.removeIf([](QAction* a) { return !a->isSeparator() && !a->isVisible(); });
        ASSERT_EQ(items.size(), static_cast<qsizetype>(expected[m].rows.size()));
        for (std::size_t i = 0; i < expected[m].rows.size(); ++i) {
            const Row& row = expected[m].rows[i];
            SCOPED_TRACE(row.text);
            QAction* item = items[i];
            if (row.id == 0) {
                EXPECT_TRUE(item->isSeparator());
                continue;
            }
            const QStringList parts = QString::fromUtf8(row.text).split('\t');
            EXPECT_EQ(item->text(), parts[0]);
            EXPECT_EQ(item->data().toInt(), row.id);
            EXPECT_EQ(item->statusTip(), QString::fromUtf8(row.prompt).section('\n', 0, 0));
            QList<QKeySequence> keys;
            if (parts.size() > 1) {
                keys.append(QKeySequence::fromString(parts[1], QKeySequence::PortableText));
            }
            keys.append(QList<QKeySequence>(row.extraKeys.begin(), row.extraKeys.end()));
            EXPECT_EQ(item->shortcuts(), keys);
            EXPECT_EQ(frame->Action(row.id), item);
        }
    }
}

TEST_F(MenuTest, OnlyUndoCutPasteAndTheEmptyRecentRowAreGreyed) {
    for (int id : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_PASTE, ID_FILE_MRU_FILE1}) {
        EXPECT_FALSE(frame->Action(id)->isEnabled()) << id;
    }
    for (int id :
         {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_APP_EXIT, ID_EDIT_COPY,
          ID_VIEW_MODEL_INFORMATION, ID_VIEW_VIEWING_PARAMETERS, ID_VIEW_RESET_VIEW, ID_VIEW_WIREFRAME,
          ID_VIEW_SOLID, ID_VIEW_POINTS, ID_VIEW_STATUS_BAR, ID_CONTROL_VIEWING_MODE, ID_CONTROL_EDITING_MODE,
          ID_TOOLS_BACKGROUND_COLOR, ID_TOOLS_LIGHTING, ID_APP_ABOUT}) {
        EXPECT_TRUE(frame->Action(id)->isEnabled()) << id;
    }
}

// The ids of the checked actions among `ids`.
std::vector<int> Checked(const CMainFrame& frame, std::initializer_list<int> ids) {
    std::vector<int> checked;
    for (int id : ids) {
        if (frame.Action(id)->isChecked()) {
            checked.push_back(id);
        }
    }
    return checked;
}

TEST_F(MenuTest, EachModeCommandLeavesExactlyOneCheckMarkPerGroup) {
    const auto drawing = {ID_VIEW_WIREFRAME, ID_VIEW_SOLID, ID_VIEW_POINTS};
    const auto control = {ID_CONTROL_VIEWING_MODE, ID_CONTROL_EDITING_MODE};
    EXPECT_EQ(Checked(*frame, drawing), std::vector<int>{ID_VIEW_WIREFRAME});
    EXPECT_EQ(Checked(*frame, control), std::vector<int>{ID_CONTROL_VIEWING_MODE});

    struct Step {
        int command;
        int drawingChecked;
        int controlChecked;
    };
    const Step steps[] = {
        {ID_VIEW_SOLID, ID_VIEW_SOLID, ID_CONTROL_VIEWING_MODE},
        {ID_VIEW_SOLID, ID_VIEW_SOLID, ID_CONTROL_VIEWING_MODE},
        {ID_CONTROL_EDITING_MODE, ID_VIEW_SOLID, ID_CONTROL_EDITING_MODE},
        {ID_VIEW_POINTS, ID_VIEW_POINTS, ID_CONTROL_EDITING_MODE},
        {ID_CONTROL_EDITING_MODE, ID_VIEW_POINTS, ID_CONTROL_EDITING_MODE},
        {ID_VIEW_WIREFRAME, ID_VIEW_WIREFRAME, ID_CONTROL_EDITING_MODE},
        {ID_CONTROL_VIEWING_MODE, ID_VIEW_WIREFRAME, ID_CONTROL_VIEWING_MODE},
        {ID_VIEW_RESET_VIEW, ID_VIEW_WIREFRAME, ID_CONTROL_VIEWING_MODE},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.command);
        frame->Action(step.command)->trigger();
        EXPECT_EQ(Checked(*frame, drawing), std::vector<int>{step.drawingChecked});
        EXPECT_EQ(Checked(*frame, control), std::vector<int>{step.controlChecked});
    }
    // The view agrees with the marks.
    const CQuorvaneView& view = frame->ViewWidget()->View();
    EXPECT_EQ(view.GetDrawingMode(), DrawingMode::kWireframe);
    EXPECT_TRUE(view.IsViewingMode() && !view.IsEditingMode());
}

TEST_F(MenuTest, StatusBarItemHidesAndRestoresTheBarWithItsCheckMark) {
    QAction* toggle = frame->Action(ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(toggle->isChecked());
    toggle->trigger();
    EXPECT_TRUE(frame->statusBar()->isHidden());
    EXPECT_FALSE(toggle->isChecked());
    toggle->trigger();
    EXPECT_FALSE(frame->statusBar()->isHidden());
    EXPECT_TRUE(toggle->isChecked());
}

TEST_F(MenuTest, StatusBarShowsThePromptOfTheItemUnderTheCursorThenReady) {
    QStatusBar* bar = frame->statusBar();
    EXPECT_EQ(frame->MessagePane()->text(), QStringLiteral("Ready"));
    frame->Action(ID_VIEW_SOLID)->showStatusText(frame.get());
    EXPECT_EQ(bar->currentMessage(), QStringLiteral("View the model as a solid."));
    QStatusTipEvent leave{QString()};
    QApplication::sendEvent(frame.get(), &leave);
    EXPECT_TRUE(bar->currentMessage().isEmpty());
    EXPECT_EQ(frame->MessagePane()->text(), QStringLiteral("Ready"));
}

// The menu of the menu bar titled `title`, opened from the bar as a click on its title opens it.
QMenu* OpenMenu(CMainFrame& frame, const char* title) {
    for (QAction* action : frame.menuBar()->actions()) {
        if (action->text() == QLatin1String(title)) {
            frame.menuBar()->setActiveAction(action);
            QMenu* menu = action->menu();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(menu));
            return menu;
        }
    }
    ADD_FAILURE() << "no menu " << title;
    return nullptr;
}

// The mouse comes to rest on `action` of the open `menu`.
void Hover(QMenu* menu, QAction* action) {
    const QPointF at = QRectF(menu->actionGeometry(action)).center();
    QMouseEvent move(QEvent::MouseMove, at, menu->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(menu, &move);
}

struct GreyedItem {
    const char* name;
    const char* menu;
    int id;
    const char* prompt;
};

void PrintTo(const GreyedItem& item, std::ostream* out) {
    *out << item.name;
}

class MenuGreyedItem : public MenuTest, public ::testing::WithParamInterface<GreyedItem> {};

TEST_P(MenuGreyedItem, ShowsItsPromptUnderTheMouseAndReadyAfterwards) {
    const GreyedItem& item = GetParam();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    QStatusBar* bar = frame->statusBar();
    QMenu* menu = OpenMenu(*frame, item.menu);
    ASSERT_NE(menu, nullptr);
    QAction* greyed = frame->Action(item.id);
    ASSERT_NE(greyed, nullptr);
    ASSERT_FALSE(greyed->isEnabled());
    Hover(menu, greyed);
    EXPECT_EQ(bar->currentMessage(), QString::fromUtf8(item.prompt));
    menu->hide();
    EXPECT_TRUE(bar->currentMessage().isEmpty());
    EXPECT_EQ(frame->MessagePane()->text(), QStringLiteral("Ready"));
}

INSTANTIATE_TEST_SUITE_P(
    AlwaysGreyed, MenuGreyedItem,
    ::testing::Values(GreyedItem{"Undo", "&Edit", ID_EDIT_UNDO, "Undo the last action"},
                      GreyedItem{"Cut", "&Edit", ID_EDIT_CUT,
                                 "Cut the selection and put it on the Clipboard"},
                      GreyedItem{"Paste", "&Edit", ID_EDIT_PASTE, "Insert Clipboard contents"},
                      GreyedItem{"EmptyRecentFileList", "&File", ID_FILE_MRU_FILE1, "Open this document"}),
    [](const ::testing::TestParamInfo<GreyedItem>& info) { return info.param.name; });

TEST_F(MenuTest, MovingBetweenGreyedAndOtherItemsAlwaysShowsThePromptUnderTheMouse) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    QStatusBar* bar = frame->statusBar();
    QMenu* edit = OpenMenu(*frame, "&Edit");
    ASSERT_NE(edit, nullptr);
    QAction* separator = nullptr;
    for (QAction* action : edit->actions()) {
        separator = action->isSeparator() ? action : separator;
    }
    ASSERT_NE(separator, nullptr);
    const struct {
        QAction* item;
        const char* shown;
    } steps[] = {
        {frame->Action(ID_EDIT_COPY), "Copy the selection and put it on the Clipboard"},
        {frame->Action(ID_EDIT_CUT), "Cut the selection and put it on the Clipboard"},
        {frame->Action(ID_EDIT_PASTE), "Insert Clipboard contents"},
        {frame->Action(ID_EDIT_COPY), "Copy the selection and put it on the Clipboard"},
        {frame->Action(ID_EDIT_UNDO), "Undo the last action"},
        {separator, ""},
        {frame->Action(ID_EDIT_CUT), "Cut the selection and put it on the Clipboard"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.shown);
        Hover(edit, step.item);
        EXPECT_EQ(bar->currentMessage(), QString::fromUtf8(step.shown));
    }
    // Escape closes the menu: the idle text is back.
    QTest::keyClick(edit, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(edit->isVisible());
    EXPECT_TRUE(bar->currentMessage().isEmpty());
    EXPECT_EQ(frame->MessagePane()->text(), QStringLiteral("Ready"));
}

TEST_F(MenuTest, StatusBarHasTheMessagePaneAndThreeIndicatorsInOrder) {
    QLabel* caps = frame->Indicator(ID_INDICATOR_CAPS);
    QLabel* num = frame->Indicator(ID_INDICATOR_NUM);
    QLabel* scroll = frame->Indicator(ID_INDICATOR_SCRL);
    ASSERT_TRUE(caps && num && scroll);
    EXPECT_LT(frame->MessagePane()->x(), caps->x());
    EXPECT_LT(caps->x(), num->x());
    EXPECT_LT(num->x(), scroll->x());
    // The offscreen platform cannot tell the lock states: the indicators stay blank.
    EXPECT_TRUE(caps->text().isEmpty());
    EXPECT_TRUE(num->text().isEmpty());
    EXPECT_TRUE(scroll->text().isEmpty());
}

TEST_F(MenuTest, AboutAndModelInformationGoThroughThePrompts) {
    frame->Action(ID_APP_ABOUT)->trigger();
    EXPECT_EQ(prompts.aboutShown, 1);
    frame->Action(ID_VIEW_MODEL_INFORMATION)->trigger();
    EXPECT_EQ(prompts.modelInformationShown, 1);
    EXPECT_EQ(prompts.shownStatistics, ModelStatistics{});
}

TEST(CommandTable, PromptTextIsTheTextBeforeTheNewline) {
    EXPECT_EQ(PromptText("Create a new document\nNew"), "Create a new document");
    EXPECT_EQ(PromptText("Open this document"), "Open this document");
    for (const MenuDefinition& menu : MenuBar()) {
        for (const MenuItem& item : menu.items) {
            EXPECT_EQ(PromptText(item.prompt).find('\n'), std::string_view::npos);
        }
    }
}

}  // namespace
}  // namespace quorvane
