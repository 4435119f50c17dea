// Opening, saving and the recent-file list through the main window; start-up from the command
// line; dropped files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <QWindow>
#include <atomic>
#include <functional>
#include <ostream>

#include "app/application.h"
#include "app/commands.h"
#include "app/file_loader.h"
#include "app/file_rules.h"
#include "app/view_widget.h"
#include "app_test_support.h"
#include "model/file_io.h"
#include "model/input_limit.h"
#include "model/thread_start.h"

namespace quorvane {
namespace {

using testing::CopyModel;
using testing::FakePrompts;
using testing::WriteFile;

class FrameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        profilePath = dir.filePath("Quorvane.ini");
        frame = MakeFrame();
    }

    std::unique_ptr<CMainFrame> MakeFrame() {
        auto made = std::make_unique<CMainFrame>(&prompts, CRecentFileProfile(profilePath));
        made->resize(640, 520);
        made->show();
        return made;
    }

    QStringList RecentEntries() const {
        QStringList entries;
        for (const std::string& entry : frame->RecentFiles().Entries()) {
            entries << QString::fromStdString(entry);
        }
        return entries;
    }

    QTemporaryDir dir;
    QString profilePath;
    FakePrompts prompts;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(FrameTest, StartsUntitledWithAnEmptyModel) {
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Untitled[*] - Quorvane"));
    EXPECT_FALSE(frame->isWindowModified());
    EXPECT_EQ(frame->Document().m_nVertices, 0);
    EXPECT_FALSE(frame->Action(ID_FILE_MRU_FILE1)->isEnabled());
}

TEST_F(FrameTest, OpenCommandOpensTheChosenFileAndListsIt) {
    prompts.openAnswer = CopyModel(dir, "cube.off", "cube.off");
    frame->Action(ID_FILE_OPEN)->trigger();
    EXPECT_EQ(frame->Document().m_nVertices, 8);
    EXPECT_EQ(frame->PathName(), prompts.openAnswer);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("cube.off[*] - Quorvane"));
    EXPECT_EQ(RecentEntries(), QStringList{prompts.openAnswer});
    QAction* entry = frame->Action(ID_FILE_MRU_FILE1);
    EXPECT_TRUE(entry->isEnabled());
    EXPECT_TRUE(entry->isVisible());
    EXPECT_TRUE(entry->text().startsWith(QStringLiteral("&1 ")));
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(FrameTest, SixOpenedFilesLeaveTheFiveNewestInMenuAndProfile) {
    QStringList paths;
    for (int i = 1; i <= 6; ++i) {
        paths << CopyModel(dir, "cube.off", QStringLiteral("m%1.off").arg(i));
        ASSERT_TRUE(frame->OpenDocumentFile(paths.last()));
    }
    const QStringList newestFirst{paths[5], paths[4], paths[3], paths[2], paths[1]};
    EXPECT_EQ(RecentEntries(), newestFirst);
    for (int i = 0; i < 5; ++i) {
        QAction* entry = frame->Action(ID_FILE_MRU_FILE1 + i);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->data().toInt(), ID_FILE_MRU_FILE1 + i);
        EXPECT_TRUE(entry->isVisible());
        EXPECT_TRUE(entry->text().startsWith(QStringLiteral("&%1 ").arg(i + 1)));
        EXPECT_TRUE(entry->text().endsWith(QFileInfo(newestFirst[i]).fileName()));
    }

