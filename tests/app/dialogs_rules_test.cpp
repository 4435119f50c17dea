// The number text rules of the numeric dialogs and the light slider mapping, without widgets.
#include <gtest/gtest.h>

#include <array>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "app/dialogs/dialog_rules.h"

namespace quorvane {
namespace {

struct FormatCase {
    double value;
    const char* text;
};

TEST(DialogNumberFormat, ShowsFifteenSignificantDigits) {
    const FormatCase cases[] = {
        {0.4, "0.4"},       {0.6, "0.6"},
        {0.7, "0.7"},       {0.30000000000000004, "0.3"},
        {1e-20, "1e-20"},   {180.0, "180"},
        {0.5, "0.5"},       {0.0, "0"},
        {-0.1, "-0.1"},     {1.0 / 3.0, "0.333333333333333"},
        {-2.5, "-2.5"},     {999999999999999.0, "999999999999999"},
        {1e15, "1e+15"},    {123456789012345678.0, "1.23456789012346e+17"},
        {0.0001, "0.0001"}, {0.00001, "1e-05"},
    };
    for (const FormatCase& c : cases) {
        EXPECT_EQ(FormatDialogNumber(c.value), c.text) << c.value;
    }
}

// The locale-free formatting gives the same text as the C library's "%.*g" under the "C" locale.
TEST(DialogNumberFormat, AgreesWithPrintfUnderTheCLocale) {
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "C");
    std::vector<double> values = {0.4,
                                  0.30000000000000004,
                                  1e-20,
                                  180.0,
                                  -0.0,
                                  5e-324,
                                  1e308,
                                  -1.7976931348623157e308,
                                  0.1 + 0.2,
                                  2.0 / 3.0,
                                  1234.5678,
                                  1e-5,
                                  1e14,
                                  1e15,
                                  45.0000000000001};
    // A spread of magnitudes and digit patterns.
    double v = 0.000123456789;
    for (int i = 0; i < 40; ++i) {
        values.push_back(v);
        values.push_back(-v / 7.0);
        v *= 3.3;
    }
    for (double value : values) {
        char expected[64];
        std::snprintf(expected, sizeof(expected), "%.*g", kDialogNumberDigits, value);
        EXPECT_EQ(FormatDialogNumber(value), expected) << value;
    }
    std::setlocale(LC_NUMERIC, previous.c_str());
}

struct ParseCase {
    const char* text;
    double value;
};

TEST(DialogNumberParse, AcceptsADecimalNumberBetweenBlanksAndTabs) {
    const ParseCase cases[] = {
        {"0", 0.0},           {"1", 1.0},
        {" \t0.25\t ", 0.25}, {"-0.1", -0.1},
        {"+.5", 0.5},         {"5.", 5.0},
        {"1e3", 1000.0},      {"1E-3", 0.001},
        {"2.5e+2", 250.0},    {"  180", 180.0},
        {"0.49 ", 0.49},      {"-0", 0.0},
        {"007", 7.0},         {"1e-400", 0.0},
        {"\t\t-.75e1", -7.5}, {"0.30000000000000004", 0.30000000000000004},
    };
    for (const ParseCase& c : cases) {
        const std::optional<double> value = ParseDialogNumber(c.text);
        ASSERT_TRUE(value.has_value()) << '"' << c.text << '"';
        EXPECT_EQ(*value, c.value) << '"' << c.text << '"';
    }
}

TEST(DialogNumberParse, RefusesAnythingElse) {
    const char* cases[] = {"",    " ",   "\t",  "0.5x",  "x",     ".",      "-",   "+",
                           "1e",  "1e+", "e5",  "0x10",  "inf",   "nan",    "1,5", "1 2",
                           "\n1", "1\n", "--1", "1.2.3", "1e400", "-1e400", "1d3", "١"};
    for (const char* text : cases) {
        EXPECT_FALSE(ParseDialogNumber(text).has_value()) << '"' << text << '"';
    }
}

// A value shown and read back is the value rounded to 15 significant digits.
TEST(DialogNumberParse, ReadingTheShownTextRoundsToFifteenDigits) {
    EXPECT_EQ(*ParseDialogNumber(FormatDialogNumber(0.30000000000000004)), 0.3);
    EXPECT_EQ(*ParseDialogNumber(FormatDialogNumber(0.1 + 0.2)), 0.3);
    EXPECT_EQ(*ParseDialogNumber(FormatDialogNumber(0.4)), 0.4);
    EXPECT_EQ(*ParseDialogNumber(FormatDialogNumber(1e-20)), 1e-20);
}

TEST(DialogNumberRange, BothBoundsAreInclusive) {
    EXPECT_TRUE(ValidateRange(0.0, 0.0, 1.0));
    EXPECT_TRUE(ValidateRange(1.0, 0.0, 1.0));
    EXPECT_FALSE(ValidateRange(1.0000001, 0.0, 1.0));
    EXPECT_FALSE(ValidateRange(-0.1, 0.0, 1.0));
    EXPECT_TRUE(ValidateRange(0.5, 0.5, 180.0));
    EXPECT_TRUE(ValidateRange(180.0, 0.5, 180.0));
    EXPECT_FALSE(ValidateRange(0.49, 0.5, 180.0));
    EXPECT_FALSE(ValidateRange(180.5, 0.5, 180.0));
    EXPECT_FALSE(ValidateRange(std::numeric_limits<double>::quiet_NaN(), 0.0, 1.0));
}

TEST(DialogNumberRange, MessageShowsTheBoundsInTheFieldFormat) {
    EXPECT_EQ(FormatRangeMessage(0.0, 1.0), "Please enter a number between 0 and 1.");
    EXPECT_EQ(FormatRangeMessage(0.5, 180.0), "Please enter a number between 0.5 and 180.");
    EXPECT_EQ(kNotANumberMessage, "Please enter a number.");
}

// Reads three factor texts the way the Phong dialog does.
struct FactorReading {
    std::array<double, 3> values{-7.0, -7.0, -7.0};
    std::optional<FieldRefusal> refusal;
};

FactorReading ReadFactors(const char* ambient, const char* diffuse, const char* specular) {
    FactorReading reading;
    const NumberRange range{0.0, 1.0};
    const DialogField fields[] = {{ambient, &reading.values[0], range},
                                  {diffuse, &reading.values[1], range},
                                  {specular, &reading.values[2], range}};
    reading.refusal = ReadDialogFields(fields);
    return reading;
}

struct FactorCase {
    const char* texts[3];
    int refusedField;  // -1: accepted
    const char* message;
};

TEST(DialogFieldReading, FactorsAreReadAndCheckedInOrder) {
    const char* range = "Please enter a number between 0 and 1.";
    const char* notANumber = "Please enter a number.";
    const FactorCase cases[] = {
        {{"0", "1", "0.5"}, -1, ""},
        {{" \t0.25\t ", "0.6", "0.7"}, -1, ""},
        {{"1.0000001", "0.6", "0.7"}, 0, range},
        {{"0.4", "-0.1", "0.7"}, 1, range},
        {{"0.4", "0.6", ""}, 2, notANumber},
        {{"0.5x", "0.6", "0.7"}, 0, notANumber},
        // Only the first failing field is reported.
        {{"2", "0.6", "abc"}, 0, range},
        {{"0.4", "0.6", "abc"}, 2, notANumber},
        {{"", "5", "-5"}, 0, notANumber},
    };
    for (const FactorCase& c : cases) {
        const FactorReading reading = ReadFactors(c.texts[0], c.texts[1], c.texts[2]);
        if (c.refusedField < 0) {
            EXPECT_FALSE(reading.refusal.has_value()) << c.texts[0] << ' ' << c.texts[1] << ' ' << c.texts[2];
        } else {
            ASSERT_TRUE(reading.refusal.has_value()) << c.texts[0] << ' ' << c.texts[1] << ' ' << c.texts[2];
            EXPECT_EQ(reading.refusal->field, static_cast<std::size_t>(c.refusedField));
            EXPECT_EQ(reading.refusal->message, c.message);
        }
    }
}

TEST(DialogFieldReading, StoresFieldsUpToTheRefusalAndLeavesTheRestAlone) {
    const FactorReading accepted = ReadFactors("0.25", "1", "0");
    EXPECT_EQ(accepted.values, (std::array<double, 3>{0.25, 1.0, 0.0}));

    // The out-of-range value is stored, as a partial reading does; later fields keep theirs.
    const FactorReading refused = ReadFactors("0.1", "3", "0.2");
    EXPECT_EQ(refused.values, (std::array<double, 3>{0.1, 3.0, -7.0}));

    const FactorReading unreadable = ReadFactors("0.1", "?", "0.2");
    EXPECT_EQ(unreadable.values, (std::array<double, 3>{0.1, -7.0, -7.0}));
}

// Reads the ten texts of the viewing-space dialog: nine coordinates, then the angle.
std::optional<FieldRefusal> ReadViewingTexts(const std::array<const char*, 10>& texts,
                                             std::array<double, 10>& values) {
    std::array<DialogField, 10> fields;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        fields[i] = {texts[i], &values[i], std::nullopt};
    }
    fields[9].range = NumberRange{0.5, 180.0};
    return ReadDialogFields(fields);
}

