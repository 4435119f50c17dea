// The lighting and Phong dialogs driven without modal loops: the colour dialog, message boxes
// and nested dialogs are replaced through the dialog services.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStringList>
#include <QTest>
#include <cmath>
#include <functional>
#include <ostream>
#include <vector>

#include "app/dialogs/dialog_services.h"
#include "app/dialogs/dialogs.h"
#include "app/dialogs/lighting_dlg.h"
#include "app/dialogs/lighting_widgets.h"
#include "app/dialogs/phong_dlg.h"

namespace quorvane {
namespace {

using Swatch = CLightingDlg::Swatch;

// Every member the user can change, compared one by one.
void ExpectSameUserSettings(const CLightingSettings& actual, const CLightingSettings& expected) {
    EXPECT_EQ(actual.m_lightPosition, expected.m_lightPosition);
    EXPECT_EQ(actual.m_exteriorColor, expected.m_exteriorColor);
    EXPECT_EQ(actual.m_interiorColor, expected.m_interiorColor);
    EXPECT_EQ(actual.m_ambientLightColor, expected.m_ambientLightColor);
    EXPECT_EQ(actual.m_directionalLightColor, expected.m_directionalLightColor);
    EXPECT_EQ(actual.m_highlightColor, expected.m_highlightColor);
    EXPECT_EQ(actual.m_ambientFactor, expected.m_ambientFactor);
    EXPECT_EQ(actual.m_diffuseFactor, expected.m_diffuseFactor);
    EXPECT_EQ(actual.m_specularFactor, expected.m_specularFactor);
    EXPECT_EQ(actual.m_shininess, expected.m_shininess);
}

// A left click on a widget's centre, as the user makes it.
void Click(QWidget* widget) {
    const QPointF centre = QRectF(widget->rect()).center();
    const QPointF global = widget->mapToGlobal(centre);
    QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QCoreApplication::sendEvent(widget, &release);
}

// The colour a widget shows at its centre.
QRgb ShownColourAtCentre(QWidget* widget) {
    const QImage shot = widget->grab().toImage();
    return shot.pixel(shot.width() / 2, shot.height() / 2);
}

// The preview image as the dialog shows it on screen.
QImage ShownPreview(CLightingDlg& dialog) {
    dialog.layout()->activate();
    return dialog.Preview()->grab().toImage();
}

// Runs every modal dialog through `drive`, which ends it; the result is the dialog's.
ScopedDialogServices DriveModals(std::function<void(QDialog&)> drive) {
    DialogServices services;
    services.runModal = [drive](QDialog& dialog) {
        drive(dialog);
        return dialog.result();
    };
    services.reportRefusal = [](QWidget*, const QString& message) {
        ADD_FAILURE() << "unexpected refusal: " << message.toStdString();
    };
    services.chooseColor = [](QWidget*, COLORREF) -> std::optional<COLORREF> {
        ADD_FAILURE() << "unexpected colour dialog";
        return std::nullopt;
    };
    return ScopedDialogServices(std::move(services));
}

TEST(LightingDialog, DefaultSettingsPutTheSlidersAtTheirDefaultPositions) {
    CLightingDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "Lighting and Color Settings");
    EXPECT_EQ(dialog.LightPositions(), (LightSliderPositions{10, 10, 0}));
    EXPECT_EQ(dialog.HorizontalLightSlider()->value(), 10);
    EXPECT_EQ(dialog.VerticalLightSlider()->value(), 10);
    EXPECT_EQ(dialog.DepthLightSlider()->value(), 0);
    EXPECT_EQ(dialog.ShininessSlider()->value(), 15);
    EXPECT_EQ(dialog.ShininessSlider()->minimum(), 1);
    EXPECT_EQ(dialog.ShininessSlider()->maximum(), 30);
    EXPECT_EQ(dialog.DepthLightSlider()->minimum(), 0);
    EXPECT_EQ(dialog.DepthLightSlider()->maximum(), 20);
}

TEST(LightingDialog, PreviewShowsTheLitSphereCentredOnBlack) {
    CLightingDlg dialog;
    const QImage& image = dialog.Preview()->Image();
    ASSERT_EQ(image.size(), QSize(128, 108));
    EXPECT_EQ(image.pixel(64, 54), qRgb(124, 124, 255));
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(64 + 57, 54), qRgb(0, 0, 0));

