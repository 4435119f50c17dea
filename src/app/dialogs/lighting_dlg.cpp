#include "app/dialogs/lighting_dlg.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "app/dialogs/dialog_services.h"
#include "app/dialogs/lighting_widgets.h"
#include "app/dialogs/phong_dlg.h"
#include "render/preview.h"

namespace quorvane {

namespace {

constexpr int kShininessMin = 1;
constexpr int kShininessMax = 30;

// How each swatch reads and writes its colour, in the order of CLightingDlg::Swatch.
struct SwatchBinding {
    COLORREF (CLightingSettings::*get)() const;
    void (CLightingSettings::*set)(COLORREF);
};
constexpr SwatchBinding kSwatchBindings[CLightingDlg::kSwatchCount] = {
    {&CLightingSettings::GetExteriorColor, &CLightingSettings::SetExteriorColor},
    {&CLightingSettings::GetInteriorColor, &CLightingSettings::SetInteriorColor},
    {&CLightingSettings::GetHighlightColor, &CLightingSettings::SetHighlightColor},
    {&CLightingSettings::GetAmbientLightColor, &CLightingSettings::SetAmbientLightColor},
    {&CLightingSettings::GetDirectionalLightColor, &CLightingSettings::SetDirectionalLightColor},
};

// A horizontal slider without ticks over min .. max.
QSlider* MakeSlider(int min, int max, int width, QWidget* parent) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(min, max);
    slider->setTickPosition(QSlider::NoTicks);
    slider->setMinimumWidth(width);
    return slider;
}

// The shininess slider's position: the exponent truncated toward zero, kept within the slider.
int ShininessPosition(double shininess) {
    if (!std::isfinite(shininess)) {
        return kShininessMin;
    }
    return static_cast<int>(std::clamp(shininess, double{kShininessMin}, double{kShininessMax}));
}

}  // namespace

CLightingDlg::CLightingDlg(QWidget* parent) : QDialog(parent), m_previewCamera(MakePreviewCamera()) {
    setWindowTitle(QStringLiteral("Lighting and Color Settings"));

    for (CColorSwatch*& swatch : m_swatches) {
        swatch = new CColorSwatch(this);
    }
    auto swatch = [this](Swatch which) { return m_swatches[static_cast<std::size_t>(which)]; };

    // "Model Surface": the two surface colours, the highlight colour and the shininess.
    auto* surfaceBox = new QGroupBox(QStringLiteral("Model Surface"), this);
    m_shininess = MakeSlider(kShininessMin, kShininessMax, 108, surfaceBox);
    auto* surface = new QGridLayout(surfaceBox);
    surface->addWidget(new QLabel(QStringLiteral("Exterior Color:"), surfaceBox), 0, 0);
    surface->addWidget(swatch(Swatch::kExterior), 0, 1);
    surface->addWidget(new QLabel(QStringLiteral("Interior Color:"), surfaceBox), 1, 0);
    surface->addWidget(swatch(Swatch::kInterior), 1, 1);
    surface->setColumnMinimumWidth(2, 20);
    surface->addWidget(new QLabel(QStringLiteral("Highlight Color:"), surfaceBox), 0, 3);
    surface->addWidget(swatch(Swatch::kHighlight), 0, 4, Qt::AlignLeft);
    surface->addWidget(new QLabel(QStringLiteral("Shininess:"), surfaceBox), 1, 3);
    surface->addWidget(m_shininess, 1, 4);
    surface->setColumnStretch(5, 1);

    // "Lighting": the two light colours and the "Light Position" sliders.
    auto* lightingBox = new QGroupBox(QStringLiteral("Lighting"), this);
    auto* lightColors = new QGridLayout;
    lightColors->addWidget(new QLabel(QStringLiteral("Ambient Light Color:"), lightingBox), 0, 0);
    lightColors->addWidget(swatch(Swatch::kAmbientLight), 0, 1);
    lightColors->addWidget(new QLabel(QStringLiteral("Directional Light Color:"), lightingBox), 1, 0);
    lightColors->addWidget(swatch(Swatch::kDirectionalLight), 1, 1);
    lightColors->setColumnStretch(2, 1);

    auto* positionBox = new QGroupBox(QStringLiteral("Light Position"), lightingBox);
    m_lightVertical = MakeSlider(kLightSliderMin, kLightSliderMax, 123, positionBox);
    m_lightDepth = MakeSlider(kLightSliderMin, kLightSliderMax, 123, positionBox);
    m_lightHorizontal = MakeSlider(kLightSliderMin, kLightSliderMax, 123, positionBox);
    auto* position = new QGridLayout(positionBox);
    const struct {
        const char* low;
        QSlider* slider;
        const char* high;
    } rows[3] = {{"Below", m_lightVertical, "Above"},
                 {"Front", m_lightDepth, "Back"},
                 {"Left", m_lightHorizontal, "Right"}};
    for (int row = 0; row < 3; ++row) {
        position->addWidget(new QLabel(QString::fromLatin1(rows[row].low), positionBox), row, 0);
        position->addWidget(rows[row].slider, row, 1);
        position->addWidget(new QLabel(QString::fromLatin1(rows[row].high), positionBox), row, 2);
    }

    auto* lighting = new QVBoxLayout(lightingBox);
    lighting->addLayout(lightColors);
    lighting->addWidget(positionBox);

    // "Preview": the lit sphere centred on black.
    auto* previewBox = new QGroupBox(QStringLiteral("Preview"), this);
    m_preview = new CPreviewFrame(kPreviewWidth, kPreviewHeight, previewBox);
    auto* preview = new QVBoxLayout(previewBox);
    preview->addWidget(m_preview);

    auto* lower = new QHBoxLayout;
    lower->addWidget(lightingBox);
    lower->addWidget(previewBox);

    auto* left = new QVBoxLayout;
    left->addWidget(surfaceBox);
    left->addLayout(lower);

    auto* okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_resetButton = new QPushButton(QStringLiteral("Reset to Default Values"), this);
    m_advancedButton = new QPushButton(QStringLiteral("Advanced Options..."), this);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    buttons->addSpacing(6);
    buttons->addWidget(m_resetButton);
    buttons->addWidget(m_advancedButton);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Tab goes through the buttons, then through the controls group by group, each column from top
    // to bottom, as the controls are read.
    QWidget* const tabOrder[] = {okButton,
                                 cancelButton,
                                 m_resetButton,
                                 m_advancedButton,
                                 swatch(Swatch::kExterior),
                                 swatch(Swatch::kInterior),
                                 swatch(Swatch::kHighlight),
                                 m_shininess,
                                 swatch(Swatch::kAmbientLight),
                                 swatch(Swatch::kDirectionalLight),
                                 m_lightVertical,
                                 m_lightDepth,
                                 m_lightHorizontal};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
    // The dialog opens on OK (the swatches, made first, would take the focus), so Enter ends it.
    okButton->setFocus(Qt::OtherFocusReason);

    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_resetButton, &QPushButton::clicked, this, &CLightingDlg::OnResetDefaults);
    connect(m_advancedButton, &QPushButton::clicked, this, &CLightingDlg::OnAdvancedOptions);
    for (std::size_t i = 0; i < m_swatches.size(); ++i) {
        connect(m_swatches[i], &CColorSwatch::clicked, this,
                [this, i] { OnSwatchClicked(static_cast<Swatch>(i)); });
    }
    // valueChanged follows the thumb while it is dragged, so the preview updates continuously.
    connect(m_shininess, &QSlider::valueChanged, this, &CLightingDlg::OnShininessMoved);
    for (QSlider* slider : {m_lightHorizontal, m_lightVertical, m_lightDepth}) {
        connect(slider, &QSlider::valueChanged, this, [this] { OnLightSliderMoved(); });
    }

    UpdateControls();
    RenderPreview();
}

