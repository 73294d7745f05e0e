// The cell table: blank page, layout, gaps, script sizes and offsets, run-length expansion.
#include <vector>

#include "fake_text_host.h"

using CellTable = TextPageTest;

TEST_F(CellTable, BlankPageIsAColumnOfEmptyLinesToTwiceThePageHeight) {
  PageHeight = 1056;
  form->FillCanvas();
  // Cells 1, 2, ... at y = 48, 68, ...; the last grid cell is the first at or below 2112.
  for (int i = 1; i <= 104; ++i) {
    ASSERT_EQ(form->CharPositions[i], TPoint(48, 48 + 20 * (i - 1))) << i;
    ASSERT_EQ(form->CharCodes[i], 0) << i;
  }
  EXPECT_EQ(form->CharPositions[105], TPoint(48, 2128));
  for (int i = 106; i <= MaxCharacters; ++i) ASSERT_EQ(form->CharPositions[i].Y, 0) << i;
  EXPECT_EQ(form->CurrentI, 1);
  EXPECT_EQ(form->LastTextCell(), 0);
  EXPECT_EQ(form->FirstTextCell(), 1);
  EXPECT_EQ(form->LastUsedIndex(), 105);
  // However small the line height, the grid stops at cell 4094.
  LineHeight = 0;
  form->FillCanvas();
  EXPECT_EQ(form->CharPositions[4094].Y, tMargin);
  EXPECT_EQ(form->CharPositions[MaxCharacters].Y, 0);
}

TEST_F(CellTable, LayoutPlacesGlyphsOnePixelApartAndBreaksAtLineEnds) {
  // "ab|" then "c|": a superscript first on the second line loses its offset.
  const uint8_t codes[] = {'a', 'b', 0, 'c', 0};
  for (int i = 0; i < 5; ++i) form->CharCodes[size_t(i + 1)] = codes[i];
  form->CharOffsets[4] = -7;
  form->CharOffsets[2] = -3;
  form->LayoutTextCells();
  EXPECT_EQ(form->CharPositions[1], TPoint(48, 48));
  EXPECT_EQ(form->CharPositions[2], TPoint(48 + W(1) + 1, 48));
  EXPECT_EQ(form->CharPositions[3], TPoint(form->CharPositions[2].X + W(2) + 1, 48));
  EXPECT_EQ(form->CharPositions[4], TPoint(48, 68));
  EXPECT_EQ(form->CharOffsets[4], 0);
  EXPECT_EQ(form->CharOffsets[2], -3);  // inside a line an offset stays
  EXPECT_EQ(form->CharPositions[6], TPoint(48, 88));
  EXPECT_EQ(form->CharPositions[MaxCharacters].Y, 0);  // never laid out
}

TEST_F(CellTable, ShiftDataUpGivesTheGapTheFontBeforeUnlessItIsASymbolFont) {
  form->CharCodes[1] = 'x';
  form->CharFonts[1]->Assign(TFont("Symbol", 20, 0, clRed, SYMBOL_CHARSET));
  form->CharCodes[2] = 'y';
  form->ShiftDataUp(2, 1);
  EXPECT_EQ(form->CharFonts[2]->Name, host.MainFont().Name);
  EXPECT_EQ(form->CharCodes[3], 'y');
  form->CharFonts[1]->Assign(TFont("Arial", 17));
  form->ShiftDataUp(2, 2);
  EXPECT_EQ(form->CharFonts[2]->Size(), 17);
  EXPECT_EQ(form->CharFonts[3]->Size(), 17);
  EXPECT_EQ(form->CharCodes[5], 'y');
  // Every cell keeps an object of its own.
  form->CharFonts[2]->SetSize(30);
  EXPECT_EQ(form->CharFonts[3]->Size(), 17);
}

TEST_F(CellTable, GapOperationsRefuseIndexesOutsideTheTable) {
  const struct {
    bool Up;
    int Index, Count;
  } bad[] = {{true, 0, 1}, {true, 4096, 1}, {true, 4095, 2}, {true, 1, 4096}, {true, 5, -1},
             {false, 0, 1}, {false, -3, 1}, {false, 4096, 1}, {false, 4095, 2}, {false, 5, -1}};
  for (const auto& c : bad) {
    try {
      if (c.Up)
        form->ShiftDataUp(c.Index, c.Count);
      else
        form->ShiftDataDown(c.Index, c.Count);
      ADD_FAILURE() << c.Up << " " << c.Index << " " << c.Count;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message, c.Up ? "Unable to shift data up: MaxCharacters - count < 1"
                                : "Unable to shift data down: CurrentI - count > MaxCharacters-1");
    }
  }
  // The last cell itself can be opened and closed.
  form->CharCodes[MaxCharacters] = 'z';
  form->ShiftDataDown(MaxCharacters, 1);
  EXPECT_EQ(form->CharCodes[MaxCharacters], 0);
  form->ShiftDataUp(MaxCharacters, 1);
}

