// "Lighting and Color Settings": the five colours, the shininess, the light position and (through
// "Advanced Options...") the Phong factors of a copy of the lighting settings, with a live preview
// of a lit sphere.
#pragma once

#include <QDialog>
#include <array>

#include "app/dialogs/dialog_rules.h"
#include "render/lighting.h"
#include "viewing/viewing_space.h"

class QPushButton;
class QSlider;

namespace quorvane {

class CColorSwatch;
class CPreviewFrame;

class CLightingDlg : public QDialog {
    Q_OBJECT

  public:
    // The five colour swatches.
    enum class Swatch { kExterior, kInterior, kHighlight, kAmbientLight, kDirectionalLight };
    static constexpr int kSwatchCount = 5;

    explicit CLightingDlg(QWidget* parent = nullptr);

    // Replaces the working copy and shows it.
    void SetSettings(const CLightingSettings& settings);
    // A copy of the working settings.
    CLightingSettings GetSettings() const { return m_settings; }

    // Shows the working copy in the swatches and sliders (without treating that as a move).
    void UpdateControls();
    // Recomputes the preview sphere from the working copy and shows it.
    void RenderPreview();

    // A swatch was clicked: offers the colour dialog and takes the chosen colour.
    void OnSwatchClicked(Swatch swatch);
    // The shininess slider moved to `position`.
    void OnShininessMoved(int position);
    // One of the light sliders moved: the light becomes the unit vector of the three positions,
    // and the sliders are set back to that vector's positions.
    void OnLightSliderMoved();
    // "Reset to Default Values": every member of a newly constructed CLightingSettings.
    void OnResetDefaults();
    // "Advanced Options...": the Phong factors in their own dialog; OK takes them over.
    void OnAdvancedOptions();

    // Controls, for the tests and the layout.
    CColorSwatch* SwatchControl(Swatch swatch) const { return m_swatches[static_cast<std::size_t>(swatch)]; }
    QSlider* ShininessSlider() const { return m_shininess; }
    QSlider* HorizontalLightSlider() const { return m_lightHorizontal; }
    QSlider* VerticalLightSlider() const { return m_lightVertical; }
    QSlider* DepthLightSlider() const { return m_lightDepth; }
    LightSliderPositions LightPositions() const;
    CPreviewFrame* Preview() const { return m_preview; }
    QPushButton* ResetButton() const { return m_resetButton; }
    QPushButton* AdvancedButton() const { return m_advancedButton; }

  private:
    void SetLightPositions(const LightSliderPositions& positions);

    CLightingSettings m_settings;
    CViewingSpace m_previewCamera;

    std::array<CColorSwatch*, kSwatchCount> m_swatches{};
    QSlider* m_shininess = nullptr;
    QSlider* m_lightHorizontal = nullptr;
    QSlider* m_lightVertical = nullptr;
    QSlider* m_lightDepth = nullptr;
    CPreviewFrame* m_preview = nullptr;
    QPushButton* m_resetButton = nullptr;
    QPushButton* m_advancedButton = nullptr;
};

}  // namespace quorvane