    const QImage shown = ShownPreview(dialog);
    const QPoint origin = dialog.Preview()->ImageOrigin();
    EXPECT_EQ(shown.pixel(origin + QPoint(64, 54)), qRgb(124, 124, 255));
    // The frame around the image is black too.
    EXPECT_GT(origin.x(), 2);
    EXPECT_GT(origin.y(), 2);
    EXPECT_EQ(shown.pixel(origin - QPoint(1, 1)), qRgb(0, 0, 0));
    // The image is centred in the frame.
    const QRect inside = dialog.Preview()->contentsRect();
    EXPECT_LE(std::abs((origin.x() - inside.left()) - (inside.right() - (origin.x() + 127))), 1);
    EXPECT_LE(std::abs((origin.y() - inside.top()) - (inside.bottom() - (origin.y() + 107))), 1);
}

TEST(LightingDialog, MovingALightSliderSnapsAllThreeToTheUnitVector) {
    CLightingDlg dialog;
    const QRgb before = dialog.Preview()->Image().pixel(64, 54);
    dialog.HorizontalLightSlider()->setValue(20);
    EXPECT_EQ(dialog.LightPositions(), (LightSliderPositions{17, 10, 3}));
    const CVector3D light = dialog.GetSettings().m_lightPosition;
    EXPECT_DOUBLE_EQ(light.x, 1.0 / std::sqrt(2.0));
    EXPECT_EQ(light.y, 0.0);
    EXPECT_DOUBLE_EQ(light.z, -1.0 / std::sqrt(2.0));
    EXPECT_NE(dialog.Preview()->Image().pixel(64, 54), before);
}

TEST(LightingDialog, EveryLightSliderMoveFollowsTheSnappingRule) {
    // Slider positions at the ends, around the centre and between, moved to through the dialog:
    // the light and the rest positions are exactly those of the rule the rule tests check.
    CLightingDlg dialog;
    const int stops[] = {0, 1, 4, 9, 10, 11, 16, 19, 20};
    for (int h : stops) {
        for (int v : stops) {
            for (int d : stops) {
                const LightSliderPositions moved{h, v, d};
                {
                    const QSignalBlocker blockH(dialog.HorizontalLightSlider());
                    const QSignalBlocker blockV(dialog.VerticalLightSlider());
                    const QSignalBlocker blockD(dialog.DepthLightSlider());
                    dialog.HorizontalLightSlider()->setValue(h);
                    dialog.VerticalLightSlider()->setValue(v);
                    dialog.DepthLightSlider()->setValue(d);
                }
                dialog.OnLightSliderMoved();
                const LightSliderSnap snap = SnapLightSliders(moved);
                CLightingSettings expected = dialog.GetSettings();
                expected.SetLightPosition(snap.light);
                ASSERT_EQ(dialog.LightPositions(), snap.positions) << h << ' ' << v << ' ' << d;
                ASSERT_EQ(dialog.GetSettings().m_lightPosition, expected.m_lightPosition)
                    << h << ' ' << v << ' ' << d;
            }
        }
    }
}

TEST(LightingDialog, CentringAllThreeSlidersPutsTheLightInFront) {
    CLightingDlg dialog;
    {
        const QSignalBlocker blocker(dialog.DepthLightSlider());
        dialog.DepthLightSlider()->setValue(10);
    }
    dialog.OnLightSliderMoved();
    EXPECT_EQ(dialog.LightPositions(), (LightSliderPositions{10, 10, 0}));
    EXPECT_EQ(dialog.GetSettings().m_lightPosition, CVector3D(0.0, 0.0, -1.0));
}

TEST(LightingDialog, ShininessSliderSetsAWholeExponent) {
    CLightingSettings settings;
    settings.m_shininess = 7.9;
    CLightingDlg dialog;
    dialog.SetSettings(settings);
    EXPECT_EQ(dialog.ShininessSlider()->value(), 7);
    // Showing the position does not change the exponent; moving the slider does.
    EXPECT_EQ(dialog.GetSettings().m_shininess, 7.9);
    dialog.ShininessSlider()->setValue(30);
    EXPECT_EQ(dialog.GetSettings().m_shininess, 30.0);
}

