// A model opened with repairs is never written over its source without the user's consent: Save
// asks, naming what will be lost, and offers Save As; the caption says the model was repaired.
#include <unistd.h>

#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QWindow>

#include "app/commands.h"
#include "app_test_support.h"

namespace quorvane {
namespace {

using testing::FakePrompts;
using testing::WriteFile;

// COFF colours, a comment line, a comment after data and a polygon naming a missing vertex.
const QByteArray kRepairable =
    "COFF\n# a comment line\n4 3 0\n0 0 0 1 0 0 1\n1 0 0 0 1 0 1\n0 1 0 0 0 1 1\n"
    "0 0 1 1 1 1 1 # trailing\n3 0 1 2\n3 0 1 9\n3 0 2 3\n";

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

class RepairedSaveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        frame = std::make_unique<CMainFrame>(&prompts, CRecentFileProfile(dir.filePath("Quorvane.ini")));
        frame->show();
        source = WriteFile(dir, "colours.off", kRepairable);
        prompts.repairAnswer = true;
        ASSERT_TRUE(frame->OpenDocumentFile(source));
        ASSERT_TRUE(frame->IsRepaired());
    }

    // The one question asked so far about saving over the source.
    QString OnlyRepairedQuestion() const {
        EXPECT_EQ(prompts.repairedSaveQuestions.size(), 1u);
        return prompts.repairedSaveQuestions.empty() ? QString() : prompts.repairedSaveQuestions.front();
    }

    QTemporaryDir dir;
    FakePrompts prompts;
    std::unique_ptr<CMainFrame> frame;
    QString source;
};

TEST_F(RepairedSaveTest, CaptionSaysTheModelWasRepaired) {
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("colours.off (repaired)[*] - Quorvane"));
    EXPECT_EQ(frame->windowHandle()->title(), QStringLiteral("colours.off (repaired) - Quorvane"));
    EXPECT_EQ(frame->Document().m_nPolygons, 2);
}

TEST_F(RepairedSaveTest, SaveAsksNamingTheLossesAndCancelLeavesTheSourceAsItWas) {
    prompts.repairedSaveAnswer = RepairedSaveChoice::kCancel;
    frame->Action(ID_FILE_SAVE)->trigger();
    const QString question = OnlyRepairedQuestion();
    EXPECT_TRUE(question.startsWith(QStringLiteral("colours.off was opened with repairs.")))
        << question.toStdString();
    for (const char* loss : {"keyword variant (colours, normals or texture coordinates)", "1 comment line",
                             "1 comment after data", "1 dropped polygon with a vertex index out of range"}) {
        EXPECT_TRUE(question.contains(QString::fromUtf8(loss))) << loss;
    }
    EXPECT_EQ(FileBytes(source), kRepairable);
    EXPECT_TRUE(frame->IsRepaired());
    EXPECT_EQ(frame->PathName(), source);
}

TEST_F(RepairedSaveTest, SaveAsChosenInTheQuestionWritesAnotherFileAndKeepsTheSource) {
    prompts.repairedSaveAnswer = RepairedSaveChoice::kSaveAs;
    prompts.saveAsAnswer = dir.filePath("plain");
    EXPECT_TRUE(frame->OnFileSave());
    OnlyRepairedQuestion();
    EXPECT_EQ(FileBytes(source), kRepairable);
    const QString copy = dir.filePath("plain.off");
    EXPECT_EQ(frame->PathName(), copy);
    CQuorvaneDoc written;
    ASSERT_TRUE(written.LoadFromFile(copy.toStdString()));
    EXPECT_EQ(written.m_nPolygons, 2);
    // The new file holds the model as shown: saving it again loses nothing and asks nothing.
    EXPECT_FALSE(frame->IsRepaired());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("plain.off[*] - Quorvane"));
    EXPECT_TRUE(frame->OnFileSave());
    EXPECT_EQ(prompts.repairedSaveQuestions.size(), 1u);
}

TEST_F(RepairedSaveTest, ConsentingToLoseTheRepairsWritesTheSourceOnce) {
    prompts.repairedSaveAnswer = RepairedSaveChoice::kOverwrite;
    EXPECT_TRUE(frame->OnFileSave());
    OnlyRepairedQuestion();
    CQuorvaneDoc written;
    ASSERT_TRUE(written.LoadFromFile(source.toStdString()));  // strict OFF now
    EXPECT_EQ(written.m_nPolygons, 2);
    EXPECT_FALSE(frame->IsRepaired());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("colours.off[*] - Quorvane"));
    EXPECT_TRUE(frame->OnFileSave());
    EXPECT_EQ(prompts.repairedSaveQuestions.size(), 1u);
}

TEST_F(RepairedSaveTest, SaveAsOntoTheSourceOrALinkToItAsksAsWell) {
    prompts.repairedSaveAnswer = RepairedSaveChoice::kCancel;
    prompts.saveAsAnswer = source;
    EXPECT_FALSE(frame->OnFileSaveAs());
    ASSERT_EQ(::symlink(QFile::encodeName(source).constData(),
                        QFile::encodeName(dir.filePath("link.off")).constData()),
              0);
    ASSERT_EQ(::link(QFile::encodeName(source).constData(),
                     QFile::encodeName(dir.filePath("hard.off")).constData()),
              0);
    prompts.saveAsAnswer = dir.filePath("link.off");
    EXPECT_FALSE(frame->OnFileSaveAs());
    prompts.saveAsAnswer = dir.filePath("hard.off");
    EXPECT_FALSE(frame->OnFileSaveAs());
    EXPECT_EQ(prompts.repairedSaveQuestions.size(), 3u);
    EXPECT_EQ(FileBytes(source), kRepairable);
    EXPECT_TRUE(frame->IsRepaired());
}

TEST_F(RepairedSaveTest, ClosingAnEditedRepairedModelAsksBothQuestionsAndCancelKeepsEverything) {
    frame->Document().m_vertices[0] = CVector3D(5, 5, 5);
    frame->Document().SetModifiedFlag(true);
    prompts.saveAnswer = SaveChoice::kSave;
    prompts.repairedSaveAnswer = RepairedSaveChoice::kCancel;
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(prompts.saveQuestions, std::vector<QString>{QStringLiteral("Save changes to colours.off?")});
    OnlyRepairedQuestion();
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(frame->Document().IsModified());
    EXPECT_EQ(FileBytes(source), kRepairable);
}

TEST_F(RepairedSaveTest, AnotherFileOrNewEndsTheRepairedState) {
    const QString plain = testing::CopyModel(dir, "cube.off", "cube.off");
    ASSERT_TRUE(frame->OpenDocumentFile(plain));
    EXPECT_FALSE(frame->IsRepaired());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("cube.off[*] - Quorvane"));
    EXPECT_TRUE(frame->OnFileSave());
    EXPECT_TRUE(prompts.repairedSaveQuestions.empty());

    ASSERT_TRUE(frame->OpenDocumentFile(source));
    ASSERT_TRUE(frame->IsRepaired());
    ASSERT_TRUE(frame->OnFileNew());
    EXPECT_FALSE(frame->IsRepaired());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Untitled[*] - Quorvane"));
}

}  // namespace
}  // namespace quorvane