    // The profile: section "Recent File List", keys File1 .. File5, newest first.
    QSettings ini(profilePath, QSettings::IniFormat);
    EXPECT_EQ(ini.childGroups(), QStringList{QStringLiteral("Recent File List")});
    ini.beginGroup(QStringLiteral("Recent File List"));
    EXPECT_EQ(ini.childKeys().size(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(ini.value(QStringLiteral("File%1").arg(i + 1)).toString(), newestFirst[i]);
    }

    // The file itself holds the section name and the paths as they are.
    QFile raw(profilePath);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    QByteArray expectedText = "[Recent File List]\n";
    for (int i = 0; i < 5; ++i) {
        expectedText += QStringLiteral("File%1=%2\n").arg(i + 1).arg(newestFirst[i]).toUtf8();
    }
    EXPECT_EQ(raw.readAll(), expectedText);

    // A new start reads the same list back.
    frame.reset();
    frame = MakeFrame();
    EXPECT_EQ(RecentEntries(), newestFirst);
}

TEST_F(FrameTest, ChoosingARecentEntryOpensItAndMovesItToTheFront) {
    const QString a = CopyModel(dir, "cube.off", "a.off");
    const QString b = CopyModel(dir, "torus_quads.off", "b.off");
    frame->OpenDocumentFile(a);
    frame->OpenDocumentFile(b);
    frame->Action(ID_FILE_MRU_FILE1 + 1)->trigger();
    EXPECT_EQ(frame->PathName(), a);
    EXPECT_EQ(frame->Document().m_nVertices, 8);
    EXPECT_EQ(RecentEntries(), (QStringList{a, b}));
}

TEST_F(FrameTest, RecentEntryWhoseFileIsGoneIsReportedAndRemoved) {
    const QString a = CopyModel(dir, "cube.off", "a.off");
    const QString gone = CopyModel(dir, "cube.off", "gone.off");
    frame->OpenDocumentFile(gone);
    frame->OpenDocumentFile(a);
    ASSERT_TRUE(QFile::remove(gone));
    frame->Action(ID_FILE_MRU_FILE1 + 1)->trigger();
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].contains(gone));
    EXPECT_TRUE(prompts.messages[0].contains(QStringLiteral("Cannot find this file.")));
    EXPECT_EQ(RecentEntries(), QStringList{a});
    EXPECT_EQ(frame->PathName(), a);
    QSettings ini(profilePath, QSettings::IniFormat);
    EXPECT_FALSE(ini.contains(QStringLiteral("Recent File List/File2")));
}

TEST_F(FrameTest, RefusedFileIsReportedAndKeepsModelTitleAndRecentList) {
    const QString cube = CopyModel(dir, "cube.off", "cube.off");
    ASSERT_TRUE(frame->OpenDocumentFile(cube));
    const QString bad = WriteFile(dir, "bad.off", "OFF\n2 1 0\n0 0 0\n1 1\n");
    EXPECT_FALSE(frame->OpenDocumentFile(bad));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].contains(bad));
    EXPECT_TRUE(prompts.messages[0].contains(QStringLiteral("Line 4")));
    EXPECT_EQ(frame->Document().m_nVertices, 8);
    EXPECT_EQ(frame->PathName(), cube);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("cube.off[*] - Quorvane"));
    EXPECT_EQ(RecentEntries(), QStringList{cube});
}

TEST_F(FrameTest, RepairableFileIsOpenedWithRepairsWhenChosen) {
    const QString elephant = CopyModel(dir, "elephant.off", "elephant.off");
    prompts.repairAnswer = true;
    ASSERT_TRUE(frame->OpenDocumentFile(elephant));
    ASSERT_EQ(prompts.repairOffers.size(), 1u);
    EXPECT_TRUE(prompts.repairOffers[0].contains(QStringLiteral("Line 3: blank line where vertex 1 of 2775")))
        << prompts.repairOffers[0].toStdString();
    EXPECT_TRUE(prompts.repairOffers[0].contains(QStringLiteral("can be opened with 1 repair")));
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(frame->Document().m_nVertices, 2775);
    EXPECT_EQ(frame->Document().m_nUniqueEdges, 8337);
    EXPECT_EQ(frame->PathName(), elephant);
    ASSERT_EQ(prompts.informations.size(), 1u);
    EXPECT_TRUE(prompts.informations[0].contains(QStringLiteral("line 3: skipped a blank line")))
        << prompts.informations[0].toStdString();
    EXPECT_EQ(frame->MessagePane()->text(), QStringLiteral("Opened with 1 repair"));
    frame->OnFileNew();
    EXPECT_EQ(frame->MessagePane()->text(), QStringLiteral("Ready"));
}

struct LaterAction {
    const char* name;
    std::function<void(CMainFrame&)> act;
};

void PrintTo(const LaterAction& action, std::ostream* out) {
    *out << action.name;
}

class FrameRepairNote : public FrameTest, public ::testing::WithParamInterface<LaterAction> {};

TEST_P(FrameRepairNote, GivesWayToReadyAtTheNextAction) {
    const QString elephant = CopyModel(dir, "elephant.off", "elephant.off");
    prompts.repairAnswer = true;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
    ASSERT_TRUE(frame->OpenDocumentFile(elephant));
    ASSERT_EQ(frame->MessagePane()->text(), QStringLiteral("Opened with 1 repair"));
    GetParam().act(*frame);
    QApplication::processEvents();
    EXPECT_EQ(frame->MessagePane()->text(), QStringLiteral("Ready"));
    // The model is still the repaired one.
    EXPECT_TRUE(frame->IsRepaired());
}