TEST_F(CellTable, ShiftDataDownKeepsACaretAtTheMarginThere) {
  form->CharCodes[1] = 'a';
  form->CharCodes[2] = 0;
  form->CharCodes[3] = 'b';
  form->LayoutTextCells();
  form->CurrentI = 3;  // at the start of the second line
  form->ShiftDataDown(2, 1);
  EXPECT_EQ(form->CharPositions[3], TPoint(48, 68));
  EXPECT_EQ(form->CharCodes[2], 'b');
  EXPECT_EQ(form->CharCodes[4095], 0);
}

TEST_F(CellTable, ScriptSizesOffsetsAndKinds) {
  host.ScriptPercentSetting = 60;
  EXPECT_EQ(form->ScriptFontSize(12), 7);
  EXPECT_EQ(form->ScriptOffset(12, skSuperscript), -10);
  EXPECT_EQ(form->ScriptOffset(12, skSubscript), 3);
  EXPECT_EQ(form->ScriptOffset(12, skMidscript), -4);
  EXPECT_EQ(form->ScriptOffset(12, 9), 0);
  host.ScriptPercentSetting = 20;  // the least the main font settings give
  EXPECT_EQ(form->ScriptFontSize(10), 2);
  host.ScriptPercentSetting = 50;
  form->CharCodes[1] = 'a';
  form->CharFonts[1]->SetSize(12);
  const struct {
    int Offset, Kind;
  } kinds[] = {{-10, skSuperscript}, {-4, skMidscript}, {3, skSubscript}, {-1, skNone}, {0, skNone}, {65536 - 10, skSuperscript}};
  for (const auto& k : kinds) {
    form->CharCodes[2] = 'b';
    form->CharOffsets[2] = k.Offset;
    EXPECT_EQ(form->CellScriptKind(2), k.Kind) << k.Offset;
  }
  EXPECT_EQ(form->CellScriptKind(0), skNone);
}

TEST_F(CellTable, FontBeforeSkipsScriptedAndSpecialCells) {
  form->CharCodes[1] = 'a';
  form->CharFonts[1]->Assign(TFont("Arial", 14));
  form->CharCodes[2] = 'b';
  form->CharOffsets[2] = -5;
  form->CharCodes[3] = 143;
  form->CharFonts[3]->Assign(TFont("zqvserif", 33));
  form->CharCodes[4] = 'c';
  EXPECT_TRUE(form->IsSpecialCell(3));
  EXPECT_EQ(form->FontBefore(4)->Size(), 14);
  EXPECT_EQ(form->FontBefore(0), &host.MainFont());
  form->CharFonts[3]->Assign(TFont("ZQVRelMath", 8));
  form->CharCodes[3] = 'A';
  EXPECT_TRUE(form->IsSpecialCell(3));
  form->CharFonts[3]->Assign(TFont("ZQVSerif", 8));
  EXPECT_FALSE(form->IsSpecialCell(3));
}

namespace {
std::vector<uint8_t> RunStream(const std::vector<std::pair<uint32_t, uint32_t>>& runs, const std::string& literals) {
  std::vector<uint8_t> b;
  auto put = [&](uint32_t v) {
    for (int k = 0; k < 4; ++k) b.push_back(uint8_t(v >> (8 * k)));
  };
  for (auto [p, l] : runs) {
    put(p);
    put(l);
  }
  b.insert(b.end(), literals.begin(), literals.end());
  return b;
}
}  // namespace

TEST_F(CellTable, ExpandRunLengthsRepeatsTheRunByteAndStopsAfterTheLastRun) {
  TMemoryStream s;
  const auto bytes = RunStream({{3, 4}}, "ABCD");
  s.Write(bytes.data(), int64_t(bytes.size()));
  s.SetPosition(0);
  std::vector<uint8_t> dest(16, 0);
  ASSERT_TRUE(form->ExpandRunLengths(dest, &s, 0));
  EXPECT_EQ(std::string(dest.begin(), dest.begin() + 7), std::string("ABCCCC") + '\0');
  EXPECT_EQ(s.Position(), 8 + 3);  // exactly three literal bytes read
  // Two runs.
  TMemoryStream t;
  const auto two = RunStream({{1, 2}, {3, 3}}, "xyz");
  t.Write(two.data(), int64_t(two.size()));
  t.SetPosition(0);
  ASSERT_TRUE(form->ExpandRunLengths(dest, &t, 1));
  EXPECT_EQ(std::string(dest.begin(), dest.begin() + 6), "xxyzzz");
  EXPECT_TRUE(rec->Texts().empty());
}