struct ViewingCase {
    const char* coordinate;  // text of the From Point's Y field
    const char* angle;
    int refusedField;
    const char* message;
};

TEST(DialogFieldReading, ViewingAngleIsCheckedAfterEveryCoordinateIsRead) {
    const char* range = "Please enter a number between 0.5 and 180.";
    const char* notANumber = "Please enter a number.";
    const ViewingCase cases[] = {
        {"1", "0.5", -1, ""},
        {"1", "180", -1, ""},
        {"1", "45", -1, ""},
        {"1", "0.49", 9, range},
        {"1", "180.5", 9, range},
        {"1", "", 9, notANumber},
        {"abc", "45", 4, notANumber},
        // A coordinate that is not a number is reported before an angle out of range.
        {"abc", "200", 4, notANumber},
        // Coordinates have no range.
        {"-1e300", "45", -1, ""},
    };
    for (const ViewingCase& c : cases) {
        std::array<const char*, 10> texts = {"0", "0", "0", "1", c.coordinate, "1", "0", "1", "0", c.angle};
        std::array<double, 10> values{};
        const std::optional<FieldRefusal> refusal = ReadViewingTexts(texts, values);
        if (c.refusedField < 0) {
            EXPECT_FALSE(refusal.has_value()) << c.coordinate << ' ' << c.angle;
        } else {
            ASSERT_TRUE(refusal.has_value()) << c.coordinate << ' ' << c.angle;
            EXPECT_EQ(refusal->field, static_cast<std::size_t>(c.refusedField));
            EXPECT_EQ(refusal->message, c.message);
        }
    }
}

