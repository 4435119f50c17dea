// The view window driven by real mouse events: orbiting, selecting and dragging a vertex, the
// modified prompt that follows an edit, painting, and Copy.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "app/about_dialog.h"
#include "app/commands.h"
#include "app/view_widget.h"
#include "app_test_support.h"
#include "render/drawing_settings.h"

namespace quorvane {
namespace {

using testing::CopyModel;
using testing::FakePrompts;

class ViewWidgetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        frame = std::make_unique<CMainFrame>(&prompts, CRecentFileProfile(dir.filePath("Quorvane.ini")));
        frame->resize(700, 560);
        frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
        cube = CopyModel(dir, "cube.off", "cube.off");
        ASSERT_TRUE(frame->OpenDocumentFile(cube));
        widget = frame->ViewWidget();
    }

    CQuorvaneView& View() { return widget->View(); }

    // The widget position of vertex k's pixel under the current camera.
    QPoint VertexPosition(int k) {
        CQuorvaneView& view = View();
        view.TransformModel();
        const int s = view.GetImageSize();
        const int x = view.GetImageLeft() + static_cast<int>(s * view.GetFrameRenderer().GetImageX()[k]);
        const int y = view.GetImageTop() + s - static_cast<int>(s * view.GetFrameRenderer().GetImageY()[k]);
        return widget->FromDevice(x, y);
    }

    // A vertex whose pixel no other vertex shares.
    int DistinctVertex() {
        const int n = frame->Document().m_nVertices;
        for (int k = 0; k < n; ++k) {
            bool alone = true;
            for (int j = 0; j < n; ++j) {
                alone = alone && (j == k || VertexPosition(j) != VertexPosition(k));
            }
            if (alone) {
                return k;
            }
        }
        return -1;
    }

    QTemporaryDir dir;
    FakePrompts prompts;
    std::unique_ptr<CMainFrame> frame;
    CQuorvaneViewWidget* widget = nullptr;
    QString cube;
};

TEST_F(ViewWidgetTest, ImageIsTheLargestCentredSquareOfTheClientArea) {
    const QSize client = widget->DeviceClientSize();
    ASSERT_GT(client.width(), client.height());
    const CQuorvaneView& view = View();
    EXPECT_EQ(view.GetImageSize(), client.height());
    EXPECT_EQ(view.GetImage().Size(), client.height());
    EXPECT_EQ(view.GetImageTop(), 0);
    EXPECT_EQ(view.GetImageLeft(), client.width() / 2 - client.height() / 2);
}

TEST_F(ViewWidgetTest, PaintingShowsTheImageAndWindowColouredStrips) {
    const QImage shot = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const CQuorvaneView& view = View();
    // Inside the square: exactly the image's pixels.
    for (const QPoint p : {QPoint(0, 0), QPoint(view.GetImageSize() / 2, view.GetImageSize() / 2),
                           QPoint(view.GetImageSize() - 1, view.GetImageSize() - 1)}) {
        EXPECT_EQ(shot.pixel(view.GetImageLeft() + p.x(), view.GetImageTop() + p.y()),
                  view.GetImage().Pixel(p.x(), p.y()));
    }
    // Beside it: the window colour.
    const QRgb window = widget->palette().color(QPalette::Window).rgb();
    EXPECT_EQ(shot.pixel(0, shot.height() / 2), window);
    EXPECT_EQ(shot.pixel(shot.width() - 1, shot.height() / 2), window);
}

