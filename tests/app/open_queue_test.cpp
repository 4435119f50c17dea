// Files handed over from outside (a second start, a drop) while the window is busy: they wait for
// the open dialog or question and are opened in order afterwards; a close during a read cancels
// the read and closes. Everything runs through the real event loop on the offscreen platform.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QUuid>
#include <atomic>
#include <thread>

#include "app/application.h"
#include "app/commands.h"
#include "app/dialogs/model_info_dlg.h"
#include "app/file_loader.h"
#include "app/instance_channel.h"
#include "app/view_widget.h"
#include "app_test_support.h"
#include "model/file_io.h"

namespace quorvane {
namespace {

using testing::CopyModel;
using testing::FakePrompts;

// Sends `path` as a second start does, from another thread, while this thread's event loop keeps
// serving (inside whatever dialog is open); true once the running instance confirmed it.
bool SendFromSecondStart(const QString& channel, const QString& path) {
    std::atomic<bool> done{false};
    bool sent = false;
    std::thread sender([&] {
        sent = CInstanceChannel::SendToRunningInstance(channel, path, 3000);
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 5000));
    sender.join();
    return sent;
}

// A running instance that listens for second starts, with prompts that answer without windows.
class SecondStartTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        channel = QStringLiteral("quorvane-test-") + QUuid::createUuid().toString(QUuid::Id128);
        AppOptions options;
        options.profilePath = dir.filePath("Quorvane.ini");
        options.channelName = channel;
        options.singleInstance = true;
        options.prompts = &prompts;
        app = std::make_unique<CQuorvaneApp>(QStringList{QStringLiteral("quorvane")}, options);
        ASSERT_TRUE(app->InitInstance());
        ASSERT_NE(app->Channel(), nullptr);
        frame = app->MainFrame();
        cube = CopyModel(dir, "cube.off", "cube.off");
        torus = CopyModel(dir, "torus_quads.off", "torus.off");
        teapot = CopyModel(dir, "teapot.off", "teapot.off");
        ASSERT_TRUE(frame->OpenDocumentFile(cube));
    }

    // Gives a request that ought to wait every chance to run too early.
    static void LetEventsRun() { QTest::qWait(100); }

    QTemporaryDir dir;
    QString channel;
    FakePrompts prompts;
    std::unique_ptr<CQuorvaneApp> app;
    CMainFrame* frame = nullptr;
    QString cube, torus, teapot;
};

TEST_F(SecondStartTest, FileArrivingWhileModelInformationIsOpenIsOpenedAfterTheDialogCloses) {
    bool checkedWhileOpen = false;
    prompts.whileShowingModelInformation = [&] {
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CModelInfoDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_TRUE(SendFromSecondStart(channel, torus));
            EXPECT_TRUE(QTest::qWaitFor([&] { return frame->PendingOpenRequests() == 1; }, 3000));
            LetEventsRun();
            // The dialog still describes the model shown: nothing was replaced under it.
            EXPECT_EQ(frame->PathName(), cube);
            EXPECT_EQ(frame->Document().m_nVertices, 8);
            EXPECT_EQ(dialog->GetVertices(), QStringLiteral("8"));
            checkedWhileOpen = true;
            dialog->reject();
        });
        // The program's own modal dialog, on a real event loop.
        RunModelInfoDialog(frame, prompts.shownStatistics);
    };
    frame->Action(ID_VIEW_MODEL_INFORMATION)->trigger();
    EXPECT_TRUE(checkedWhileOpen);
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame->PathName() == torus; }, 5000));
    EXPECT_EQ(frame->PendingOpenRequests(), 0u);
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(SecondStartTest, FileArrivingDuringTheSaveQuestionWaitsAndTheEditedModelIsSavedFirst) {
    frame->Document().m_vertices[0] = CVector3D(9, 9, 9);
    frame->Document().SetModifiedFlag(true);
    prompts.saveAnswer = SaveChoice::kSave;
    int questionsAskedInside = -1;
    prompts.whileAskingSaveChanges = [&] {
        // The question about cube.off is open; another start hands over the teapot.
        EXPECT_TRUE(SendFromSecondStart(channel, teapot));
        EXPECT_TRUE(QTest::qWaitFor([&] { return frame->PendingOpenRequests() == 1; }, 3000));
        LetEventsRun();
        questionsAskedInside = static_cast<int>(prompts.saveQuestions.size());
        EXPECT_EQ(frame->PathName(), cube);
        EXPECT_EQ(frame->Document().m_vertices[0], CVector3D(9, 9, 9));
        prompts.whileAskingSaveChanges = nullptr;
    };
    EXPECT_TRUE(SendFromSecondStart(channel, torus));
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame->PathName() == teapot; }, 5000));

    // One question, not nested; the edited cube went to cube.off, then the torus, then the teapot.
    EXPECT_EQ(questionsAskedInside, 1);
    EXPECT_EQ(prompts.saveQuestions, std::vector<QString>{QStringLiteral("Save changes to cube.off?")});
    CQuorvaneDoc saved;
    ASSERT_TRUE(saved.LoadFromFile(cube.toStdString()));
    EXPECT_EQ(saved.m_vertices[0], CVector3D(9, 9, 9));
    EXPECT_EQ(saved.m_nVertices, 8);
    std::vector<std::string> recent = frame->RecentFiles().Entries();
    EXPECT_EQ(recent,
              (std::vector<std::string>{teapot.toStdString(), torus.toStdString(), cube.toStdString()}));
    EXPECT_FALSE(frame->Document().IsModified());
}