TEST_F(CellTable, ExpandRunLengthsFailsOnDamagedRunsWithoutWritingPastTheRecord) {
  const struct {
    std::vector<std::pair<uint32_t, uint32_t>> Runs;
    std::string Literals;
    uint32_t RunCount;
  } damaged[] = {
      {{{3, 100}}, "ABC", 0},            // runs past the end of the record
      {{{5, 2}, {2, 2}}, "ABCDE", 1},    // positions going back
      {{{3, 2}}, "AB", 0},               // literals missing
      {{{3, 2}}, "ABC", 0x7FFFFFFF},     // a run count the stream cannot hold
      {{{0, 2}}, "A", 0},                // position 0
  };
  for (const auto& d : damaged) {
    rec->Clear();
    TMemoryStream s;
    const auto bytes = RunStream(d.Runs, d.Literals);
    s.Write(bytes.data(), int64_t(bytes.size()));
    s.SetPosition(0);
    std::vector<uint8_t> dest(8, 0);
    EXPECT_FALSE(form->ExpandRunLengths(dest, &s, d.RunCount));
    EXPECT_EQ(rec->Texts(), std::vector<std::string>{"Invalid File"});
  }
  rec->Clear();
  std::vector<uint8_t> dest(8, 0);
  EXPECT_FALSE(form->ExpandRunLengths(dest, nullptr, 0));
  EXPECT_EQ(rec->Texts(), std::vector<std::string>{"Problem creating TFileStream"});
}

TEST_F(CellTable, RescaleRectsByResolution) {
  std::vector<uint8_t> pastes(280 * 2, 0);
  auto put = [&](size_t at, int32_t v) {
    for (int k = 0; k < 4; ++k) pastes[at + size_t(k)] = uint8_t(uint32_t(v) >> (8 * k));
  };
  put(256, 10), put(260, 20), put(264, 30), put(268, 41);
  form->RescalePasteRects(96, 120, 0, pastes);
  auto get = [&](size_t at) { return int32_t(pastes[at] | pastes[at + 1] << 8 | pastes[at + 2] << 16 | pastes[at + 3] << 24); };
  EXPECT_EQ(get(256), 12);  // 12.5 to the even neighbour
  EXPECT_EQ(get(260), 25);
  EXPECT_EQ(get(264), 38);  // 37.5
  EXPECT_EQ(get(268), 51);  // 51.25
  EXPECT_EQ(pastes[272] | pastes[273] << 8, 25);  // Top
  EXPECT_EQ(pastes[274] | pastes[275] << 8, 12);  // Left
  // A LastIndex past the table is bounded by it; below 0 changes nothing.
  form->RescaleImageRects(96, 192, 500, std::span<uint8_t>(pastes.data(), 272));
  EXPECT_EQ(get(256), 24);
  form->RescaleImageRects(96, 192, -1, std::span<uint8_t>(pastes.data(), 272));
  EXPECT_EQ(get(256), 24);
}

TEST_F(CellTable, ExpandRunLengthsOnRandomStreamsStaysInsideTheRecordAndMatchesTheFormat) {
  // Random run tables, valid and damaged, against a plain reading of the format.
  uint32_t seed = 12345;
  auto next = [&seed](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % n;
  };
  int validSeen = 0, damagedSeen = 0;
  for (int round = 0; round < 400; ++round) {
    const uint32_t runCount = next(4);
    std::vector<std::pair<uint32_t, uint32_t>> runs;
    uint32_t pos = 0;
    for (uint32_t r = 0; r <= runCount; ++r) {
      pos += 1 + next(5);
      if (next(10) == 0) pos -= next(3);  // sometimes out of order
      runs.push_back({pos, next(10) == 0 ? next(200) : 2 + next(4)});
    }
    std::string literals;
    const uint32_t literalCount = pos + next(3) - (next(8) == 0 ? 2 : 0);
    for (uint32_t k = 0; k < literalCount; ++k) literals += char('a' + next(26));
    const auto bytes = RunStream(runs, literals);
    TMemoryStream s;
    s.Write(bytes.data(), int64_t(bytes.size()));
    s.SetPosition(0);
    std::vector<uint8_t> dest(24, 0);
    rec->Clear();
    const bool ok = form->ExpandRunLengths(dest, &s, runCount);
    // The reference: valid when positions rise, lengths are at least 1, the literals last and
    // the output fits the record.
    std::string expect;
    bool valid = true;
    uint32_t prev = 0, li = 0;
    for (auto [p, l] : runs) {
      if (p <= prev || l < 1 || p > literals.size()) {
        valid = false;
        break;
      }
      while (li < p) expect += literals[li++];
      expect.append(l - 1, literals[p - 1]);
      prev = p;
    }
    if (expect.size() > dest.size()) valid = false;
    ASSERT_EQ(ok, valid) << round;
    (ok ? validSeen : damagedSeen)++;
    if (ok) {
      EXPECT_EQ(std::string(dest.begin(), dest.begin() + std::ptrdiff_t(expect.size())), expect) << round;
    } else {
      EXPECT_EQ(rec->Texts(), std::vector<std::string>{"Invalid File"}) << round;
    }
  }
  EXPECT_GT(validSeen, 50);
  EXPECT_GT(damagedSeen, 50);
}