TEST(LightingDialog, OkWithoutChangesHandsBackTheSameSettings) {
    CLightingSettings settings;
    settings.SetLightPosition(CVector3D(0.6, 0.0, -0.8));
    settings.m_shininess = 15.5;
    settings.m_ambientFactor = 0.25;
    settings.SetInteriorColor(RGB(10, 200, 30));
    const CLightingSettings original = settings;
    const auto services = DriveModals([](QDialog& dialog) { dialog.accept(); });
    EXPECT_TRUE(RunLightingDialog(nullptr, settings));
    ExpectSameUserSettings(settings, original);
}

TEST(LightingDialog, CancelAfterChangesLeavesTheSettingsUntouched) {
    CLightingSettings settings;
    settings.m_shininess = 4.0;
    const CLightingSettings original = settings;
    DialogServices services;
    services.chooseColor = [](QWidget*, COLORREF) -> std::optional<COLORREF> { return RGB(1, 2, 3); };
    services.runModal = [](QDialog& dialog) {
        if (auto* phong = dynamic_cast<CPhongDlg*>(&dialog)) {
            phong->AmbientEdit()->setText("0.1");
            phong->accept();
        } else if (auto* lighting = dynamic_cast<CLightingDlg*>(&dialog)) {
            Click(lighting->SwatchControl(Swatch::kExterior));
            Click(lighting->SwatchControl(Swatch::kDirectionalLight));
            lighting->VerticalLightSlider()->setValue(20);
            lighting->ShininessSlider()->setValue(29);
            lighting->AdvancedButton()->click();
            EXPECT_EQ(lighting->GetSettings().m_ambientFactor, 0.1);
            EXPECT_EQ(lighting->GetSettings().GetExteriorColor(), RGB(1, 2, 3));
            lighting->reject();
        }
        return dialog.result();
    };
    const ScopedDialogServices scoped(std::move(services));
    EXPECT_FALSE(RunLightingDialog(nullptr, settings));
    ExpectSameUserSettings(settings, original);
}

TEST(LightingDialog, ResetThenOkRestoresEveryDefault) {
    CLightingSettings settings;
    settings.m_ambientFactor = 0.1;
    settings.m_diffuseFactor = 0.2;
    settings.m_specularFactor = 0.3;
    settings.m_shininess = 3.0;
    settings.SetLightPosition(CVector3D(1.0, 1.0, 0.0));
    settings.SetExteriorColor(RGB(9, 9, 9));
    settings.SetHighlightColor(RGB(0, 0, 0));
    const auto services = DriveModals([](QDialog& dialog) {
        auto& lighting = dynamic_cast<CLightingDlg&>(dialog);
        lighting.ResetButton()->click();
        EXPECT_EQ(lighting.LightPositions(), (LightSliderPositions{10, 10, 0}));
        EXPECT_EQ(lighting.ShininessSlider()->value(), 15);
        EXPECT_EQ(lighting.SwatchControl(Swatch::kExterior)->Color(), RGB(0, 0, 255));
        EXPECT_EQ(lighting.Preview()->Image().pixel(64, 54), qRgb(124, 124, 255));
        lighting.accept();
    });
    EXPECT_TRUE(RunLightingDialog(nullptr, settings));
    ExpectSameUserSettings(settings, CLightingSettings());
    EXPECT_EQ(settings.m_ambientFactor, 0.4);
    EXPECT_EQ(settings.m_diffuseFactor, 0.6);
    EXPECT_EQ(settings.m_specularFactor, 0.7);
    EXPECT_EQ(settings.m_shininess, 15.0);
}