void CLightingDlg::SetSettings(const CLightingSettings& settings) {
    m_settings = settings;
    UpdateControls();
    RenderPreview();
}

void CLightingDlg::UpdateControls() {
    for (std::size_t i = 0; i < m_swatches.size(); ++i) {
        m_swatches[i]->SetColor((m_settings.*kSwatchBindings[i].get)());
    }
    {
        const QSignalBlocker blocker(m_shininess);
        m_shininess->setValue(ShininessPosition(m_settings.m_shininess));
    }
    SetLightPositions(LightSliderPositionsFor(m_settings.GetLightPosition()));
}

void CLightingDlg::RenderPreview() {
    QImage& image = m_preview->Image();
    // Rows of a 32-bit image of this width are contiguous: 128 pixels of 4 bytes.
    auto* pixels = reinterpret_cast<std::uint32_t*>(image.bits());
    RenderLightingPreview(m_settings, m_previewCamera, pixels);
    m_preview->update();
}

void CLightingDlg::OnSwatchClicked(Swatch swatch) {
    const auto index = static_cast<std::size_t>(swatch);
    const std::optional<COLORREF> chosen = ChooseColor(this, (m_settings.*kSwatchBindings[index].get)());
    if (!chosen) {
        return;
    }
    (m_settings.*kSwatchBindings[index].set)(*chosen);
    // The swatch shows the colour as chosen, not as read back through the real-valued colour.
    m_swatches[index]->SetColor(*chosen);
    RenderPreview();
}

void CLightingDlg::OnShininessMoved(int position) {
    m_settings.m_shininess = position;
    RenderPreview();
}

void CLightingDlg::OnLightSliderMoved() {
    const LightSliderSnap snap = SnapLightSliders(LightPositions());
    m_settings.SetLightPosition(snap.light);
    SetLightPositions(snap.positions);
    RenderPreview();
}

void CLightingDlg::OnResetDefaults() {
    m_settings = CLightingSettings();
    UpdateControls();
    RenderPreview();
}

void CLightingDlg::OnAdvancedOptions() {
    CPhongDlg phong(this);
    phong.m_ambient = m_settings.m_ambientFactor;
    phong.m_diffuse = m_settings.m_diffuseFactor;
    phong.m_specular = m_settings.m_specularFactor;
    phong.ShowValues();
    if (RunModal(phong) != QDialog::Accepted) {
        return;
    }
    m_settings.m_ambientFactor = phong.m_ambient;
    m_settings.m_diffuseFactor = phong.m_diffuse;
    m_settings.m_specularFactor = phong.m_specular;
    RenderPreview();
}

LightSliderPositions CLightingDlg::LightPositions() const {
    return {m_lightHorizontal->value(), m_lightVertical->value(), m_lightDepth->value()};
}

// Sets the three light sliders without reporting it as a move.
void CLightingDlg::SetLightPositions(const LightSliderPositions& positions) {
    const QSignalBlocker blockHorizontal(m_lightHorizontal);
    const QSignalBlocker blockVertical(m_lightVertical);
    const QSignalBlocker blockDepth(m_lightDepth);
    m_lightHorizontal->setValue(positions.horizontal);
    m_lightVertical->setValue(positions.vertical);
    m_lightDepth->setValue(positions.depth);
}

}  // namespace quorvane