TEST_F(SecondStartTest, CancelledSaveQuestionKeepsTheEditedModelAndStillOpensTheLaterFile) {
    frame->Document().SetModifiedFlag(true);
    prompts.saveAnswer = SaveChoice::kCancel;
    prompts.whileAskingSaveChanges = [&] {
        EXPECT_TRUE(SendFromSecondStart(channel, teapot));
        prompts.whileAskingSaveChanges = nullptr;
    };
    EXPECT_TRUE(SendFromSecondStart(channel, torus));
    // The torus is refused by the user's Cancel; the teapot is asked for in turn.
    EXPECT_TRUE(QTest::qWaitFor([&] { return prompts.saveQuestions.size() == 2; }, 5000));
    LetEventsRun();
    EXPECT_EQ(frame->PathName(), cube);
    EXPECT_TRUE(frame->Document().IsModified());
    EXPECT_EQ(frame->PendingOpenRequests(), 0u);
}

TEST_F(SecondStartTest, FilesArrivingUnderAForeignModalDialogAreOpenedInOrderWhenItCloses) {
    const QString elephant = CopyModel(dir, "double_torus.off", "poly.off");
    QDialog modal(frame);
    modal.setModal(true);
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(SendFromSecondStart(channel, torus));
        EXPECT_TRUE(SendFromSecondStart(channel, teapot));
        EXPECT_TRUE(SendFromSecondStart(channel, elephant));
        EXPECT_TRUE(QTest::qWaitFor([&] { return frame->PendingOpenRequests() == 3; }, 3000));
        LetEventsRun();
        EXPECT_EQ(frame->PathName(), cube);
        modal.accept();
    });
    modal.exec();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return frame->PendingOpenRequests() == 0 && !frame->IsLoading(); }, 5000));
    EXPECT_EQ(frame->PathName(), elephant);
    EXPECT_EQ(frame->RecentFiles().Entries(),
              (std::vector<std::string>{elephant.toStdString(), teapot.toStdString(), torus.toStdString(),
                                        cube.toStdString()}));
}

TEST_F(SecondStartTest, FileDroppedWhileTheSaveQuestionIsOpenWaitsForTheAnswer) {
    frame->Document().SetModifiedFlag(true);
    prompts.saveAnswer = SaveChoice::kDiscard;
    prompts.whileAskingSaveChanges = [&] {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(teapot)});
        QDragEnterEvent enter(frame->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame, &enter);
        QDropEvent drop(frame->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame, &drop);
        EXPECT_TRUE(drop.isAccepted());
        EXPECT_EQ(frame->PendingOpenRequests(), 1u);
        LetEventsRun();
        EXPECT_EQ(frame->PathName(), cube);
        prompts.whileAskingSaveChanges = nullptr;
    };
    EXPECT_TRUE(SendFromSecondStart(channel, torus));
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame->PathName() == teapot; }, 5000));
    EXPECT_EQ(prompts.saveQuestions.size(), 1u);
}