// A left drag across the view.
void DragInView(CMainFrame& frame) {
    QWidget* view = frame.ViewWidget();
    const QPoint start = view->rect().center();
    QTest::mousePress(view, Qt::LeftButton, {}, start);
    QTest::mouseMove(view, start + QPoint(12, 0));
    QTest::mouseRelease(view, Qt::LeftButton, {}, start + QPoint(12, 0));
}

void TurnWheelInView(CMainFrame& frame) {
    QWidget* view = frame.ViewWidget();
    const QPointF centre = QRectF(view->rect()).center();
    QWheelEvent wheel(centre, view->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
}

void OpenAndCloseTheViewMenu(CMainFrame& frame) {
    QAction* view = frame.menuBar()->actions().at(2);
    frame.menuBar()->setActiveAction(view);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->menu()));
    view->menu()->hide();
}

INSTANTIATE_TEST_SUITE_P(
    Actions, FrameRepairNote,
    ::testing::Values(
        LaterAction{"DrawingModeCommand", [](CMainFrame& f) { f.Action(ID_VIEW_SOLID)->trigger(); }},
        LaterAction{"CopyShortcut",
                    [](CMainFrame& f) { QTest::keyClick(&f, Qt::Key_C, Qt::ControlModifier); }},
        LaterAction{"ResetViewCommand", [](CMainFrame& f) { f.Action(ID_VIEW_RESET_VIEW)->trigger(); }},
        LaterAction{"MenuOpened", OpenAndCloseTheViewMenu}, LaterAction{"DragInTheView", DragInView},
        LaterAction{"WheelInTheView", TurnWheelInView}),
    [](const ::testing::TestParamInfo<LaterAction>& info) { return info.param.name; });

TEST_F(FrameTest, RepairNoteOfAStartUpFileOutlastsTheFirstShowing) {
    const QString elephant = CopyModel(dir, "elephant.off", "elephant.off");
    prompts.repairAnswer = true;
    CMainFrame hidden(&prompts, CRecentFileProfile(profilePath));
    ASSERT_TRUE(hidden.OpenDocumentFile(elephant));
    hidden.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&hidden));
    QApplication::processEvents();
    EXPECT_EQ(hidden.MessagePane()->text(), QStringLiteral("Opened with 1 repair"));
}

TEST_F(FrameTest, PointSetOpensWithRepairsInPointsMode) {
    const QString cube = CopyModel(dir, "cube.off", "cube.off");
    ASSERT_TRUE(frame->OpenDocumentFile(cube));
    ASSERT_NE(frame->ViewWidget()->View().GetDrawingMode(), DrawingMode::kPoints);
    const QString points = WriteFile(dir, "points.off", "OFF\n4 0 0\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n");
    prompts.repairAnswer = true;
    ASSERT_TRUE(frame->OpenDocumentFile(points));
    ASSERT_EQ(prompts.repairOffers.size(), 1u);
    EXPECT_EQ(frame->Document().m_nVertices, 4);
    EXPECT_EQ(frame->Document().m_nPolygons, 0);
    const CQuorvaneView& view = frame->ViewWidget()->View();
    EXPECT_EQ(view.GetDrawingMode(), DrawingMode::kPoints);
    ASSERT_EQ(prompts.informations.size(), 1u);
    EXPECT_TRUE(prompts.informations[0].contains(QStringLiteral("point set")))
        << prompts.informations[0].toStdString();
}

TEST_F(FrameTest, DecliningRepairsKeepsTheModelWithoutAnotherMessage) {
    const QString cube = CopyModel(dir, "cube.off", "cube.off");
    ASSERT_TRUE(frame->OpenDocumentFile(cube));
    prompts.repairAnswer = false;
    EXPECT_FALSE(frame->OpenDocumentFile(CopyModel(dir, "openscad_example002.off", "scad.off")));
    EXPECT_EQ(prompts.repairOffers.size(), 1u);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(prompts.informations.empty());
    EXPECT_EQ(frame->Document().m_nVertices, 8);
    EXPECT_EQ(frame->PathName(), cube);
}

