// Why a camera is degenerate, said as it is: coinciding points, a bad Up Vector, or numbers that
// overflow or underflow on the way to the camera's axes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "viewing/camera_fault.h"

namespace quorvane {
namespace {

CViewingSpace Camera(const CVector3D& from, const CVector3D& at, const CVector3D& up) {
    CViewingSpace camera;
    camera.SetFromPoint(from);
    camera.SetAtPoint(at);
    camera.SetUpVector(up);
    return camera;
}

TEST(CameraFault, EachCauseIsNamed) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        const char* name;
        CVector3D from, at, up;
        const char* fault;  // a part of the description
    } cases[] = {
        {"from on at", {1, 2, 3}, {1, 2, 3}, {0, 1, 0}, "the From Point equals the At Point"},
        {"zero up", {0, 0, 5}, {0, 0, 0}, {0, 0, 0}, "the Up Vector is zero"},
        {"up along the sight",
         {0, 0, 5},
         {0, 0, 0},
         {0, 0, 2},
         "the Up Vector is parallel to the line of sight"},
        {"points too far apart", {1e308, 0, 0}, {-1e308, 0, 0}, {0, 1, 0}, "overflows double precision"},
        {"distance squared overflows", {1e200, 1e200, 0}, {0, 0, 0}, {0, 0, 1}, "overflows double precision"},
        // The sight line and the right axis are fine, but their cross product's length overflows,
        // which would divide the up axis to zero and flatten the picture onto a line.
        {"up axis length overflows",
         {0, 0, 1e100},
         {0, 0, -1e100},
         {0, 1, 0},
         "the camera's up direction overflows"},
        {"up axis length overflows further",
         {0, 0, 1e150},
         {0, 0, -1e150},
         {0, 1, 0},
         "overflows double precision"},
        {"points too close", {1e-200, 0, 0}, {0, 0, 0}, {0, 1, 0}, "underflows double precision"},
        {"tiny up beside the sight",
         {0, 0, 1e-160},
         {0, 0, 0},
         {1e-170, 0, 0},
         "underflows double precision"},
        {"from not a number",
         {std::nan(""), 0, 0},
         {0, 0, 0},
         {0, 1, 0},
         "the From Point is not a finite number"},
        {"infinite up", {0, 0, 5}, {0, 0, 0}, {0, inf, 0}, "the Up Vector is not a finite number"},
    };
    for (const auto& c : cases) {
        const CViewingSpace camera = Camera(c.from, c.at, c.up);
        EXPECT_TRUE(camera.IsDegenerate()) << c.name;
        const std::string fault = DescribeCameraFault(camera);
        EXPECT_NE(fault.find(c.fault), std::string::npos) << c.name << ": " << fault;
        // An overflow is never blamed on coinciding points.
        if (std::string(c.fault).find("flows") != std::string::npos) {
            EXPECT_EQ(fault.find("equals"), std::string::npos) << c.name << ": " << fault;
        }
    }
}

TEST(CameraFault, AUsableCameraHasNone) {
    EXPECT_EQ(DescribeCameraFault(CViewingSpace()), "");
    EXPECT_EQ(DescribeCameraFault(Camera({0, 0, 1e50}, {0, 0, -1e50}, {0, 1, 0})), "");
    EXPECT_EQ(DescribeCameraFault(Camera({1e-50, 0, 0}, {0, 0, 0}, {0, 1, 0})), "");
}

}  // namespace
}  // namespace quorvane
