#include "source_literals.h"

#include <gtest/gtest.h>

using namespace skintest;

namespace {

std::vector<std::string> texts(std::string_view source)
{
    std::vector<std::string> out;
    for (const auto& lit : pngLiterals(source)) {
        out.push_back(lit.text);
    }
    return out;
}

} // namespace

TEST(SourceLiteralsTest, FindsPlainAndPrefixedLiterals)
{
    const auto found = pngLiterals("QPixmap a(\"min1.png\");\n"
                                   "auto b = QStringLiteral(\"set/set.png\");\n"
                                   "auto c = u\"quit2.png\"; auto d = \"notes.txt\";\n");
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].text, "min1.png");
    EXPECT_EQ(found[0].line, 1);
    EXPECT_EQ(found[1].text, "set/set.png");
    EXPECT_EQ(found[1].line, 2);
    EXPECT_EQ(found[2].text, "quit2.png");
    EXPECT_EQ(found[2].line, 3);
}

TEST(SourceLiteralsTest, SkipsComments)
{
    EXPECT_EQ(texts("// \"old.png\"\n/* \"gone.png\"\n \"also.png\" */ f(\"kept.png\");"),
              std::vector<std::string>{"kept.png"});
}

TEST(SourceLiteralsTest, HandlesEscapesCharsAndRawStrings)
{
    const char* src = "char q = '\"'; int big = 1'000;\n"
                      "auto s = \"say \\\"hi\\\" to x.png\";\n"
                      "auto r = R\"x(raw \"inner\" name.png)x\";\n"
                      "auto after = \"tail.png\";\n";
    const auto found = pngLiterals(src);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].text, "say \\\"hi\\\" to x.png");
    EXPECT_EQ(found[1].text, "raw \"inner\" name.png");
    EXPECT_EQ(found[2].text, "tail.png");
    EXPECT_EQ(found[2].line, 4);
}

TEST(SourceLiteralsTest, LinesCountAcrossBlockComments)
{
    const auto found = pngLiterals("/*\n\n*/\n\"a.png\"");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].line, 4);
}

TEST(SourceLiteralsTest, Classifies)
{
    EXPECT_EQ(classify("/%1.png"), LiteralKind::SavedFileSuffix);
    EXPECT_EQ(classify(".png"), LiteralKind::SavedFileSuffix);
    EXPECT_EQ(classify(":/icons/app.png"), LiteralKind::Resource);
    EXPECT_EQ(classify("calibration1-%d.png"), LiteralKind::Pattern);
    EXPECT_EQ(classify("arrow%1_Press.png"), LiteralKind::Pattern);
    EXPECT_EQ(classify("frame%02d.png"), LiteralKind::Pattern);
    EXPECT_EQ(classify("set/set.png"), LiteralKind::Name);
    EXPECT_EQ(classify("100%%.png"), LiteralKind::Name);
}

TEST(SourceLiteralsTest, PatternsMatchNames)
{
    EXPECT_TRUE(patternMatches("calibration1-%d.png", "calibration1-5.png"));
    EXPECT_TRUE(patternMatches("calibration2-%1.png", "calibration2-12.png"));
    EXPECT_TRUE(patternMatches("arrow%1_Press.png", "arrow2_Press.png"));
    EXPECT_TRUE(patternMatches("%1/set.png", "set/set.png"));
    EXPECT_FALSE(patternMatches("calibration1-%d.png", "calibration1-x.png"));
    EXPECT_FALSE(patternMatches("calibration1-%d.png", "calibration2-1.png"));
    EXPECT_FALSE(patternMatches("calibration1-%d.png", "calibration1-.png"));
    // '.' in a pattern is a dot, not "any character".
    EXPECT_FALSE(patternMatches("min%1.png", "min1xpng"));
    EXPECT_TRUE(patternMatches("min1.png", "min1.png"));
    EXPECT_FALSE(patternMatches("min1.png", "min2.png"));
}