TEST_F(FrameTest, FileNeitherReadingAcceptsShowsTheRepairingReadingsReason) {
    // The strict reading stops at the comment of line 2; the repairing one skips it and refuses
    // the file where it ends, at line 6, which is what repairs cannot mend.
    const QString bad = WriteFile(dir, "bad.off", "OFF\n# two vertices only\n3 1\n0 0 0\n1 0 0\n");
    EXPECT_FALSE(frame->OpenDocumentFile(bad));
    EXPECT_TRUE(prompts.repairOffers.empty());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].contains(QStringLiteral("Line 6: end of file where vertex 3 of 3")))
        << prompts.messages[0].toStdString();
    EXPECT_FALSE(prompts.messages[0].contains(QStringLiteral("Line 2"))) << prompts.messages[0].toStdString();
}

TEST_F(FrameTest, FileWhoseStartNeitherReadingAcceptsIsRefusedWithTheRepairingReason) {
    // A picture given as a model: its first bytes settle the refusal.
    QByteArray picture("\x89PNG\r\n\x1a\n", 8);
    picture.append(QByteArray(1 << 20, '\x7f'));
    const QString bad = WriteFile(dir, "picture.off", picture);
    EXPECT_FALSE(frame->OpenDocumentFile(bad));
    EXPECT_TRUE(prompts.repairOffers.empty());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].contains(
        QStringLiteral("Line 1: expected an OFF keyword on the first line, found \"\\x89PNG\"")))
        << prompts.messages[0].toStdString();
}

TEST_F(FrameTest, AFileBeyondTheInputLimitIsRefusedWithTheLimit) {
    ASSERT_TRUE(qputenv(kInputLimitVariable, "2K"));
    const bool opened = frame->OpenDocumentFile(CopyModel(dir, "teapot.off", "teapot.off"));
    qunsetenv(kInputLimitVariable);
    EXPECT_FALSE(opened);
    EXPECT_TRUE(prompts.repairOffers.empty());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].contains(QStringLiteral(
        "the file is larger than the input limit of 2.0 KiB (2048 bytes), set by QUORVANE_MAX_INPUT_BYTES")))
        << prompts.messages[0].toStdString();
    EXPECT_EQ(frame->Document().m_nVertices, 0);
}

// A camera the frame is given, and the cause its message pane must name.
struct DegenerateCameraCase {
    const char* name;
    CVector3D at;
    CVector3D from;
    CVector3D up;
    const char* cause;
};

class FrameDegenerateCamera : public FrameTest, public ::testing::WithParamInterface<DegenerateCameraCase> {};

TEST_P(FrameDegenerateCamera, MessagePaneNamesWhatMakesTheCameraDegenerate) {
    const DegenerateCameraCase& c = GetParam();
    ASSERT_TRUE(frame->OpenDocumentFile(CopyModel(dir, "cube.off", "cube.off")));
    CQuorvaneViewWidget* view = frame->ViewWidget();
    view->Apply(view->View().ApplyViewingParameters(c.at, c.from, c.up, 30.0));
    ASSERT_TRUE(view->View().IsCameraDegenerate());
    EXPECT_EQ(frame->MessagePane()->text(),
              QStringLiteral("The camera is degenerate: ") + QString::fromUtf8(c.cause));
    // A usable camera brings the usual text back.
    view->Apply(view->View().ApplyViewingParameters(CVector3D(0, 0, 0), CVector3D(0, 0, 5),
                                                    CVector3D(0, 1, 0), 30.0));
    EXPECT_EQ(frame->MessagePane()->text(), QStringLiteral("Ready"));
}

const DegenerateCameraCase kDegenerateCameras[] = {
    {"FromEqualsAt", CVector3D(1, 2, 3), CVector3D(1, 2, 3), CVector3D(0, 1, 0),
     "the From Point equals the At Point"},
    {"UpAlongTheSight", CVector3D(0, 0, 0), CVector3D(0, 0, 5), CVector3D(0, 0, 2),
     "the Up Vector is parallel to the line of sight"},
    {"ZeroUp", CVector3D(0, 0, 0), CVector3D(0, 0, 5), CVector3D(0, 0, 0), "the Up Vector is zero"},
    {"DistanceOverflows", CVector3D(-1e308, 0, 0), CVector3D(1e308, 0, 0), CVector3D(0, 1, 0),
     "the distance from the From Point to the At Point overflows double precision (the From Point, At "
     "Point and Up Vector are too large)"},
};

