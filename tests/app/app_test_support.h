// Shared pieces of the widget tests: prompts that answer without modal windows, and helpers for
// files and frames.
#pragma once

#include <QFile>
#include <QKeySequence>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <optional>
#include <ostream>
#include <vector>

#include "app/main_frame.h"
#include "app/prompts.h"

// Readable test failure output for Qt values.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QKeySequence& keys, std::ostream* out) {
    *out << keys.toString(QKeySequence::PortableText).toStdString();
}

namespace quorvane::testing {

// Records every question and message and gives the answers set beforehand.
class FakePrompts : public CUserPrompts {
  public:
    std::vector<QString> messages;
    std::vector<QString> saveQuestions;
    SaveChoice saveAnswer = SaveChoice::kCancel;
    QString openAnswer;
    QString saveAsAnswer;
    std::vector<QString> suggestedSaveNames;
    std::optional<COLORREF> colourAnswer;
    std::vector<COLORREF> offeredColours;
    std::optional<CLightingSettings> lightingAnswer;
    int modelInformationShown = 0;
    ModelStatistics shownStatistics;
    int aboutShown = 0;

    std::vector<QString> informations;
    std::vector<QString> repairOffers;
    bool repairAnswer = false;
    std::vector<QString> repairedSaveQuestions;
    RepairedSaveChoice repairedSaveAnswer = RepairedSaveChoice::kCancel;

    // Run while the question or dialog is open, before it is answered (an event loop of its own
    // may run there, as under a real modal dialog).
    std::function<void()> whileAskingSaveChanges;
    std::function<void()> whileShowingModelInformation;

    void ShowMessage(QWidget*, const QString& text) override { messages.push_back(text); }
    void ShowInformation(QWidget*, const QString& text) override { informations.push_back(text); }
    bool AskOpenWithRepairs(QWidget*, const QString& text) override {
        repairOffers.push_back(text);
        return repairAnswer;
    }
    SaveChoice AskSaveChanges(QWidget*, const QString& question) override {
        saveQuestions.push_back(question);
        if (whileAskingSaveChanges) {
            whileAskingSaveChanges();
        }
        return saveAnswer;
    }
    RepairedSaveChoice AskSaveRepaired(QWidget*, const QString& question) override {
        repairedSaveQuestions.push_back(question);
        return repairedSaveAnswer;
    }
    QString AskOpenFileName(QWidget*, const QString&) override { return openAnswer; }
    QString AskSaveFileName(QWidget*, const QString& suggested) override {
        suggestedSaveNames.push_back(suggested);
        return saveAsAnswer;
    }
    bool AskColor(QWidget*, COLORREF& colour) override {
        offeredColours.push_back(colour);
        if (!colourAnswer) {
            return false;
        }
        colour = *colourAnswer;
        return true;
    }
    bool EditLighting(QWidget*, CLightingSettings& settings) override {
        if (!lightingAnswer) {
            return false;
        }
        settings = *lightingAnswer;
        return true;
    }
    bool EditViewingParameters(QWidget*, const CViewingSpace&, ViewingParameters&) override { return false; }
    void ShowModelInformation(QWidget*, const ModelStatistics& statistics) override {
        ++modelInformationShown;
        shownStatistics = statistics;
        if (whileShowingModelInformation) {
            whileShowingModelInformation();
        }
    }
    void ShowAbout(QWidget*) override { ++aboutShown; }
};

// The path of a bundled test model.
inline QString TestModel(const char* name) {
    return QStringLiteral(QUORVANE_TEST_DATA "/") + QLatin1String(name);
}

// Copies a bundled test model into `dir` under `name` and returns the new path.
inline QString CopyModel(const QTemporaryDir& dir, const char* model, const QString& name) {
    const QString target = dir.filePath(name);
    QFile::remove(target);
    QFile::copy(TestModel(model), target);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

// Writes `text` to `name` in `dir` and returns the path.
inline QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
    const QString target = dir.filePath(name);
    QFile file(target);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(text);
    return target;
}

}  // namespace quorvane::testing