TEST_F(ViewWidgetTest, LeftDragOrbitsTheCamera) {
    const CVector3D fromBefore = View().GetViewingSpace().GetFromPoint();
    const CImage& image = View().GetImage();
    const std::vector<std::uint32_t> before(image.Data(), image.Data() + image.Size() * image.Size());
    const QPoint start = widget->rect().center();
    QTest::mousePress(widget, Qt::LeftButton, {}, start);
    QTest::mouseMove(widget, start + QPoint(20, 0));
    QTest::mouseMove(widget, start + QPoint(40, -10));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, start + QPoint(40, -10));
    const CVector3D fromAfter = View().GetViewingSpace().GetFromPoint();
    EXPECT_GT((fromAfter - fromBefore).Length(), 1e-6);
    // The distance to the At Point is kept by an orbit.
    const CVector3D at = View().GetViewingSpace().GetAtPoint();
    EXPECT_NEAR((fromAfter - at).Length(), (fromBefore - at).Length(), 1e-9);
    const std::vector<std::uint32_t> after(image.Data(), image.Data() + image.Size() * image.Size());
    EXPECT_NE(before, after);
    EXPECT_FALSE(View().IsLeftButtonDown());
    EXPECT_FALSE(frame->Document().IsModified());
}

TEST_F(ViewWidgetTest, DoubleClickSelectsTheVertexUnderTheCursorAndASecondClears) {
    const int k = DistinctVertex();
    ASSERT_GE(k, 0);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, VertexPosition(k));
    EXPECT_EQ(View().GetSelectedVertex(), k);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, widget->rect().topLeft());
    EXPECT_EQ(View().GetSelectedVertex(), -1);
}

TEST_F(ViewWidgetTest, DraggingASelectedVertexInEditingModeMarksTheDocumentAndNewAsks) {
    const int k = DistinctVertex();
    ASSERT_GE(k, 0);
    const QPoint at = VertexPosition(k);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
    ASSERT_EQ(View().GetSelectedVertex(), k);
    frame->Action(ID_CONTROL_EDITING_MODE)->trigger();
    ASSERT_TRUE(View().IsEditingMode());

    const CVector3D before = frame->Document().m_vertices[k];
    QTest::mousePress(widget, Qt::LeftButton, {}, at);
    QTest::mouseMove(widget, at + QPoint(6, 0));
    QTest::mouseMove(widget, at + QPoint(12, 4));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at + QPoint(12, 4));
    EXPECT_GT((frame->Document().m_vertices[k] - before).Length(), 1e-9);
    EXPECT_TRUE(frame->Document().IsModified());
    EXPECT_TRUE(frame->isWindowModified());

    prompts.saveAnswer = SaveChoice::kCancel;
    frame->Action(ID_FILE_NEW)->trigger();
    EXPECT_EQ(prompts.saveQuestions, std::vector<QString>{QStringLiteral("Save changes to cube.off?")});
    EXPECT_EQ(frame->Document().m_nVertices, 8);

    prompts.saveAnswer = SaveChoice::kDiscard;
    frame->Action(ID_FILE_NEW)->trigger();
    EXPECT_EQ(frame->Document().m_nVertices, 0);
    EXPECT_FALSE(frame->isWindowModified());
}

TEST_F(ViewWidgetTest, DragInEditingModeThatMovesNoVertexLeavesTheDocumentUnmodified) {
    const int k = DistinctVertex();
    ASSERT_GE(k, 0);
    const QPoint at = VertexPosition(k);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
    ASSERT_EQ(View().GetSelectedVertex(), k);
    frame->Action(ID_CONTROL_EDITING_MODE)->trigger();
    const std::vector<CVector3D> before = frame->Document().m_vertices;

    // A right drag moves along the line of sight by the vertical distance only: sideways is no move.
    QTest::mousePress(widget, Qt::RightButton, {}, at);
    QTest::mouseMove(widget, at + QPoint(25, 0));
    QTest::mouseMove(widget, at + QPoint(50, 0));
    QTest::mouseRelease(widget, Qt::RightButton, {}, at + QPoint(50, 0));
    EXPECT_EQ(frame->Document().m_vertices, before);
    EXPECT_FALSE(frame->Document().IsModified());
    EXPECT_FALSE(frame->isWindowModified());

    // A vertex so far out that a drag of a few pixels cannot change its coordinates.
    frame->Document().m_vertices[k] = CVector3D(1e30, -1e30, 1e30);
    const CVector3D far = frame->Document().m_vertices[k];
    QTest::mousePress(widget, Qt::LeftButton, {}, at);
    QTest::mouseMove(widget, at + QPoint(3, 2));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at + QPoint(3, 2));
    EXPECT_EQ(frame->Document().m_vertices[k], far);
    EXPECT_FALSE(frame->Document().IsModified());
    EXPECT_FALSE(frame->isWindowModified());

    // Closing asks nothing: nothing was edited.
    EXPECT_TRUE(frame->close());
    EXPECT_TRUE(prompts.saveQuestions.empty());
}