INSTANTIATE_TEST_SUITE_P(Cameras, FrameDegenerateCamera, ::testing::ValuesIn(kDegenerateCameras),
                         [](const ::testing::TestParamInfo<DegenerateCameraCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(FrameTest, FileThatCannotBeReadReportsTheSystemsReason) {
    const QString missing = dir.filePath("nowhere.off");
    EXPECT_FALSE(frame->OpenDocumentFile(missing));
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].contains(missing));
    EXPECT_TRUE(prompts.messages[0].contains(QStringLiteral("No such file"), Qt::CaseInsensitive))
        << prompts.messages[0].toStdString();
    EXPECT_TRUE(RecentEntries().isEmpty());
}

TEST_F(FrameTest, SaveAsAppendsOffToANameTypedWithoutExtension) {
    frame->OpenDocumentFile(CopyModel(dir, "cube.off", "cube.off"));
    prompts.saveAsAnswer = dir.filePath("copy");
    frame->Action(ID_FILE_SAVE_AS)->trigger();
    const QString saved = dir.filePath("copy.off");
    EXPECT_TRUE(QFileInfo::exists(saved));
    EXPECT_EQ(frame->PathName(), saved);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("copy.off[*] - Quorvane"));
    EXPECT_EQ(RecentEntries().first(), saved);
    CQuorvaneDoc reread;
    ASSERT_TRUE(reread.LoadFromFile(saved.toStdString()));
    EXPECT_EQ(reread.m_nVertices, 8);
}

TEST_F(FrameTest, SavingAnUntitledDocumentAsksForANameFirst) {
    prompts.saveAsAnswer.clear();
    EXPECT_FALSE(frame->OnFileSave());
    ASSERT_EQ(prompts.suggestedSaveNames.size(), 1u);
    EXPECT_TRUE(prompts.suggestedSaveNames[0].endsWith(QStringLiteral("Untitled.off")));
}

TEST_F(FrameTest, FailedSaveNamesTheFileAndKeepsTheDocumentModified) {
    frame->OpenDocumentFile(CopyModel(dir, "cube.off", "cube.off"));
    frame->Document().SetModifiedFlag(true);
    prompts.saveAsAnswer = dir.filePath("no/such/folder/x.off");
    EXPECT_FALSE(frame->OnFileSaveAs());
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].contains(prompts.saveAsAnswer));
    EXPECT_TRUE(frame->Document().IsModified());
    EXPECT_EQ(frame->PathName(), dir.filePath("cube.off"));
}

TEST_F(FrameTest, ModifiedDocumentAsksBeforeNewOpenAndClose) {
    const QString cube = CopyModel(dir, "cube.off", "cube.off");
    frame->OpenDocumentFile(cube);
    frame->Document().SetModifiedFlag(true);

    prompts.saveAnswer = SaveChoice::kCancel;
    EXPECT_FALSE(frame->OnFileNew());
    EXPECT_FALSE(frame->OpenDocumentFile(CopyModel(dir, "torus_quads.off", "t.off")));
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(prompts.saveQuestions, std::vector<QString>(3, QStringLiteral("Save changes to cube.off?")));
    EXPECT_EQ(frame->Document().m_nVertices, 8);

    // Save writes the file and clears the mark; then New goes ahead.
    prompts.saveAnswer = SaveChoice::kSave;
    EXPECT_TRUE(frame->OnFileNew());
    EXPECT_FALSE(frame->Document().IsModified());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Untitled[*] - Quorvane"));
    EXPECT_EQ(frame->Document().m_nVertices, 0);
}

TEST_F(FrameTest, RefusedOrDeclinedFileAsksNothingAboutTheModifiedModel) {
    const QString cube = CopyModel(dir, "cube.off", "cube.off");
    ASSERT_TRUE(frame->OpenDocumentFile(cube));
    frame->Document().m_vertices[0] = CVector3D(9, 9, 9);
    frame->Document().SetModifiedFlag(true);
    prompts.saveAnswer = SaveChoice::kDiscard;

    EXPECT_FALSE(frame->OpenDocumentFile(WriteFile(dir, "bad.off", "OFF\n3 1\n0 0 0\n")));
    EXPECT_FALSE(frame->OpenDocumentFile(dir.filePath("missing.off")));
    prompts.repairAnswer = false;
    EXPECT_FALSE(frame->OpenDocumentFile(CopyModel(dir, "elephant.off", "elephant.off")));

    EXPECT_TRUE(prompts.saveQuestions.empty());
    EXPECT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.repairOffers.size(), 1u);
    EXPECT_EQ(frame->PathName(), cube);
    EXPECT_TRUE(frame->Document().IsModified());
    EXPECT_EQ(frame->Document().m_vertices[0], CVector3D(9, 9, 9));
}