// A byte of 33 does not survive the real-valued colour: the swatch shows 33 as chosen, the
// settings give back 32, and so does the next opening.
TEST(LightingDialog, SwatchShowsTheChosenColourAndTheNextOpeningTheStoredOne) {
    CLightingSettings settings;
    std::vector<COLORREF> initialColours;
    DialogServices first;
    first.chooseColor = [&](QWidget*, COLORREF initial) -> std::optional<COLORREF> {
        initialColours.push_back(initial);
        return RGB(33, 33, 33);
    };
    first.runModal = [](QDialog& dialog) {
        auto& lighting = dynamic_cast<CLightingDlg&>(dialog);
        CColorSwatch* swatch = lighting.SwatchControl(Swatch::kHighlight);
        Click(swatch);
        EXPECT_EQ(swatch->Color(), RGB(33, 33, 33));
        EXPECT_EQ(ShownColourAtCentre(swatch), qRgb(33, 33, 33));
        lighting.accept();
        return dialog.result();
    };
    {
        const ScopedDialogServices scoped(std::move(first));
        ASSERT_TRUE(RunLightingDialog(nullptr, settings));
    }
    ASSERT_EQ(initialColours.size(), 1u);
    EXPECT_EQ(initialColours[0], RGB(178, 178, 178));  // 0.7 of 255, truncated
    EXPECT_EQ(settings.GetHighlightColor(), RGB(32, 32, 32));

    DialogServices second;
    second.chooseColor = [&](QWidget*, COLORREF initial) -> std::optional<COLORREF> {
        initialColours.push_back(initial);
        return std::nullopt;
    };
    second.runModal = [](QDialog& dialog) {
        auto& lighting = dynamic_cast<CLightingDlg&>(dialog);
        CColorSwatch* swatch = lighting.SwatchControl(Swatch::kHighlight);
        EXPECT_EQ(ShownColourAtCentre(swatch), qRgb(32, 32, 32));
        Click(swatch);  // cancelled: nothing changes
        EXPECT_EQ(ShownColourAtCentre(swatch), qRgb(32, 32, 32));
        lighting.accept();
        return dialog.result();
    };
    const ScopedDialogServices scoped(std::move(second));
    ASSERT_TRUE(RunLightingDialog(nullptr, settings));
    ASSERT_EQ(initialColours.size(), 2u);
    EXPECT_EQ(initialColours[1], RGB(32, 32, 32));
    EXPECT_EQ(settings.GetHighlightColor(), RGB(32, 32, 32));
}

TEST(LightingDialog, EachSwatchEditsItsOwnColour) {
    CLightingDlg dialog;
    COLORREF next = RGB(255, 0, 0);
    DialogServices services;
    services.chooseColor = [&](QWidget*, COLORREF) -> std::optional<COLORREF> { return next; };
    const ScopedDialogServices scoped(std::move(services));
    const Swatch swatches[] = {Swatch::kExterior, Swatch::kInterior, Swatch::kHighlight,
                               Swatch::kAmbientLight, Swatch::kDirectionalLight};
    const COLORREF colours[] = {RGB(1, 0, 0), RGB(2, 0, 0), RGB(3, 0, 0), RGB(4, 0, 0), RGB(5, 0, 0)};
    for (int i = 0; i < 5; ++i) {
        next = colours[i];
        Click(dialog.SwatchControl(swatches[i]));
    }
    const CLightingSettings settings = dialog.GetSettings();
    EXPECT_EQ(settings.m_exteriorColor, ColorRefToReal(colours[0]));
    EXPECT_EQ(settings.m_interiorColor, ColorRefToReal(colours[1]));
    EXPECT_EQ(settings.m_highlightColor, ColorRefToReal(colours[2]));
    EXPECT_EQ(settings.m_ambientLightColor, ColorRefToReal(colours[3]));
    EXPECT_EQ(settings.m_directionalLightColor, ColorRefToReal(colours[4]));
}

// The dialog's push button labelled `text`.
QPushButton* Button(QDialog& dialog, const char* text) {
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->text() == QLatin1String(text)) {
            return button;
        }
    }
    ADD_FAILURE() << "no button " << text;
    return nullptr;
}

