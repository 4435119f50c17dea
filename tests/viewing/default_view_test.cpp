#include "viewing/default_view.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

struct Box {
    double maxX, minX, maxY, minY, maxZ, minZ;
};

struct FramingCase {
    const char* name;
    Box box;
    CVector3D at;
    CVector3D from;
};

CQuorvaneDoc DocWithBox(const Box& b) {
    CQuorvaneDoc doc;
    doc.m_maxX = b.maxX;
    doc.m_minX = b.minX;
    doc.m_maxY = b.maxY;
    doc.m_minY = b.minY;
    doc.m_maxZ = b.maxZ;
    doc.m_minZ = b.minZ;
    return doc;
}

CViewingSpace FortyFiveDegrees() {
    CViewingSpace camera;
    camera.SetViewingAngle(45);
    return camera;
}

TEST(DefaultView, FramesBoxFromPlusZAtTwoAndAHalfLargestExtents) {
    const FramingCase cases[] = {
        {"empty document", {0.5, -0.5, 0.5, -0.5, 0.5, -0.5}, {0, 0, 0}, {0, 0, 2.5}},
        {"cube of side 4", {3, -1, 2, -2, 1, -3}, {1, 0, -1}, {1, 0, 9}},
        {"deep in z", {1, 0, 5, 0, 20, 0}, {0.5, 2.5, 10}, {0.5, 2.5, 60}},
        {"wide in x", {7, -1, 1, 0, 2, 1}, {3, 0.5, 1.5}, {3, 0.5, 21.5}},
        {"flat in z", {2, 0, 3, -1, 4, 4}, {1, 1, 4}, {1, 1, 14}},
    };
    for (const FramingCase& c : cases) {
        const CQuorvaneDoc doc = DocWithBox(c.box);
        CViewingSpace camera;
        camera.Orbit(20, 30);
        camera.SetViewingAngle(10);
        SetDefaultView(camera, doc);
        EXPECT_EQ(camera.GetAtPoint(), c.at) << c.name;
        EXPECT_EQ(camera.GetFromPoint(), c.from) << c.name;
        EXPECT_EQ(camera.GetUpVector(), CVector3D(0, 1, 0)) << c.name;
        EXPECT_EQ(camera.GetViewingAngle(), 45.0) << c.name;
        EXPECT_EQ(camera.GetProjectionScale(), FortyFiveDegrees().GetProjectionScale()) << c.name;
        EXPECT_EQ(camera.GetN(), CVector3D(0, 0, -1)) << c.name;
        EXPECT_EQ(camera.GetU(), CVector3D(1, 0, 0)) << c.name;
        EXPECT_EQ(camera.GetV(), CVector3D(0, 1, 0)) << c.name;
    }
}

TEST(DefaultView, WholeBoxIsInsideThePicture) {
    const Box boxes[] = {{0.5, -0.5, 0.5, -0.5, 0.5, -0.5},
                         {1, 0, 5, 0, 20, 0},
                         {100, -100, 0.01, 0, 0.01, 0},
                         {0.01, 0, 0.01, 0, 300, -50},
                         {-1000, -1001, 2000, 1999, 7, 6.5}};
    for (const Box& b : boxes) {
        CViewingSpace camera;
        SetDefaultView(camera, b.maxX, b.minX, b.maxY, b.minY, b.maxZ, b.minZ);
        for (int corner = 0; corner < 8; ++corner) {
            const CVector3D p((corner & 1) ? b.maxX : b.minX, (corner & 2) ? b.maxY : b.minY,
                              (corner & 4) ? b.maxZ : b.minZ);
            const CVector3D eye = camera.WorldToEye(p);
            EXPECT_GT(eye.z, 0.0);
            const CVector3D image = camera.Project(eye);
            EXPECT_GE(image.x, 0.0);
            EXPECT_LE(image.x, 1.0);
            EXPECT_GE(image.y, 0.0);
            EXPECT_LE(image.y, 1.0);
        }
    }
}

TEST(DefaultView, SingleVertexModelGetsAWorkingCamera) {
    // All six bounds equal the one vertex: no extent at all.
    const CVector3D vertex(2, -3, 4);
    CViewingSpace camera;
    SetDefaultView(camera, vertex.x, vertex.x, vertex.y, vertex.y, vertex.z, vertex.z);
    EXPECT_FALSE(camera.IsDegenerate());
    EXPECT_EQ(camera.GetAtPoint(), vertex);
    EXPECT_EQ(camera.GetFromPoint(), CVector3D(2, -3, 6.5));
    const CVector3D image = camera.Project(camera.WorldToEye(vertex));
    EXPECT_EQ(image.x, 0.5);
    EXPECT_EQ(image.y, 0.5);
}

TEST(DefaultView, ResetRestoresTheSameCameraAfterAnyMotion) {
    const CQuorvaneDoc doc = DocWithBox({3, -1, 2, -2, 1, -3});
    CViewingSpace first;
    SetDefaultView(first, doc);
    CViewingSpace moved = first;
    moved.Orbit(33, -71);
    moved.Zoom(95);
    moved.Pan(0.05, -0.05);
    moved.SetViewingAngle(120);
    SetDefaultView(moved, doc);
    EXPECT_EQ(moved.GetFromPoint(), first.GetFromPoint());
    EXPECT_EQ(moved.GetAtPoint(), first.GetAtPoint());
    EXPECT_EQ(moved.GetUpVector(), first.GetUpVector());
    EXPECT_EQ(moved.GetViewingAngle(), first.GetViewingAngle());
    EXPECT_EQ(moved.GetU(), first.GetU());
    EXPECT_EQ(moved.GetV(), first.GetV());
    EXPECT_EQ(moved.GetN(), first.GetN());
}

}  // namespace
}  // namespace quorvane