TEST_F(FrameTest, SaveQuestionComesOnlyAfterTheNewFileWasReadAndItsRepairsAccepted) {
    frame->OpenDocumentFile(CopyModel(dir, "cube.off", "cube.off"));
    frame->Document().SetModifiedFlag(true);
    prompts.repairAnswer = true;
    prompts.saveAnswer = SaveChoice::kDiscard;
    std::size_t offersWhenAsked = 0;
    prompts.whileAskingSaveChanges = [&] { offersWhenAsked = prompts.repairOffers.size(); };
    const QString elephant = CopyModel(dir, "elephant.off", "elephant.off");
    EXPECT_TRUE(frame->OpenDocumentFile(elephant));
    EXPECT_EQ(offersWhenAsked, 1u);
    EXPECT_EQ(prompts.saveQuestions.size(), 1u);
    EXPECT_EQ(frame->PathName(), elephant);
}

TEST_F(FrameTest, ReopeningTheEditedFileAfterSavingShowsWhatTheFileNowHolds) {
    const QString cube = CopyModel(dir, "cube.off", "cube.off");
    ASSERT_TRUE(frame->OpenDocumentFile(cube));
    frame->Document().m_vertices[0] = CVector3D(9.25, 9, 9);
    frame->Document().SetModifiedFlag(true);
    prompts.saveAnswer = SaveChoice::kSave;
    EXPECT_TRUE(frame->OpenDocumentFile(cube));
    EXPECT_EQ(prompts.saveQuestions.size(), 1u);
    EXPECT_EQ(frame->Document().m_vertices[0], CVector3D(9.25, 9, 9));
    EXPECT_FALSE(frame->Document().IsModified());
}

TEST_F(FrameTest, FileNameHoldingThePlaceholderIsShownAsItStandsInTheCaption) {
    const QString odd = CopyModel(dir, "cube.off", QStringLiteral("a[*]b.off"));
    ASSERT_TRUE(frame->OpenDocumentFile(odd));
    EXPECT_EQ(frame->windowHandle()->title(), QStringLiteral("a[*]b.off - Quorvane"));
    frame->Document().SetModifiedFlag(true);
    frame->setWindowModified(true);
    EXPECT_EQ(frame->windowHandle()->title(), QStringLiteral("a[*]b.off* - Quorvane"));
}

TEST(FrameCaptionOnScreen, AnyTitleOfBracketsAndStarsIsShownAsItStands) {
    // Every title of up to six characters from "[*]a": Qt must show it unchanged, with the
    // modified star only where the placeholder stands.
    QWidget window;
    window.show();
    const QString alphabet = QStringLiteral("[*]a");
    std::vector<QString> titles{QString()};
    for (int length = 1; length <= 6; ++length) {
        std::vector<QString> longer;
        for (const QString& title : titles) {
            if (title.size() == length - 1) {
                for (QChar c : alphabet) {
                    longer.push_back(title + c);
                }
            }
        }
        titles.insert(titles.end(), longer.begin(), longer.end());
    }
    ASSERT_EQ(titles.size(), 5461u);
    for (const QString& title : titles) {
        window.setWindowModified(false);
        window.setWindowTitle(
            QString::fromStdString(FrameCaption(title.toStdString(), title.size() % 2 == 1)));
        const QString shown = title + (title.size() % 2 == 1 ? QStringLiteral(" (repaired)") : QString());
        ASSERT_EQ(window.windowHandle()->title(), shown + QStringLiteral(" - Quorvane"))
            << title.toStdString();
        window.setWindowModified(true);
        ASSERT_EQ(window.windowHandle()->title(), shown + QStringLiteral("* - Quorvane"))
            << title.toStdString();
    }
}