TEST_F(SecondStartTest, PathWithLeadingAndTrailingBlanksIsOpenedAsItIs) {
    const QString spaced = CopyModel(dir, "torus_quads.off", QStringLiteral("  spaced name.off "));
    // The trimmed name also exists, so a lost blank would open the wrong file.
    const QString trimmed = CopyModel(dir, "teapot.off", QStringLiteral("spaced name.off"));
    EXPECT_TRUE(SendFromSecondStart(channel, spaced));
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame->PathName() == spaced; }, 5000));
    EXPECT_EQ(frame->Document().m_nVertices, 25);
    EXPECT_NE(frame->PathName(), trimmed);
}

// ---- A close during a read ----

// A FIFO that nothing writes to: reading it lasts until the read is given up.
class EndlessReadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        frame = std::make_unique<CMainFrame>(&prompts, CRecentFileProfile(dir.filePath("Quorvane.ini")));
        frame->show();
        cube = CopyModel(dir, "cube.off", "cube.off");
        ASSERT_TRUE(frame->OpenDocumentFile(cube));
        fifo = dir.filePath("endless.off");
        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    }

    // Opens the FIFO; `during` runs from the event loop of the read, once it has begun. Returns
    // what the open returned.
    bool OpenEndlessFile(const std::function<void()>& during) {
        bool ran = false;
        QTimer::singleShot(4 * kReadPollMs, frame.get(), [&] {
            EXPECT_TRUE(frame->IsLoading());
            during();
            ran = true;
        });
        const bool opened = frame->OpenDocumentFile(fifo);
        EXPECT_TRUE(ran);
        return opened;
    }

    QTemporaryDir dir;
    FakePrompts prompts;
    std::unique_ptr<CMainFrame> frame;
    QString cube;
    QString fifo;
};

TEST_F(EndlessReadTest, ClosingTheWindowCancelsTheReadAndCloses) {
    EXPECT_FALSE(OpenEndlessFile([&] { frame->close(); }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !frame->isVisible(); }, 3000));
    EXPECT_FALSE(frame->IsLoading());
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(prompts.saveQuestions.empty());
}

TEST_F(EndlessReadTest, ClosingAModifiedDocumentDuringTheReadAsksAboutItAfterwards) {
    frame->Document().SetModifiedFlag(true);
    prompts.saveAnswer = SaveChoice::kCancel;
    EXPECT_FALSE(OpenEndlessFile([&] { frame->close(); }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return prompts.saveQuestions.size() == 1; }, 3000));
    // Cancel keeps the window, and the model that was there before the read.
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->PathName(), cube);
    EXPECT_EQ(frame->Document().m_nVertices, 8);

    prompts.saveAnswer = SaveChoice::kDiscard;
    EXPECT_TRUE(frame->close());
    EXPECT_FALSE(frame->isVisible());
}

TEST_F(EndlessReadTest, ProgressDialogShowsThePlainFileNameAndItsCancelGivesUpTheRead) {
    const QString name = QStringLiteral("<b>bold<br>.off");
    ASSERT_EQ(
        ::rename(QFile::encodeName(fifo).constData(), QFile::encodeName(dir.filePath(name)).constData()), 0);
    fifo = dir.filePath(name);
    const bool opened = OpenEndlessFile([&] {
        QProgressDialog* progress = nullptr;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                progress = frame->findChild<QProgressDialog*>();
                return progress != nullptr && progress->isVisible();
            },
            kProgressDelayMs + 3000));
        auto* label = progress->findChild<QLabel*>();
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_EQ(label->text(), QStringLiteral("Opening <b>bold<br>.off..."));
        // Input to the main window is held off meanwhile: a double-click selects nothing.
        CQuorvaneViewWidget* view = frame->ViewWidget();
        QTest::mouseDClick(view, Qt::LeftButton, {}, view->rect().center());
        EXPECT_EQ(view->View().GetSelectedVertex(), -1);
        auto* cancel = progress->findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    EXPECT_FALSE(opened);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(frame->PathName(), cube);
    EXPECT_EQ(frame->Document().m_nVertices, 8);
    // The window works as before.
    EXPECT_TRUE(frame->OpenDocumentFile(CopyModel(dir, "torus_quads.off", "torus.off")));
}

}  // namespace
}  // namespace quorvane
