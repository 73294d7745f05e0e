// Wrapping the selection, blank lines, word statistics and the Information text.
#include <functional>

#include "fake_text_host.h"

namespace {

struct Wrap : TextPageTest {
  // The lines of the text, as strings, up to the last text cell.
  std::vector<std::string> Lines() {
    std::vector<std::string> out(1);
    for (int i = 1; i <= form->LastTextCell(); ++i) {
      if (form->CharCodes[i] == 0)
        out.emplace_back();
      else
        out.back() += char(form->CharCodes[i]);
    }
    return out;
  }
  // Right edge of the widest line.
  int WidestRight() {
    int right = 0;
    for (int i = 1; i <= form->LastTextCell(); ++i)
      if (form->CharCodes[i] >= 32) right = std::max(right, form->CharPositions[i].X + W(i));
    return right;
  }
  void SelectAll() {
    form->SelStart = 1;
    form->SelEnd = form->LastTextCell() + 1;
  }
};

}  // namespace

TEST_F(Wrap, TableOfWraps) {
  const std::string tab(1, char(chTabMark));
  std::string words, tabbed;
  for (int k = 0; k < 40; ++k) {
    words += std::string(3, char('a' + k % 26)) + (k < 39 ? " " : "");
    tabbed += std::string(4, char('a' + k % 26)) + (k < 39 ? tab : "");
  }
  // Every line of the result is made of whole words of the given length.
  auto wholeWords = [](const std::vector<std::string>& lines, size_t len, char sep) {
    for (const auto& l : lines) {
      size_t run = 0;
      for (char c : l) {
        if (c == sep || c == ' ') {
          if (run != 0 && run != len) return false;
          run = 0;
        } else {
          ++run;
        }
      }
      if (run != 0 && run != len) return false;
    }
    return true;
  };
  struct Case {
    const char* Name;
    std::string Text;
    bool Preserve;
    std::function<void(const std::vector<std::string>&)> Check;
  };
  const Case cases[] = {
      {"words break at blanks", words, false,
       [&](const auto& lines) {
         EXPECT_GE(lines.size(), 2u);
         EXPECT_TRUE(wholeWords(lines, 3, ' '));
       }},
      {"paragraphs run together", "aaa bbb\nccc ddd", false,
       [](const auto& lines) { EXPECT_EQ(lines, std::vector<std::string>{"aaa bbb ccc ddd"}); }},
      {"carriage returns kept", "aaa bbb\nccc ddd", true,
       [](const auto& lines) { EXPECT_EQ(lines, (std::vector<std::string>{"aaa bbb", "ccc ddd"})); }},
      {"a long word is cut at the margin", std::string(150, 'w'), false,
       [](const auto& lines) {
         EXPECT_GE(lines.size(), 2u);
         size_t total = 0;
         for (const auto& l : lines) total += l.size();
         EXPECT_EQ(total, 150u);
       }},
      {"a blank in the left half is no break point", "a " + std::string(150, 'w'), false,
       [](const auto& lines) {
         ASSERT_GE(lines.size(), 2u);
         EXPECT_GT(lines[0].size(), 3u);
         EXPECT_EQ(lines[0].substr(0, 3), "a w");
       }},
      {"tab cells are blanks", tabbed, false,
       [&](const auto& lines) {
         EXPECT_GE(lines.size(), 2u);
         EXPECT_TRUE(wholeWords(lines, 4, char(chTabMark)));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    // The text goes straight into the cells (typing stops at the right margin).
    form->FillCanvas();
    form->CharCodes.fill(0);
    int i = 1;
    for (char ch : c.Text) {
      const uint8_t b = ch == '\n' ? 0 : uint8_t(ch);
      form->CharCodes[i] = b;
      if (b == chTabMark) form->CharFonts[i]->Assign(TFont("ZQVSerif", 12, 0, clBlack, DEFAULT_CHARSET));
      ++i;
    }
    form->CurrentI = i;
    form->LayoutTextCells();
    SelectAll();
    ASSERT_TRUE(form->WrapCells(lMargin, rMargin, c.Preserve, form->SelEnd, form->SelStart));
    form->LayoutTextCells();
    auto lines = Lines();
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    for (auto& l : lines)
      while (!l.empty() && l.back() == ' ') l.pop_back();
    c.Check(lines);
    EXPECT_LE(WidestRight(), rMargin);
  }
}

TEST_F(Wrap, TheWholeCommandTakesOneSnapshotAndUndoesAFailure) {
  Type("aaa bbb ccc ddd eee fff ggg hhh iii jjj kkk lll mmm nnn ooo ppp qqq rrr sss ttt uuu vvv www xxx");
  SelectAll();
  host.Snapshots = 0;
  rec->Answer(mrNo);  // do not preserve carriage returns
  form->WrapSelectiontoMargin1Click(host.Menus[0].get());
  EXPECT_EQ(host.Snapshots, 1);
  EXPECT_LE(WidestRight(), rMargin);
  EXPECT_GT(Lines().size(), 1u);
  EXPECT_TRUE(host.Modified);
  EXPECT_EQ(rec->Last().Text, "Preserve carriage returns?");
}

TEST_F(Wrap, ACrowdedPageWarnsBeforeWrapping) {
  // Nearly full: 4000 cells of short words on one line.
  for (int i = 1; i < 4000; ++i) form->CharCodes[i] = i % 3 ? 'a' : ' ';
  form->LayoutTextCells();
  form->SelStart = 1;
  form->SelEnd = 4000;
  std::array<int32_t, 6> stats{};
  form->CountWords(1, 4000, stats);
  rec->Answer(mrAbort);
  EXPECT_EQ(form->WrapCapacityCheck(lMargin, rMargin, stats), mrAbort);
  EXPECT_NE(rec->Last().Text.find("approaching the 4096 limit."), std::string::npos);
  // Wrapping anyway stops at the cell limit, never past the table.
  rec->Answer(mrYes);
  rec->Answer(mrNo);
  rec->DefaultAnswer = mrOk;
  form->WraptoX1Click(host.Menus[0].get(), rMargin);
  EXPECT_LE(form->LastTextCell(), MaxCharacters);
}

TEST_F(Wrap, BlankLinesStripAndInsert) {
  Type("a\n\n\nb");
  form->SelStart = 1;
  form->SelEnd = 6;
  host.Snapshots = 0;
  form->StripBlankLines1Click(host.Menus[0].get());
  EXPECT_EQ(Cells(1, 4), "a|b|");
  EXPECT_EQ(host.Snapshots, 1);
  EXPECT_FALSE(form->HasTextSelection());
  host.UndoText(nullptr);
  EXPECT_EQ(Cells(1, 6), "a|||b|");

  form->FillCanvas();
  Type("a\nb\nc");
  form->SelStart = 1;
  form->SelEnd = 7;
  form->InsertBlankLines1Click(host.Menus[0].get());
  EXPECT_EQ(Cells(1, 9), "a||b||c||");
  EXPECT_TRUE(host.Modified);
}

TEST_F(Wrap, StatisticsAndInformation) {
  auto info = form->TextInformationLines();
  EXPECT_EQ(info[0], "Last character: 0");
  EXPECT_EQ(info[2], "Approximate word count: 0");
  Type("one two  three\n\nfour");
  std::array<int32_t, 6> stats{};
  form->CountWords(1, form->LastTextCell() + 1, stats);
  EXPECT_EQ(stats[0], 4);
  EXPECT_EQ(stats[1], 4);  // 15 characters in 4 words
  EXPECT_EQ(stats[2], 2);
  EXPECT_EQ(stats[3], 15);
  EXPECT_EQ(stats[4], 0);
  EXPECT_GT(stats[5], 0);
  EXPECT_EQ(form->BuildWordList(), 4);
  info = form->TextInformationLines();
  EXPECT_EQ(info[0], "Last character: " + std::to_string(form->LastTextCell()));
  EXPECT_EQ(info[1], "Total none whitespace characters: 15");
  EXPECT_EQ(info[3], " ");
}