TEST_F(FrameTest, DiscardLetsOpenGoAheadWithoutSaving) {
    const QString cube = CopyModel(dir, "cube.off", "cube.off");
    const QByteArray before = [&] {
        QFile f(cube);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    frame->OpenDocumentFile(cube);
    frame->Document().m_vertices[0] = CVector3D(9, 9, 9);
    frame->Document().SetModifiedFlag(true);
    prompts.saveAnswer = SaveChoice::kDiscard;
    EXPECT_TRUE(frame->OpenDocumentFile(CopyModel(dir, "torus_quads.off", "t.off")));
    QFile f(cube);
    f.open(QIODevice::ReadOnly);
    EXPECT_EQ(f.readAll(), before);
}

TEST_F(FrameTest, DroppedFileIsOpened) {
    frame->setAcceptDrops(true);
    const QString cube = CopyModel(dir, "cube.off", "dropped.off");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(cube)});
    const QPoint at = frame->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame.get(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame->PathName() == cube; }, 5000));
    EXPECT_EQ(frame->Document().m_nVertices, 8);
    EXPECT_EQ(RecentEntries(), QStringList{cube});
}

TEST_F(FrameTest, DropWithoutLocalFileIsRefused) {
    QMimeData data;
    data.setText(QStringLiteral("not a file"));
    QDragEnterEvent enter(frame->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QApplication::sendEvent(frame.get(), &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST_F(FrameTest, BackgroundColourDialogStartsAtTheCurrentColourAndOkApplies) {
    CQuorvaneView& view = frame->ViewWidget()->View();
    prompts.colourAnswer.reset();
    frame->Action(ID_TOOLS_BACKGROUND_COLOR)->trigger();
    ASSERT_EQ(prompts.offeredColours.size(), 1u);
    EXPECT_EQ(prompts.offeredColours[0], RGB(0, 0, 0));
    EXPECT_EQ(view.GetBackgroundColor(), RGB(0, 0, 0));

    prompts.colourAnswer = RGB(10, 20, 30);
    frame->Action(ID_TOOLS_BACKGROUND_COLOR)->trigger();
    EXPECT_EQ(view.GetBackgroundColor(), RGB(10, 20, 30));
    ASSERT_GT(view.GetImage().Size(), 0);
    EXPECT_EQ(view.GetImage().Pixel(0, 0), 0xFF0A141Eu);

    prompts.colourAnswer = RGB(10, 20, 30);
    frame->Action(ID_TOOLS_BACKGROUND_COLOR)->trigger();
    EXPECT_EQ(prompts.offeredColours.back(), RGB(10, 20, 30));
}

TEST_F(FrameTest, LightingDialogOkHandsTheSettingsToTheView) {
    CLightingSettings changed = frame->ViewWidget()->View().GetLighting();
    changed.m_shininess = changed.m_shininess + 7.0;
    prompts.lightingAnswer = changed;
    frame->Action(ID_TOOLS_LIGHTING)->trigger();
    EXPECT_EQ(frame->ViewWidget()->View().GetLighting().m_shininess, changed.m_shininess);
}

// ---- Start-up ----

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    std::unique_ptr<CQuorvaneApp> Start(const QStringList& files) {
        AppOptions options;
        options.profilePath = dir.filePath("Quorvane.ini");
        options.singleInstance = false;
        options.prompts = &prompts;
        return std::make_unique<CQuorvaneApp>(QStringList{QStringLiteral("quorvane")} + files, options);
    }

    QTemporaryDir dir;
    FakePrompts prompts;
};

TEST_F(StartupTest, WithoutArgumentsShowsAnUntitledWindow) {
    auto app = Start({});
    ASSERT_TRUE(app->InitInstance());
    CMainFrame* frame = app->MainFrame();
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(frame->acceptDrops());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Untitled[*] - Quorvane"));
    EXPECT_EQ(frame->Document().m_nVertices, 0);
}

TEST_F(StartupTest, FileOnTheCommandLineIsShownAtOnceAndListed) {
    const QString cube = CopyModel(dir, "cube.off", "cube.off");
    auto app = Start({cube});
    ASSERT_TRUE(app->InitInstance());
    CMainFrame* frame = app->MainFrame();
    EXPECT_EQ(frame->PathName(), cube);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("cube.off[*] - Quorvane"));
    EXPECT_EQ(frame->Document().m_nVertices, 8);
    EXPECT_EQ(frame->RecentFiles().Entries().front(), cube.toStdString());
}

TEST_F(StartupTest, RelativeFileOnTheCommandLineIsMadeAbsolute) {
    const QString cube = CopyModel(dir, "cube.off", "rel.off");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    auto app = Start({QStringLiteral("rel.off")});
    const bool started = app->InitInstance();
    QDir::setCurrent(previous);
    ASSERT_TRUE(started);
    EXPECT_EQ(app->MainFrame()->PathName(), cube);
}

TEST_F(StartupTest, FileThatCannotBeOpenedEndsTheStartAfterItsMessage) {
    const QString bad = WriteFile(dir, "bad.off", "OFF\n0 0 0\n");
    auto app = Start({bad});
    EXPECT_FALSE(app->InitInstance());
    EXPECT_EQ(app->ExitCode(), 1);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_TRUE(prompts.messages[0].contains(bad));
}

}  // namespace
}  // namespace quorvane

