#include "app/dialogs/dialog_rules.h"

#include <charconv>
#include <cmath>

#include "model/numbers.h"

namespace quorvane {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Index just past the digits that start at `i`.
std::size_t SkipDigits(std::string_view s, std::size_t i) {
    while (i < s.size() && IsDigit(s[i])) {
        ++i;
    }
    return i;
}

// True when `s` is exactly [+-] (digits [. digits] | . digits) [(e|E) [+-] digits].
bool IsDecimalNumber(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        ++i;
    }
    const std::size_t intEnd = SkipDigits(s, i);
    std::size_t mantissaDigits = intEnd - i;
    i = intEnd;
    if (i < s.size() && s[i] == '.') {
        const std::size_t fracEnd = SkipDigits(s, i + 1);
        mantissaDigits += fracEnd - (i + 1);
        i = fracEnd;
    }
    if (mantissaDigits == 0) {
        return false;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
            ++i;
        }
        const std::size_t expEnd = SkipDigits(s, i);
        if (expEnd == i) {
            return false;
        }
        i = expEnd;
    }
    return i == s.size();
}

}  // namespace

std::string FormatDialogNumber(double value) {
    // Wide enough for 15 digits, sign, point and a three-digit exponent, or "-nan".
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value, std::chars_format::general,
                                      kDialogNumberDigits);
    return std::string(buffer, result.ptr);
}

std::optional<double> ParseDialogNumber(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size() && IsBlank(text[begin])) {
        ++begin;
    }
    std::size_t end = text.size();
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    const std::string_view number = text.substr(begin, end - begin);
    if (!IsDecimalNumber(number)) {
        return std::nullopt;
    }
    double value = 0.0;
    if (ParseOffReal(number, value) != RealStatus::kOk) {
        return std::nullopt;
    }
    return value;
}

bool ValidateRange(double value, double min, double max) {
    return value >= min && value <= max;
}

std::string FormatRangeMessage(double min, double max) {
    std::string message(kRangeMessageTemplate);
    const std::string low = FormatDialogNumber(min);
    const std::string high = FormatDialogNumber(max);
    message.replace(message.find("%1"), 2, low);
    message.replace(message.find("%2"), 2, high);
    return message;
}

std::optional<FieldRefusal> ReadDialogFields(std::span<const DialogField> fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const DialogField& field = fields[i];
        const std::optional<double> value = ParseDialogNumber(field.text);
        if (!value) {
            return FieldRefusal{i, std::string(kNotANumberMessage)};
        }
        *field.value = *value;
        if (field.range && !ValidateRange(*value, field.range->min, field.range->max)) {
            return FieldRefusal{i, FormatRangeMessage(field.range->min, field.range->max)};
        }
    }
    return std::nullopt;
}

int LightSliderPosition(double component) {
    if (!std::isfinite(component)) {
        return kLightSliderCentre;
    }
    // A unit vector's component lies in -1 .. 1; the clamp only keeps the conversion defined.
    const double c = std::fmax(-1.0, std::fmin(1.0, component));
    return kLightSliderCentre - static_cast<int>(-10.0 * c);
}

LightSliderPositions LightSliderPositionsFor(const CVector3D& light) {
    const CVector3D unit = light / light.Length();
    return {LightSliderPosition(unit.x), LightSliderPosition(unit.y), LightSliderPosition(unit.z)};
}

CVector3D LightFromSliderPositions(const LightSliderPositions& positions) {
    const CVector3D w((positions.horizontal - kLightSliderCentre) * 10.0,
                      (positions.vertical - kLightSliderCentre) * 10.0,
                      (positions.depth - kLightSliderCentre) * 10.0);
    const double length = w.Length();
    if (length == 0.0) {
        return CVector3D(0.0, 0.0, -1.0);
    }
    return w / length;
}

LightSliderSnap SnapLightSliders(const LightSliderPositions& moved) {
    const CVector3D light = LightFromSliderPositions(moved);
    return {light, LightSliderPositionsFor(light)};
}

}  // namespace quorvane