TEST(LightingDialog, TabGoesThroughTheButtonsThenTheControlsAsTheyAreRead) {
    CLightingDlg dialog;
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    const std::vector<QWidget*> expected{Button(dialog, "OK"),
                                         Button(dialog, "Cancel"),
                                         dialog.ResetButton(),
                                         dialog.AdvancedButton(),
                                         dialog.SwatchControl(Swatch::kExterior),
                                         dialog.SwatchControl(Swatch::kInterior),
                                         dialog.SwatchControl(Swatch::kHighlight),
                                         dialog.ShininessSlider(),
                                         dialog.SwatchControl(Swatch::kAmbientLight),
                                         dialog.SwatchControl(Swatch::kDirectionalLight),
                                         dialog.VerticalLightSlider(),
                                         dialog.DepthLightSlider(),
                                         dialog.HorizontalLightSlider()};
    // The dialog opens with the focus on OK, so Enter still ends it.
    EXPECT_EQ(QApplication::focusWidget(), expected.front());
    expected.front()->setFocus(Qt::OtherFocusReason);
    std::vector<QWidget*> reached{QApplication::focusWidget()};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached.push_back(QApplication::focusWidget());
    }
    std::vector<QWidget*> cycle = expected;
    cycle.push_back(expected.front());  // and round again
    EXPECT_EQ(reached, cycle);
    // Backwards the same way.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), expected.back());
}

