#include "framework/TextForms.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavrel {
namespace {

TEST(TextForms, BooleanText) {
    const std::pair<const char*, bool> cases[] = {
        {"true", true}, {"VRAI", true},  {" t ", true},    {"v", true},   {"12", true},
        {"-1", true},   {"True ", true}, {"false", false}, {"0", false},  {"00", false},
        {"", false},    {"abc", false},  {"oui", false},   {"1a", false}, {"tt", false},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(BooleanFromText(QString::fromUtf8(text)), expected) << text;
}

TEST(TextForms, DecimalIntegers) {
    EXPECT_EQ(ParseDecimalInt(" 42 "), 42);
    EXPECT_EQ(ParseDecimalInt("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ParseDecimalInt("+7"), 7);
    for (const char* bad : {"12a", "", "-", "2147483648", "$1F", "1 2", "1.0"})
        EXPECT_FALSE(ParseDecimalInt(QString::fromUtf8(bad)).has_value()) << bad;
}

TEST(TextForms, ListText) {
    struct Case {
        const char* text;
        QStringList expected;
    };
    const Case cases[] = {
        {"a, \"b c\",d", {"a", "b c", "d"}},
        {"a b,c", {"a", "b", "c"}},
        {"  a ,  b  ", {"a", "b"}},
        {"a,", {"a", ""}},
        {",a", {"", "a"}},
        {"\"say \"\"hi\"\"\",x", {"say \"hi\"", "x"}},
        {"\"open, quote", {"open, quote"}},
        {"\"\"", {""}},
        {"", {}},
        {"   ", {}},
        {"\ta\n,\rb", {"a", "b"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ListFromText(QString::fromUtf8(c.text)), c.expected) << c.text;
}

TEST(TextForms, RectangleText) {
    EXPECT_EQ(RectFromText("(10, 20, 30, 40)"), (TRectValue{10, 20, 30, 40}));
    EXPECT_EQ(RectFromText("  ( 1 ,2,3 , 4 )  "), (TRectValue{1, 2, 3, 4}));
    EXPECT_EQ(RectFromText("(-5,x,3,4)"), (TRectValue{-5, 0, 3, 4}));
    // Everything after the third comma is the bottom, which then is no number.
    EXPECT_EQ(RectFromText("(1,2,3,4,5)"), (TRectValue{1, 2, 3, 0}));
    for (const char* bad : {"10,20,30,40", "(10,20,30)", "(10,20,30,40", "", "()"})
        EXPECT_FALSE(RectFromText(QString::fromUtf8(bad)).has_value()) << bad;
}

TEST(TextForms, NumbersInBothSeparators) {
    EXPECT_EQ(FormatGeneralFloat(0.5, QLatin1Char('.')), "0.5");
    EXPECT_EQ(FormatGeneralFloat(0.5, QLatin1Char(',')), "0,5");
    EXPECT_EQ(FormatGeneralFloat(1e20, QLatin1Char('.')), "1E20");
    EXPECT_EQ(FormatGeneralFloat(1.5e-7, QLatin1Char('.')), "1.5E-7");
    EXPECT_EQ(FormatGeneralFloat(-3, QLatin1Char('.')), "-3");
    EXPECT_EQ(FormatGeneralFloat(0.1 + 0.2, QLatin1Char('.')), "0.3");

    EXPECT_EQ(ParseFloatText("0,5", QLatin1Char(',')), 0.5);
    // A file written under the other locale still reads.
    EXPECT_EQ(ParseFloatText("0.5", QLatin1Char(',')), 0.5);
    EXPECT_EQ(ParseFloatText("0,5", QLatin1Char('.')), 0.5);
    EXPECT_EQ(ParseFloatText(" 1E20 ", QLatin1Char('.')), 1e20);
    EXPECT_TRUE(std::isinf(*ParseFloatText("INF", QLatin1Char('.'))));
    for (const char* bad : {"abc", "", "1,000.5", "1.2.3", "0x10", "12a"})
        EXPECT_FALSE(ParseFloatText(QString::fromUtf8(bad), QLatin1Char('.')).has_value()) << bad;
    // 15 significant digits survive the round trip.
    const double third = 1.0 / 3.0;
    EXPECT_NEAR(*ParseFloatText(FormatGeneralFloat(third, QLatin1Char(',')), QLatin1Char(',')),
                third, 1e-15);
}

TEST(TextForms, ScriptStringLiterals) {
    EXPECT_EQ(PascalStringLiteral("abc"), "'abc'");
    EXPECT_EQ(PascalStringLiteral("l'audio"), "'l''audio'");
    EXPECT_EQ(PascalStringLiteral(""), "''");
    EXPECT_EQ(PascalStringLiteral("a\r\nb"), "'a'#13#10'b'");
    EXPECT_EQ(PascalStringLiteral("\n"), "#10");
}

}  // namespace
}  // namespace tavrel