TEST(LightSliderMapping, ComponentTruncatesTowardZero) {
    EXPECT_EQ(LightSliderPosition(-1.0), 0);
    EXPECT_EQ(LightSliderPosition(0.0), 10);
    EXPECT_EQ(LightSliderPosition(1.0), 20);
    EXPECT_EQ(LightSliderPosition(1.0 / std::sqrt(2.0)), 17);
    EXPECT_EQ(LightSliderPosition(-1.0 / std::sqrt(2.0)), 3);
    EXPECT_EQ(LightSliderPosition(0.15), 11);
    EXPECT_EQ(LightSliderPosition(-0.15), 9);
    EXPECT_EQ(LightSliderPosition(0.0999), 10);
    EXPECT_EQ(LightSliderPosition(-0.0999), 10);
    EXPECT_EQ(LightSliderPosition(std::numeric_limits<double>::quiet_NaN()), 10);
}

TEST(LightSliderMapping, PositionsOfTheLightUseItsDirectionOnly) {
    EXPECT_EQ(LightSliderPositionsFor(CVector3D(0.0, 0.0, -1.0)), (LightSliderPositions{10, 10, 0}));
    EXPECT_EQ(LightSliderPositionsFor(CVector3D(0.0, 0.0, -5.0)), (LightSliderPositions{10, 10, 0}));
    EXPECT_EQ(LightSliderPositionsFor(CVector3D(3.0, -4.0, 0.0)), (LightSliderPositions{16, 2, 10}));
}

struct SnapCase {
    LightSliderPositions moved;
    LightSliderPositions rest;
};

TEST(LightSliderMapping, SlidersComeToRestOnTheUnitVector) {
    const SnapCase cases[] = {
        {{10, 10, 0}, {10, 10, 0}},  {{20, 10, 0}, {17, 10, 3}}, {{20, 20, 20}, {15, 15, 15}},
        {{10, 10, 10}, {10, 10, 0}}, {{0, 10, 10}, {0, 10, 10}}, {{10, 20, 10}, {10, 20, 10}},
        {{0, 0, 0}, {5, 5, 5}},
    };
    for (const SnapCase& c : cases) {
        const LightSliderSnap snap = SnapLightSliders(c.moved);
        EXPECT_EQ(snap.positions, c.rest)
            << c.moved.horizontal << ' ' << c.moved.vertical << ' ' << c.moved.depth;
        // The light set is the unit vector the moved positions stand for.
        EXPECT_EQ(snap.light, LightFromSliderPositions(c.moved));
        EXPECT_NEAR(snap.light.Length(), 1.0, 1e-15);
    }
}

TEST(LightSliderMapping, CentredSlidersPutTheLightAtTheViewer) {
    EXPECT_EQ(LightFromSliderPositions({10, 10, 10}), CVector3D(0.0, 0.0, -1.0));
    const CVector3D light = LightFromSliderPositions({20, 10, 0});
    EXPECT_DOUBLE_EQ(light.x, 1.0 / std::sqrt(2.0));
    EXPECT_EQ(light.y, 0.0);
    EXPECT_DOUBLE_EQ(light.z, -1.0 / std::sqrt(2.0));
}

}  // namespace
}  // namespace quorvane
