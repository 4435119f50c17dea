// The viewing-space and model-information dialogs, driven without modal loops.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStringList>
#include <array>
#include <functional>

#include "app/dialogs/dialog_services.h"
#include "app/dialogs/dialogs.h"
#include "app/dialogs/model_info_dlg.h"
#include "app/dialogs/viewing_space_dlg.h"

namespace quorvane {
namespace {

// Collects refusals and runs every modal dialog through `drive`, which ends it.
struct DrivenDialogs {
    QStringList refusals;
    std::function<void(QDialog&)> drive;
    ScopedDialogServices services{
        DialogServices{nullptr, [this](QWidget*, const QString& message) { refusals << message; },
                       [this](QDialog& dialog) {
                           drive(dialog);
                           return dialog.result();
                       }}};
};

CViewingSpace MakeCamera(const CVector3D& from, const CVector3D& at, const CVector3D& up, double angle) {
    CViewingSpace camera;
    camera.SetAtPoint(at);
    camera.SetFromPoint(from);
    camera.SetUpVector(up);
    camera.SetViewingAngle(angle);
    return camera;
}

TEST(ViewingSpaceDialog, ShowsTheCameraAndRereadsItFromFifteenDigits) {
    DrivenDialogs driven;
    QStringList shown;
    driven.drive = [&](QDialog& dialog) {
        auto& viewing = dynamic_cast<CViewingSpaceDlg&>(dialog);
        EXPECT_EQ(viewing.windowTitle(), "Viewing Space Parameters");
        for (int i = 0; i < CViewingSpaceDlg::kEditCount; ++i) {
            shown << viewing.Edit(i)->text();
        }
        viewing.accept();
    };
    const CViewingSpace camera = MakeCamera(CVector3D(1.0 / 3.0, -2.0, 1e-20),
                                            CVector3D(0.1 + 0.2, 0.0, -4.5), CVector3D(0.0, 1.0, 0.0), 45.0);
    ViewingParameters result;
    ASSERT_TRUE(RunViewingSpaceDialog(nullptr, camera, result));
    EXPECT_EQ(shown,
              (QStringList{"0.3", "0", "-4.5", "0.333333333333333", "-2", "1e-20", "0", "1", "0", "45"}));
    EXPECT_EQ(result.at, CVector3D(0.3, 0.0, -4.5));
    EXPECT_EQ(result.from, CVector3D(0.333333333333333, -2.0, 1e-20));
    EXPECT_EQ(result.up, CVector3D(0.0, 1.0, 0.0));
    EXPECT_EQ(result.angle, 45.0);
    EXPECT_TRUE(driven.refusals.isEmpty());
}

TEST(ViewingSpaceDialog, EveryFieldShowsTheStartOfItsNumber) {
    // Numbers far longer than their narrow fields: the sign and the leading digits are in view.
    DrivenDialogs driven;
    driven.drive = [](QDialog& dialog) {
        auto& viewing = dynamic_cast<CViewingSpaceDlg&>(dialog);
        viewing.show();
        QCoreApplication::processEvents();
        for (int i = 0; i < CViewingSpaceDlg::kEditCount; ++i) {
            QLineEdit* edit = viewing.Edit(i);
            SCOPED_TRACE(edit->text().toStdString());
            EXPECT_GT(edit->fontMetrics().horizontalAdvance(edit->text()), edit->width() / 2);
            EXPECT_EQ(edit->cursorPosition(), 0);
            EXPECT_FALSE(edit->hasSelectedText());
        }
        // Filled again (as after a reset): still from the start.
        viewing.m_atX = -1.49684234809595e-300;
        viewing.ShowValues();
        EXPECT_EQ(viewing.Edit(0)->text(), "-1.49684234809595e-300");
        EXPECT_EQ(viewing.Edit(0)->cursorPosition(), 0);
        viewing.reject();
    };
    const CViewingSpace camera = MakeCamera(
        CVector3D(-1.49684234809595, 2.71828182845905, -123456.789012345),
        CVector3D(-0.000123456789012345, 9876543.21098765, -3.14159265358979),
        CVector3D(-0.707106781186548, 0.707106781186548, -1.23456789012345e-300), 33.3333333333333);
    ViewingParameters result;
    EXPECT_FALSE(RunViewingSpaceDialog(nullptr, camera, result));
}

TEST(ViewingSpaceDialog, OkReturnsTheTypedValues) {
    DrivenDialogs driven;
    driven.drive = [](QDialog& dialog) {
        auto& viewing = dynamic_cast<CViewingSpaceDlg&>(dialog);
        const char* typed[] = {"1", "2", "3", " 4\t", "5", "6", "0", "0", "1", "180"};
        for (int i = 0; i < CViewingSpaceDlg::kEditCount; ++i) {
            viewing.Edit(i)->setText(typed[i]);
        }
        viewing.accept();
    };
    ViewingParameters result;
    ASSERT_TRUE(RunViewingSpaceDialog(nullptr, CViewingSpace(), result));
    EXPECT_EQ(result.at, CVector3D(1.0, 2.0, 3.0));
    EXPECT_EQ(result.from, CVector3D(4.0, 5.0, 6.0));
    EXPECT_EQ(result.up, CVector3D(0.0, 0.0, 1.0));
    EXPECT_EQ(result.angle, 180.0);
}

TEST(ViewingSpaceDialog, DegenerateCameraIsAccepted) {
    DrivenDialogs driven;
    driven.drive = [](QDialog& dialog) {
        auto& viewing = dynamic_cast<CViewingSpaceDlg&>(dialog);
        for (int i = 0; i < 9; ++i) {
            viewing.Edit(i)->setText("0");
        }
        viewing.Edit(9)->setText("0.5");
        viewing.accept();
    };
    ViewingParameters result;
    ASSERT_TRUE(RunViewingSpaceDialog(nullptr, CViewingSpace(), result));
    EXPECT_EQ(result.from, result.at);
    EXPECT_EQ(result.up, CVector3D(0.0, 0.0, 0.0));
    EXPECT_EQ(result.angle, 0.5);
}

TEST(ViewingSpaceDialog, CancelLeavesTheResultAlone) {
    DrivenDialogs driven;
    driven.drive = [](QDialog& dialog) {
        dynamic_cast<CViewingSpaceDlg&>(dialog).Edit(0)->setText("99");
        dialog.reject();
    };
    ViewingParameters result;
    result.angle = 12.0;
    EXPECT_FALSE(RunViewingSpaceDialog(nullptr, CViewingSpace(), result));
    EXPECT_EQ(result.angle, 12.0);
    EXPECT_EQ(result.at, CVector3D());
}

// The dialog shown, filled with a valid camera, its refusals collected.
struct ViewingFixture : ::testing::Test {
    QStringList refusals;
    ScopedDialogServices services{
        DialogServices{nullptr, [this](QWidget*, const QString& message) { refusals << message; }, nullptr}};
    CViewingSpaceDlg dialog;