struct SwatchKey {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

void PrintTo(const SwatchKey& key, std::ostream* out) {
    *out << key.name;
}

class LightingSwatchKey : public ::testing::TestWithParam<SwatchKey> {};

TEST_P(LightingSwatchKey, OpensTheColourChoiceOfTheFocusedSwatchOnly) {
    const SwatchKey& key = GetParam();
    CLightingDlg dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    std::vector<COLORREF> offered;
    DialogServices services;
    services.chooseColor = [&](QWidget*, COLORREF initial) -> std::optional<COLORREF> {
        offered.push_back(initial);
        return RGB(7, 8, 9);
    };
    const ScopedDialogServices scoped(std::move(services));
    const Swatch swatches[] = {Swatch::kExterior, Swatch::kInterior, Swatch::kHighlight,
                               Swatch::kAmbientLight, Swatch::kDirectionalLight};
    for (const Swatch swatch : swatches) {
        CColorSwatch* control = dialog.SwatchControl(swatch);
        EXPECT_TRUE(control->focusPolicy() & Qt::TabFocus);
        control->setFocus(Qt::TabFocusReason);
        const COLORREF before = control->Color();
        offered.clear();
        QTest::keyClick(control, key.key, key.modifiers);
        ASSERT_EQ(offered, std::vector<COLORREF>{before});
        EXPECT_EQ(control->Color(), RGB(7, 8, 9));
    }
    EXPECT_EQ(dialog.GetSettings().GetExteriorColor(), RGB(7, 8, 9));
    // The key went to the swatch, not to the default button: the dialog is still open.
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
}

INSTANTIATE_TEST_SUITE_P(Keys, LightingSwatchKey,
                         ::testing::Values(SwatchKey{"Space", Qt::Key_Space, Qt::NoModifier},
                                           SwatchKey{"Return", Qt::Key_Return, Qt::NoModifier},
                                           SwatchKey{"KeypadEnter", Qt::Key_Enter, Qt::KeypadModifier}),
                         [](const ::testing::TestParamInfo<SwatchKey>& info) { return info.param.name; });

TEST(LightingDialog, OtherKeysOnASwatchOfferNoColour) {
    CLightingDlg dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const auto services = DriveModals([](QDialog&) { ADD_FAILURE() << "unexpected dialog"; });
    CColorSwatch* control = dialog.SwatchControl(Swatch::kInterior);
    control->setFocus(Qt::TabFocusReason);
    QTest::keyClick(control, Qt::Key_A);
    QTest::keyClick(control, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(control->Color(), RGB(255, 0, 0));
}

// A specular factor of 0.25 makes the highlight 0.7 x 0.25 = 0.175, 44 after truncation.
TEST(LightingDialog, PhongFactorsReachThePreviewAtOnce) {
    CLightingDlg dialog;
    QStringList shown;
    const auto services = DriveModals([&](QDialog& modal) {
        auto& phong = dynamic_cast<CPhongDlg&>(modal);
        shown << phong.AmbientEdit()->text() << phong.DiffuseEdit()->text() << phong.SpecularEdit()->text();
        phong.SpecularEdit()->setText("0.25");
        phong.accept();
    });
    dialog.AdvancedButton()->click();
    EXPECT_EQ(shown, (QStringList{"0.4", "0.6", "0.7"}));
    EXPECT_EQ(dialog.GetSettings().m_specularFactor, 0.25);
    EXPECT_EQ(dialog.Preview()->Image().pixel(64, 54), qRgb(44, 44, 255));
}

TEST(LightingDialog, CancelledPhongDialogChangesNothing) {
    CLightingDlg dialog;
    const auto services = DriveModals([](QDialog& modal) {
        auto& phong = dynamic_cast<CPhongDlg&>(modal);
        phong.ResetButton()->click();
        EXPECT_EQ(phong.AmbientEdit()->text(), "0.6");
        EXPECT_EQ(phong.DiffuseEdit()->text(), "0.6");
        EXPECT_EQ(phong.SpecularEdit()->text(), "0.6");
        phong.reject();
    });
    dialog.AdvancedButton()->click();
    EXPECT_EQ(dialog.GetSettings().m_ambientFactor, 0.4);
    EXPECT_EQ(dialog.GetSettings().m_diffuseFactor, 0.6);
    EXPECT_EQ(dialog.GetSettings().m_specularFactor, 0.7);
}

// The Phong dialog with its refusals collected instead of shown.
struct PhongFixture : ::testing::Test {
    QStringList refusals;
    ScopedDialogServices services{
        DialogServices{nullptr, [this](QWidget*, const QString& message) { refusals << message; }, nullptr}};
    CPhongDlg dialog;

    void SetUp() override {
        dialog.m_ambient = 0.4;
        dialog.m_diffuse = 0.6;
        dialog.m_specular = 0.7;
        dialog.ShowValues();
        dialog.show();
        dialog.activateWindow();
    }
};

TEST_F(PhongFixture, ShowsTheFactorsWithFifteenDigits) {
    EXPECT_EQ(dialog.windowTitle(), "Phong Factor Settings");
    EXPECT_EQ(dialog.AmbientEdit()->text(), "0.4");
    EXPECT_EQ(dialog.DiffuseEdit()->text(), "0.6");
    EXPECT_EQ(dialog.SpecularEdit()->text(), "0.7");
    dialog.m_ambient = 0.1 + 0.2;
    dialog.ShowValues();
    EXPECT_EQ(dialog.AmbientEdit()->text(), "0.3");
}

TEST_F(PhongFixture, RefusalKeepsTheDialogOpenAndFocusesTheFirstBadField) {
    dialog.AmbientEdit()->setText("1.0000001");
    dialog.SpecularEdit()->setText("0.5x");
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(refusals, QStringList{"Please enter a number between 0 and 1."});
    EXPECT_EQ(dialog.focusWidget(), dialog.AmbientEdit());
    EXPECT_EQ(dialog.AmbientEdit()->selectedText(), "1.0000001");
    // The edits keep what was typed.
    EXPECT_EQ(dialog.SpecularEdit()->text(), "0.5x");

    dialog.AmbientEdit()->setText(" \t0.25\t ");
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(refusals.size(), 2);
    EXPECT_EQ(refusals.value(1), "Please enter a number.");
    EXPECT_EQ(dialog.focusWidget(), dialog.SpecularEdit());
    EXPECT_EQ(dialog.SpecularEdit()->selectedText(), "0.5x");

    dialog.SpecularEdit()->setText("1");
    dialog.DiffuseEdit()->setText("0");
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(refusals.size(), 2);
    EXPECT_EQ(dialog.m_ambient, 0.25);
    EXPECT_EQ(dialog.m_diffuse, 0.0);
    EXPECT_EQ(dialog.m_specular, 1.0);
}

TEST_F(PhongFixture, EmptyOrNegativeFieldsAreRefused) {
    dialog.DiffuseEdit()->setText("");
    dialog.accept();
    EXPECT_EQ(refusals.value(0), "Please enter a number.");
    EXPECT_EQ(dialog.focusWidget(), dialog.DiffuseEdit());
    dialog.DiffuseEdit()->setText("-0.1");
    dialog.accept();
    EXPECT_EQ(refusals.value(1), "Please enter a number between 0 and 1.");
    EXPECT_TRUE(dialog.isVisible());
}

}  // namespace
}  // namespace quorvane
