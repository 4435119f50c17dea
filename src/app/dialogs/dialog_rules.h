// Toolkit-free rules of the dialogs: how numeric fields are shown, read and range-checked, and how
// the three light-position sliders map to and from the light's unit vector.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "geometry/vector3d.h"

namespace quorvane {

// Significant digits of a number shown in a dialog field ("%.*g" with this precision).
inline constexpr int kDialogNumberDigits = 15;

// The two refusals of a numeric field.
inline constexpr std::string_view kNotANumberMessage = "Please enter a number.";
inline constexpr std::string_view kRangeMessageTemplate = "Please enter a number between %1 and %2.";

// `value` as "%.*g" with 15 significant digits, always with a point as decimal separator.
std::string FormatDialogNumber(double value);

// Reads optional blanks and tabs, a decimal number (sign, digits, point, exponent) and optional
// blanks and tabs, and nothing else. A number beyond the double range is refused; one too small
// for a double reads as zero of its sign.
std::optional<double> ParseDialogNumber(std::string_view text);

// True when min <= value <= max.
bool ValidateRange(double value, double min, double max);

// "Please enter a number between %1 and %2." with both bounds written by FormatDialogNumber.
std::string FormatRangeMessage(double min, double max);

// Inclusive bounds of a field.
struct NumberRange {
    double min = 0.0;
    double max = 0.0;
};

// One numeric field of a dialog: its text, where the number read goes and its optional range.
struct DialogField {
    std::string_view text;
    double* value = nullptr;
    std::optional<NumberRange> range;
};

// The field a dialog reports and why.
struct FieldRefusal {
    std::size_t field = 0;
    std::string message;
};

// Reads the fields in order, storing each number as soon as it is read and checking its range at
// once; stops at the first refusal and returns it (fields after it are left untouched). A check
// that a dialog makes after all its fields are read is the same as this when that field is last.
std::optional<FieldRefusal> ReadDialogFields(std::span<const DialogField> fields);

// Trackbar positions of the light: 0 .. 20 each, 10 in the centre.
struct LightSliderPositions {
    int horizontal = 10;  // x: "Left" .. "Right"
    int vertical = 10;    // y: "Below" .. "Above"
    int depth = 10;       // z: "Front" .. "Back"

    bool operator==(const LightSliderPositions&) const = default;
};

inline constexpr int kLightSliderMin = 0;
inline constexpr int kLightSliderMax = 20;
inline constexpr int kLightSliderCentre = 10;

// Position of one component c of a unit vector: 10 + trunc(10 c), computed as 10 - trunc(-10 c).
int LightSliderPosition(double component);

// The positions of `light` divided by its own length.
LightSliderPositions LightSliderPositionsFor(const CVector3D& light);

// The unit light vector the three positions stand for; (0, 0, -1) when all three are centred.
CVector3D LightFromSliderPositions(const LightSliderPositions& positions);

// The light a move of the sliders sets, and where the sliders then come to rest.
struct LightSliderSnap {
    CVector3D light;                 // the unit vector the moved positions stand for
    LightSliderPositions positions;  // the positions of that vector
};

// A move of the light sliders: the light becomes the unit vector of the moved positions, and the
// sliders are set back to that vector's positions.
LightSliderSnap SnapLightSliders(const LightSliderPositions& moved);

}  // namespace quorvane