TEST_F(ViewWidgetTest, DragInViewingModeNeverMarksTheDocument) {
    const int k = DistinctVertex();
    QTest::mouseDClick(widget, Qt::LeftButton, {}, VertexPosition(k));
    const QPoint start = widget->rect().center();
    QTest::mousePress(widget, Qt::RightButton, {}, start);
    QTest::mouseMove(widget, start + QPoint(0, 10));
    QTest::mouseRelease(widget, Qt::RightButton, {}, start + QPoint(0, 10));
    EXPECT_FALSE(frame->Document().IsModified());
    EXPECT_FALSE(frame->isWindowModified());
}

TEST_F(ViewWidgetTest, CopyPutsTheSquareImageAndItsSvgPictureOnTheClipboard) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    frame->Action(ID_EDIT_COPY)->trigger();
    EXPECT_TRUE(prompts.messages.empty());
    const QMimeData* data = clipboard->mimeData();
    ASSERT_NE(data, nullptr);
    ASSERT_TRUE(data->hasImage());
    const QImage copied = qvariant_cast<QImage>(data->imageData()).convertToFormat(QImage::Format_RGB32);
    const int s = View().GetImageSize();
    ASSERT_EQ(copied.size(), QSize(s, s));
    EXPECT_EQ(copied.pixel(s / 2, s / 2), View().GetImage().Pixel(s / 2, s / 2));

    const QByteArray svg = data->data(QStringLiteral("image/svg+xml"));
    const QSize client = widget->DeviceClientSize();
    EXPECT_TRUE(svg.contains(
        QStringLiteral("width=\"%1\" height=\"%2\"").arg(client.width()).arg(client.height()).toUtf8()));
    EXPECT_TRUE(svg.contains(QStringLiteral("<image x=\"%1\" y=\"%2\" width=\"%3\" height=\"%3\"")
                                 .arg(View().GetImageLeft())
                                 .arg(View().GetImageTop())
                                 .arg(s)
                                 .toUtf8()));
    // The embedded PNG decodes to the same picture.
    const int start = svg.indexOf("base64,") + 7;
    const QByteArray png = QByteArray::fromBase64(svg.mid(start, svg.indexOf('"', start) - start));
    const QImage embedded = QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(embedded, copied);
}

TEST_F(ViewWidgetTest, CopyWithoutAClipboardReportsThatItCannotBeOpened) {
    EXPECT_EQ(widget->CopyPictureTo(nullptr), ClipboardFailure::kCannotOpen);
    EXPECT_STREQ(ClipboardFailureMessage(ClipboardFailure::kCannotOpen), "Cannot open the Clipboard");
    EXPECT_STREQ(ClipboardFailureMessage(ClipboardFailure::kCannotEmpty), "Cannot empty the Clipboard");
    EXPECT_STREQ(ClipboardFailureMessage(ClipboardFailure::kCannotSetData), "Unable to set Clipboard data");
}

TEST_F(ViewWidgetTest, ResizingRebuildsTheImageAtTheNewSize) {
    frame->resize(500, 700);
    QApplication::processEvents();
    const QSize client = widget->DeviceClientSize();
    EXPECT_EQ(View().GetImageSize(), std::min(client.width(), client.height()));
    EXPECT_EQ(View().GetImage().Size(), View().GetImageSize());
}

