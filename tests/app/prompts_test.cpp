// The real message boxes: file names are shown as plain text, never as markup; the question before
// a repaired model is saved over its source offers Save As first. Each box is a real modal dialog,
// answered from the event loop it runs.
#include "app/prompts.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "app_test_support.h"

namespace quorvane {
namespace {

// A name that rich text would show as "bold" in a bigger font.
const QString kMarkupName = QStringLiteral("/m/<b>bold</b> & <font size=7>x</font>.off");

// Runs `show` and, once its message box is up, checks the box and presses the button `answer`.
void AnswerBox(const std::function<void()>& show, const QString& answer,
               const std::function<void(QMessageBox&)>& check) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = true;
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_TRUE(box->text().contains(kMarkupName)) << box->text().toStdString();
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Quorvane"));
        check(*box);
        for (QAbstractButton* button : box->buttons()) {
            if (button->text().remove(QLatin1Char('&')) == answer) {
                button->click();
                return;
            }
        }
        ADD_FAILURE() << "no button " << answer.toStdString();
        box->reject();
    });
    show();
    EXPECT_TRUE(seen);
}

TEST(QtPrompts, EveryMessageBoxShowsFileNamesAsPlainText) {
    CQtUserPrompts prompts;
    const QString text = kMarkupName + QStringLiteral("\nThe file could not be opened.");
    const auto none = [](QMessageBox&) {};
    AnswerBox([&] { prompts.ShowMessage(nullptr, text); }, QStringLiteral("OK"), none);
    AnswerBox([&] { prompts.ShowInformation(nullptr, text); }, QStringLiteral("OK"), none);
    bool repair = false;
    AnswerBox([&] { repair = prompts.AskOpenWithRepairs(nullptr, text); },
              QStringLiteral("Open with Repairs"), none);
    EXPECT_TRUE(repair);
    SaveChoice save = SaveChoice::kCancel;
    AnswerBox(
        [&] {
            save = prompts.AskSaveChanges(nullptr, QStringLiteral("Save changes to %1?").arg(kMarkupName));
        },
        QStringLiteral("Discard"), none);
    EXPECT_EQ(save, SaveChoice::kDiscard);
}

TEST(QtPrompts, RepairedSaveQuestionOffersSaveSaveAsAndCancelWithSaveAsFirst) {
    CQtUserPrompts prompts;
    const auto saveAsIsDefault = [](QMessageBox& box) {
        ASSERT_NE(box.defaultButton(), nullptr);
        EXPECT_EQ(box.defaultButton()->text(), QStringLiteral("Save As..."));
        EXPECT_EQ(box.buttons().size(), 3);
    };
    const struct {
        const char* button;
        RepairedSaveChoice choice;
    } cases[] = {{"Save", RepairedSaveChoice::kOverwrite},
                 {"Save As...", RepairedSaveChoice::kSaveAs},
                 {"Cancel", RepairedSaveChoice::kCancel}};
    for (const auto& c : cases) {
        RepairedSaveChoice answer{};
        AnswerBox(
            [&] { answer = prompts.AskSaveRepaired(nullptr, kMarkupName + QStringLiteral(" was opened")); },
            QString::fromUtf8(c.button), saveAsIsDefault);
        EXPECT_EQ(answer, c.choice) << c.button;
    }
}

// Counts the questions open while it answers them.
class DepthProbe : public testing::FakePrompts {
  public:
    CTrackedPrompts* tracked = nullptr;
    std::vector<bool> askingSeen;
    void ShowMessage(QWidget* parent, const QString& text) override {
        askingSeen.push_back(tracked->IsAsking());
        FakePrompts::ShowMessage(parent, text);
    }
    void ShowAbout(QWidget*) override { askingSeen.push_back(tracked->IsAsking()); }
};

TEST(TrackedPrompts, KnowWhileAQuestionIsOpenAndSayWhenTheLastOneIsAnswered) {
    DepthProbe inner;
    int idle = 0;
    CTrackedPrompts tracked(&inner, [&] { ++idle; });
    inner.tracked = &tracked;
    EXPECT_FALSE(tracked.IsAsking());
    tracked.ShowMessage(nullptr, QStringLiteral("x"));
    tracked.ShowAbout(nullptr);
    EXPECT_EQ(inner.askingSeen, (std::vector<bool>{true, true}));
    EXPECT_FALSE(tracked.IsAsking());
    EXPECT_EQ(idle, 2);
    // Answers pass through unchanged.
    inner.saveAnswer = SaveChoice::kDiscard;
    EXPECT_EQ(tracked.AskSaveChanges(nullptr, QStringLiteral("q")), SaveChoice::kDiscard);
    inner.repairedSaveAnswer = RepairedSaveChoice::kSaveAs;
    EXPECT_EQ(tracked.AskSaveRepaired(nullptr, QStringLiteral("q")), RepairedSaveChoice::kSaveAs);
    EXPECT_EQ(inner.messages, std::vector<QString>{QStringLiteral("x")});
    EXPECT_EQ(idle, 4);
}

}  // namespace
}  // namespace quorvane