namespace quorvane {
namespace {

TEST(LoadDocumentInBackground, ReadsTheModelIntoTheGivenDocument) {
    std::atomic<bool> cancel{false};
    const LoadResult loaded = LoadDocumentInBackground(testing::TestModel("teapot.off"), nullptr, cancel);
    ASSERT_EQ(loaded.status, LoadStatus::kLoaded);
    CQuorvaneDoc direct;
    ASSERT_TRUE(direct.LoadFromFile(testing::TestModel("teapot.off").toStdString()));
    EXPECT_EQ(loaded.document.m_nVertices, direct.m_nVertices);
    EXPECT_EQ(loaded.document.m_nPolygons, direct.m_nPolygons);
    EXPECT_EQ(loaded.document.m_nUniqueEdges, direct.m_nUniqueEdges);
    EXPECT_EQ(loaded.document.m_vertices, direct.m_vertices);
}

// Lifts a limit on thread starts however the test ends.
class ThreadStartLimit {
  public:
    explicit ThreadStartLimit(int allowed) { LimitThreadStartsForTesting(allowed); }
    ~ThreadStartLimit() { LimitThreadStartsForTesting(-1); }
    ThreadStartLimit(const ThreadStartLimit&) = delete;
    ThreadStartLimit& operator=(const ThreadStartLimit&) = delete;
};

TEST(LoadDocumentInBackground, AFileIsReadWhateverThreadsTheSystemRefuses) {
    // 0: no worker; 1: a worker, but no second thread for its faces; -1: no limit.
    for (const int allowed : {0, 1, -1}) {
        ThreadStartLimit limit(allowed);
        std::atomic<bool> cancel{false};
        const LoadResult loaded = LoadDocumentInBackground(testing::TestModel("teapot.off"), nullptr, cancel);
        EXPECT_EQ(loaded.status, LoadStatus::kLoaded) << allowed << ": " << loaded.error.ToString();
        EXPECT_EQ(loaded.readWithoutWorker, allowed == 0) << allowed;
        EXPECT_EQ(loaded.document.m_nVertices, 792) << allowed;
    }
}

TEST(LoadDocumentInBackground, WithoutAWorkerACancelStillStopsAnEndlessRead) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("endless.off");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // A writer that keeps the FIFO open and never ends it.
    const int writer = ::open(QFile::encodeName(fifo).constData(), O_RDWR);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, "OFF\n", 4), 4);
    ThreadStartLimit limit(0);
    std::atomic<bool> cancel{false};
    bool cancelled = false;
    QTimer::singleShot(4 * kReadPollMs, [&] {
        cancel.store(true);
        cancelled = true;
    });
    const LoadResult loaded = LoadDocumentInBackground(fifo, nullptr, cancel);
    ::close(writer);
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(loaded.status, LoadStatus::kCancelled);
    EXPECT_TRUE(loaded.readWithoutWorker);
}

TEST_F(FrameTest, AFileOpensWhenTheSystemRefusesTheWorkerThread) {
    ThreadStartLimit limit(0);
    EXPECT_TRUE(frame->OpenDocumentFile(CopyModel(dir, "cube.off", "cube.off")));
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(frame->Document().m_nVertices, 8);
}

TEST(LoadDocumentInBackground, RefusedFileLeavesTheDocumentEmptyWithTheReason) {
    QTemporaryDir dir;
    const QString bad = testing::WriteFile(dir, "bad.off", "OFF\n3 1\n0 0 0\n");
    std::atomic<bool> cancel{false};
    const LoadResult loaded = LoadDocumentInBackground(bad, nullptr, cancel);
    EXPECT_EQ(loaded.status, LoadStatus::kRefused);
    EXPECT_EQ(loaded.document.m_nVertices, 0);
    EXPECT_GT(loaded.error.line, 0u);
    EXPECT_FALSE(loaded.error.reason.empty());
}

}  // namespace
}  // namespace quorvane