    void SetUp() override {
        dialog.SetFromPoint(CVector3D(1.0, 1.0, 1.0));
        dialog.SetUpVector(CVector3D(0.0, 1.0, 0.0));
        dialog.m_viewingAngle = 45.0;
        dialog.ShowValues();
        dialog.show();
        dialog.activateWindow();
    }
};

TEST_F(ViewingFixture, AngleBoundsAreInclusive) {
    const char* angles[] = {"0.49", "180.5", "0.5", "180"};
    const bool accepted[] = {false, false, true, true};
    for (int i = 0; i < 4; ++i) {
        refusals.clear();
        dialog.show();
        dialog.setResult(QDialog::Rejected);
        dialog.Edit(9)->setText(angles[i]);
        dialog.accept();
        EXPECT_EQ(dialog.result() == QDialog::Accepted, accepted[i]) << angles[i];
        if (!accepted[i]) {
            EXPECT_EQ(refusals, QStringList{"Please enter a number between 0.5 and 180."}) << angles[i];
            EXPECT_EQ(dialog.focusWidget(), dialog.Edit(9));
            EXPECT_EQ(dialog.Edit(9)->selectedText(), angles[i]);
            EXPECT_TRUE(dialog.isVisible());
        } else {
            EXPECT_TRUE(refusals.isEmpty()) << angles[i];
        }
    }
}

TEST_F(ViewingFixture, CoordinateThatIsNotANumberIsReportedBeforeTheAngle) {
    dialog.Edit(4)->setText("abc");
    dialog.Edit(9)->setText("200");
    dialog.accept();
    EXPECT_EQ(refusals, QStringList{"Please enter a number."});
    EXPECT_EQ(dialog.focusWidget(), dialog.Edit(4));
    EXPECT_EQ(dialog.Edit(4)->selectedText(), "abc");
    EXPECT_TRUE(dialog.isVisible());

    dialog.Edit(4)->setText("-7");
    dialog.accept();
    EXPECT_EQ(refusals.value(1), "Please enter a number between 0.5 and 180.");
    EXPECT_EQ(dialog.focusWidget(), dialog.Edit(9));
    EXPECT_EQ(dialog.m_fromY, -7.0);
}

ModelStatistics CubeStatistics() {
    ModelStatistics statistics;
    statistics.vertices = 8;
    statistics.polygons = 6;
    statistics.edges = 24;
    statistics.uniqueEdges = 12;
    statistics.largestPolygon = 4;
    statistics.triangles = 12;
    return statistics;
}

// The six texts of a shown model-information dialog, in the order of its labels.
QStringList Numbers(const CModelInfoDlg& dialog) {
    return {dialog.GetVertices(),    dialog.GetPolygons(),       dialog.GetEdges(),
            dialog.GetUniqueEdges(), dialog.GetLargestPolygon(), dialog.GetTriangles()};
}

TEST(ModelInfoDialog, ShowsTheCubeStatistics) {
    DrivenDialogs driven;
    QStringList shown;
    driven.drive = [&](QDialog& dialog) {
        auto& info = dynamic_cast<CModelInfoDlg&>(dialog);
        EXPECT_EQ(info.windowTitle(), "Current Model Information");
        shown = Numbers(info);
        info.OkButton()->click();
    };
    RunModelInfoDialog(nullptr, CubeStatistics());
    EXPECT_EQ(shown, (QStringList{"8", "6", "24", "12", "4", "12"}));
}

TEST(ModelInfoDialog, EmptyModelShowsZeros) {
    CModelInfoDlg dialog;
    EXPECT_EQ(Numbers(dialog), (QStringList{"0", "0", "0", "0", "0", "0"}));
}

TEST(ModelInfoDialog, LargeNumbersHaveNoDigitGrouping) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    DrivenDialogs driven;
    QStringList shown;
    driven.drive = [&](QDialog& dialog) {
        shown = Numbers(dynamic_cast<CModelInfoDlg&>(dialog));
        dialog.accept();
    };
    ModelStatistics statistics;
    statistics.vertices = 1234567;
    statistics.triangles = 2147483647;
    RunModelInfoDialog(nullptr, statistics);
    QLocale::setDefault(previous);
    EXPECT_EQ(shown.value(0), "1234567");
    EXPECT_EQ(shown.value(5), "2147483647");
}

TEST(ModelInfoDialog, EscapeAndOkBothClose) {
    CModelInfoDlg dialog;
    dialog.show();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&dialog, &escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    dialog.show();
    EXPECT_TRUE(dialog.OkButton()->isDefault());
    dialog.OkButton()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace quorvane
