// Every question and message the main window puts to the user goes through CUserPrompts, so that
// tests can answer them without modal windows. CQtUserPrompts asks with the real Qt dialogs.
#pragma once

#include <QString>
#include <functional>

#include "app/dialogs/dialogs.h"
#include "model/statistics.h"
#include "render/color.h"
#include "render/lighting.h"
#include "viewing/viewing_space.h"

class QWidget;

namespace quorvane {

// The answer to "Save changes to NAME?".
enum class SaveChoice { kSave, kDiscard, kCancel };

// The answer to the question before a model opened with repairs is written over its source.
enum class RepairedSaveChoice { kOverwrite, kSaveAs, kCancel };

class CUserPrompts {
  public:
    virtual ~CUserPrompts() = default;

    // A plain message with an OK button and the warning icon, captioned "Quorvane".
    virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
    // A message with the information icon.
    virtual void ShowInformation(QWidget* parent, const QString& text) = 0;
    // Says why a file was refused and offers "Open with Repairs"; true when that was chosen.
    virtual bool AskOpenWithRepairs(QWidget* parent, const QString& text) = 0;
    // Asks `question` ("Save changes to NAME?") with Save, Discard and Cancel.
    virtual SaveChoice AskSaveChanges(QWidget* parent, const QString& question) = 0;
    // Asks `question` (what saving a repaired model over its source loses) with Save, Save As and
    // Cancel; Save As is the default.
    virtual RepairedSaveChoice AskSaveRepaired(QWidget* parent, const QString& question) = 0;
    // The file to open, or an empty string when the user cancelled.
    virtual QString AskOpenFileName(QWidget* parent, const QString& directory) = 0;
    // The file to save to, or an empty string when the user cancelled.
    virtual QString AskSaveFileName(QWidget* parent, const QString& suggestedPath) = 0;
    // Offers a colour starting at `colour`; true and the chosen colour on OK.
    virtual bool AskColor(QWidget* parent, COLORREF& colour) = 0;
    // The lighting and colour dialog on `settings`; true when it ended with OK.
    virtual bool EditLighting(QWidget* parent, CLightingSettings& settings) = 0;
    // The viewing parameters dialog for `camera`; true and `result` filled on OK.
    virtual bool EditViewingParameters(QWidget* parent, const CViewingSpace& camera,
                                       ViewingParameters& result) = 0;
    // The model information dialog.
    virtual void ShowModelInformation(QWidget* parent, const ModelStatistics& statistics) = 0;
    // The About box.
    virtual void ShowAbout(QWidget* parent) = 0;
};

// The real dialogs: message boxes, file dialogs, the colour dialog and the program's own dialogs.
// Message boxes show their text as plain text: a file name is never read as markup.
class CQtUserPrompts final : public CUserPrompts {
  public:
    void ShowMessage(QWidget* parent, const QString& text) override;
    void ShowInformation(QWidget* parent, const QString& text) override;
    bool AskOpenWithRepairs(QWidget* parent, const QString& text) override;
    SaveChoice AskSaveChanges(QWidget* parent, const QString& question) override;
    RepairedSaveChoice AskSaveRepaired(QWidget* parent, const QString& question) override;
    QString AskOpenFileName(QWidget* parent, const QString& directory) override;
    QString AskSaveFileName(QWidget* parent, const QString& suggestedPath) override;
    bool AskColor(QWidget* parent, COLORREF& colour) override;
    bool EditLighting(QWidget* parent, CLightingSettings& settings) override;
    bool EditViewingParameters(QWidget* parent, const CViewingSpace& camera,
                               ViewingParameters& result) override;
    void ShowModelInformation(QWidget* parent, const ModelStatistics& statistics) override;
    void ShowAbout(QWidget* parent) override;
};

// Passes every question on to another CUserPrompts and knows whether one is open, so that work
// arriving meanwhile (a file from a second start, a drop) can wait for the answer. `onIdle` runs
// each time the last open question has been answered.
class CTrackedPrompts final : public CUserPrompts {
  public:
    CTrackedPrompts(CUserPrompts* inner, std::function<void()> onIdle);

    bool IsAsking() const { return m_depth > 0; }

    void ShowMessage(QWidget* parent, const QString& text) override;
    void ShowInformation(QWidget* parent, const QString& text) override;
    bool AskOpenWithRepairs(QWidget* parent, const QString& text) override;
    SaveChoice AskSaveChanges(QWidget* parent, const QString& question) override;
    RepairedSaveChoice AskSaveRepaired(QWidget* parent, const QString& question) override;
    QString AskOpenFileName(QWidget* parent, const QString& directory) override;
    QString AskSaveFileName(QWidget* parent, const QString& suggestedPath) override;
    bool AskColor(QWidget* parent, COLORREF& colour) override;
    bool EditLighting(QWidget* parent, CLightingSettings& settings) override;
    bool EditViewingParameters(QWidget* parent, const CViewingSpace& camera,
                               ViewingParameters& result) override;
    void ShowModelInformation(QWidget* parent, const ModelStatistics& statistics) override;
    void ShowAbout(QWidget* parent) override;

  private:
    // Runs one question of the inner prompts while counting it as open.
    template <typename Ask>
    decltype(auto) Track(Ask&& ask);

    CUserPrompts* m_inner;
    std::function<void()> m_onIdle;
    int m_depth = 0;
};

// The file-dialog filters: OFF files first, then all files.
QString OffFileFilters();

}  // namespace quorvane