// A wheel turn of `delta` over the widget's centre, as the window system delivers it.
void TurnWheel(QWidget* widget, int delta) {
    const QPointF centre = QRectF(widget->rect()).center();
    QWheelEvent wheel(centre, widget->mapToGlobal(centre), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

TEST_F(ViewWidgetTest, WheelZoomsOneDragStepPerNotchAndCarriesParts) {
    CViewingSpace expected = View().GetViewingSpace();
    const CImage& image = View().GetImage();
    const std::vector<std::uint32_t> before(image.Data(), image.Data() + image.Size() * image.Size());
    TurnWheel(widget, 120);
    expected.Zoom(95.0);
    EXPECT_EQ(View().GetViewingSpace().GetFromPoint(), expected.GetFromPoint());
    const std::vector<std::uint32_t> after(image.Data(), image.Data() + image.Size() * image.Size());
    EXPECT_NE(before, after);
    // A fine wheel: three parts of 40 make one notch toward the user.
    TurnWheel(widget, -40);
    TurnWheel(widget, -40);
    EXPECT_EQ(View().GetViewingSpace().GetFromPoint(), expected.GetFromPoint());
    TurnWheel(widget, -40);
    expected.Zoom(105.0);
    EXPECT_EQ(View().GetViewingSpace().GetFromPoint(), expected.GetFromPoint());
    EXPECT_FALSE(frame->Document().IsModified());
}

// Runs at whatever scale the screen has (the suite also runs with QT_SCALE_FACTOR=2).
TEST_F(ViewWidgetTest, DragsAndMarkerFollowLogicalPixelsAndThePictureDevicePixels) {
    const qreal ratio = widget->PixelRatio();
    EXPECT_EQ(ratio, widget->devicePixelRatioF());
    EXPECT_EQ(View().GetDevicePixelRatio(), ratio);
    const QByteArray scale = qgetenv("QT_SCALE_FACTOR");
    if (!scale.isEmpty()) {
        EXPECT_EQ(ratio, scale.toDouble());
    }
    EXPECT_EQ(widget->DeviceClientSize(),
              QSize(static_cast<int>(std::ceil(widget->width() * ratio - 1e-9)),
                    static_cast<int>(std::ceil(widget->height() * ratio - 1e-9))));

    // 20 logical pixels to the right turn the model by 20 degrees.
    CViewingSpace expected = View().GetViewingSpace();
    const QPoint start = widget->rect().center();
    QTest::mousePress(widget, Qt::LeftButton, {}, start);
    QTest::mouseMove(widget, start + QPoint(20, 0));
    QTest::mouseRelease(widget, Qt::LeftButton, {}, start + QPoint(20, 0));
    expected.Orbit(0.0, 20.0);
    EXPECT_EQ(View().GetViewingSpace().GetFromPoint(), expected.GetFromPoint());

    // The marker around a selected vertex is 4 logical pixels wide.
    frame->Action(ID_VIEW_POINTS)->trigger();
    const int k = DistinctVertex();
    ASSERT_GE(k, 0);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, VertexPosition(k));
    ASSERT_EQ(View().GetSelectedVertex(), k);
    const CImage& image = View().GetImage();
    int left = image.Size();
    int right = -1;
    for (int y = 0; y < image.Size(); ++y) {
        for (int x = 0; x < image.Size(); ++x) {
            if (image.Pixel(x, y) == ColorRefToPixel(kMarkerTopLeftColor)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    EXPECT_EQ(right - left + 2, static_cast<int>(kMarkerSize * ratio));  // the grey sides end one short

    // The window shows the picture pixel for pixel.
    const QImage shot = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), widget->DeviceClientSize());
    for (const int x : {left, right, image.Size() / 2}) {
        const int y = image.Size() / 2;
        EXPECT_EQ(shot.pixel(View().GetImageLeft() + x, View().GetImageTop() + y), image.Pixel(x, y));
    }
}

TEST(AboutDialog, ShowsTitleIconVersionAndOk) {
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Quorvane"));
    auto* version = about.findChild<QLabel*>(QStringLiteral("version"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), QStringLiteral("Quorvane Version " QUORVANE_PROJECT_VERSION));
    auto* icon = about.findChild<QLabel*>(QStringLiteral("icon"));
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    auto* ok = about.findChild<QPushButton*>();
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    about.show();
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace quorvane
