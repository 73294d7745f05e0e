// Symbol-font test and the layout of figure texts into lines and columns around a relation.
#include <gtest/gtest.h>

#include <QImage>

#include "helpers/text_block_layout.h"
#include "platform/canvas.h"
#include "platform/font.h"

namespace {
// Every character 7 pixels wide, a space as wide as given.
TTextWidthFunc FixedWidth(int space) {
  return [space](const std::string& s) {
    int w = 0;
    for (char c : s) w += c == ' ' ? space : 7;
    return w;
  };
}

struct Layout {
  TTextLines left, right;
  std::string relation = "stale";
  int32_t widths[2] = {-1, -1};
  void Run(const std::string& text, uint8_t align = 0, int space = 7, bool measureOnly = false) {
    TTextLines* lists[2] = {&left, &right};
    LayoutTextBlock(FixedWidth(space), text, lists, measureOnly, relation, align, widths);
  }
};
}  // namespace

TEST(TextBlockLayout, Cases) {
  struct Case {
    std::string text;
    TTextLines left, right;
    std::string relation;
  } cases[] = {
      {"x/y", {"x", "y"}, {}, ""},
      {"a = b", {"a"}, {"  b"}, " = "},
      {"a//b", {"a/b"}, {}, ""},
      {"==//=/", {}, {}, ""},
      {"/", {"/"}, {}, ""},
      {"/a\x01" "b=", {"a", "b"}, {}, ""},
      {"a @=> b/c", {"a"}, {"b", "c"}, " => "},
      {" p/ qq", {"p", "qq"}, {}, ""},
      {"u<v", {"u"}, {"v"}, " < "},
  };
  for (const auto& c : cases) {
    Layout l;
    l.left = {"old"};
    l.Run(c.text);
    EXPECT_EQ(l.left, c.left) << c.text;
    EXPECT_EQ(l.right, c.right) << c.text;
    EXPECT_EQ(l.relation, c.relation) << c.text;
  }
}

TEST(TextBlockLayout, WidthsAndAlignment) {
  Layout l;
  l.Run("abcd/ab", 2);
  EXPECT_EQ(l.left, (TTextLines{"abcd", " ab "}));
  EXPECT_EQ(l.widths[0], 28);
  EXPECT_EQ(l.widths[1], 0);
  Layout r;
  r.Run("abcd/ab", 1);
  EXPECT_EQ(r.left, (TTextLines{"abcd", "   ab"}));  // padded until wider than the widest line
  Layout m;
  m.Run("abcd/ab", 1, 7, true);
  EXPECT_EQ(m.left, (TTextLines{"abcd", "ab"}));
  EXPECT_EQ(m.widths[0], 28);
  Layout rel;
  rel.Run("ab = c/def", 0);
  EXPECT_EQ(rel.widths[0], 14);
  EXPECT_EQ(rel.widths[1], 21);
  EXPECT_EQ(WidestLine(FixedWidth(7), {"a", "bbb", "ccc"}), 1);
  EXPECT_EQ(WidestLine(FixedWidth(7), {"zzzz"}), 0);
}

TEST(TextBlockLayout, ZeroSpaceWidthEnds) {
  for (uint8_t align : {1, 2}) {
    Layout l;
    l.Run("abcd/ab", align, 0);
    EXPECT_EQ(l.left.size(), 2u);
    EXPECT_EQ(l.widths[0], 28);
  }
}

TEST(TextBlockLayout, LongTextIsCut) {
  Layout l;
  l.Run(std::string(300, 'q'));
  ASSERT_EQ(l.left.size(), 1u);
  EXPECT_EQ(l.left[0].size(), 255u);
}

TEST(TextBlockLayout, MissingListsOrEmptyText) {
  TTextLines left{"keep"};
  TTextLines* lists[2] = {&left, nullptr};
  std::string relation = "x";
  int32_t widths[2] = {5, 5};
  LayoutTextBlock(FixedWidth(7), "a=b", lists, false, relation, 0, widths);
  EXPECT_EQ(left, TTextLines{"keep"});
  EXPECT_EQ(relation, "");
  EXPECT_EQ(widths[0], 0);
}

TEST(TextBlockLayout, MeasuresWithTheCanvasFont) {
  QImage image(200, 50, QImage::Format_RGB32);
  TCanvas canvas(&image);
  canvas.Font = TFont("DejaVu Sans", 12);
  TTextLines left, right;
  TTextLines* lists[2] = {&left, &right};
  std::string relation;
  int32_t widths[2];
  LayoutTextBlock(&canvas, "W/ii", lists, true, relation, 0, widths);
  EXPECT_EQ(widths[0], std::max(canvas.TextWidthBytes("W"), canvas.TextWidthBytes("ii")));
  EXPECT_GT(widths[0], 0);
}

TEST(SymbolFont, Characters) {
  const TFont serif("ZQVSerif", 10);
  const TFont lower("zqvserif", 10);
  const TFont symbol("Symbol", 10);
  const TFont period("Period", 10);
  TFont arial("Arial", 10);
  EXPECT_TRUE(IsSymbolFontChar(&serif, 136));
  EXPECT_FALSE(IsSymbolFontChar(&serif, 185));
  EXPECT_TRUE(IsSymbolFontChar(&lower, 127));
  EXPECT_FALSE(IsSymbolFontChar(&serif, 'a'));
  EXPECT_TRUE(IsSymbolFontChar(&symbol, 'a'));
  EXPECT_TRUE(IsSymbolFontChar(&period, 'a'));
  EXPECT_FALSE(IsSymbolFontChar(&arial, 'a'));
  arial.Charset = SYMBOL_CHARSET;
  EXPECT_TRUE(IsSymbolFontChar(&arial, 'a'));
  EXPECT_FALSE(IsSymbolFontChar(static_cast<const TFont*>(nullptr), 'a'));
  EXPECT_TRUE(IsSymbolFontChar("ZQVRelMath", 1, 'a'));
  EXPECT_TRUE(IsSymbolFontChar("ZQVSerif", SYMBOL_CHARSET, 185));
}
