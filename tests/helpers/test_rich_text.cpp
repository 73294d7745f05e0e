// The rich-text reader and writer: character formats of runs, script kinds, what it skips, its
// bounds, and what it writes checked with an independent reader (unrtf) when one is installed.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "helpers/rich_text.h"

namespace {

TRichCharFormat FormatOf(const TZQVRichEdit& e, int line, int index) { return e.FormatAt(size_t(line), size_t(index)); }

}  // namespace

TEST(RichText, RunsGetTheirCharacterFormats) {
  TZQVRichEdit e;
  ASSERT_TRUE(e.LoadRtf(
      "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}{\\f1\\fswiss\\fcharset0 Arial;}"
      "{\\f2\\fcharset2 Symbol;}}{\\colortbl;\\red0\\green128\\blue255;}"
      "{\\*\\generator Some Writer;}{\\info{\\title t}}"
      "a{\\b b}{\\i\\ul c\\ulnone d}{\\strike e}{\\cf1 f}{\\f2 \\'61}{\\fs17 g}\\par\n"
      "{\\f0 \\u8364?x}\\line \\'e9\\~\\{\\}\\\\}"));
  ASSERT_EQ(e.Lines().size(), 3u);
  EXPECT_EQ(e.Lines()[0], "abcdefag");
  EXPECT_EQ(e.Lines()[1], "\x80x");  // the euro sign as its Windows-1252 byte; its "?" dropped
  EXPECT_EQ(e.Lines()[2], "\xe9\xa0{}\\");
  EXPECT_EQ(FormatOf(e, 0, 0).FaceName, "Arial");  // \deff1
  EXPECT_EQ(FormatOf(e, 0, 1).Style, fsBold);
  EXPECT_EQ(FormatOf(e, 0, 2).Style, fsItalic | fsUnderline);
  EXPECT_EQ(FormatOf(e, 0, 3).Style, fsItalic);
  EXPECT_EQ(FormatOf(e, 0, 4).Style, fsStrikeOut);
  EXPECT_EQ(FormatOf(e, 0, 5).Color, TColor(0xFF8000));
  EXPECT_EQ(FormatOf(e, 0, 6).FaceName, "Symbol");
  EXPECT_EQ(FormatOf(e, 0, 6).Charset, SYMBOL_CHARSET);
  EXPECT_EQ(FormatOf(e, 0, 7).SizeHalfPoints, 17);
  EXPECT_EQ(FormatOf(e, 1, 0).FaceName, "Times New Roman");
  EXPECT_EQ(e.TextLength(), 8 + 2 + 2 + 2 + 5);

  // The selection's attributes as a font: the half-point size 17 gives 8 points.
  TFont f;
  e.SelStart = 7;
  SelAttributesToFont(e, f);
  EXPECT_EQ(f.Size(), 8);
  e.SelStart = e.LineStart(1);
  SelAttributesToFont(e, f);
  EXPECT_EQ(f.Name, "Times New Roman");
  EXPECT_EQ(f.Size(), 12);
}

TEST(RichText, ScriptKindsFromEffectsAndOffsets) {
  TZQVRichEdit e;
  ASSERT_TRUE(e.LoadRtf("{\\rtf1 a{\\up6 b}{\\dn6 c}{\\sub\\up6 d}{\\super e}{\\sub f}{\\super\\nosupersub g}}"));
  const std::pair<int, uint8_t> cases[] = {{0, 7}, {1, 4}, {2, 6}, {3, 6}, {4, 4}, {5, 6}, {6, 7}};
  for (auto [pos, kind] : cases) {
    e.SelStart = pos;
    EXPECT_EQ(GetSelScriptKind(e), kind) << pos;
  }
  e.SelStart = 1;
  EXPECT_EQ(GetSelScriptOffset(e), 3);
  e.SelStart = 2;
  EXPECT_EQ(GetSelScriptOffset(e), -3);
  // 19 twips are 0 points: no script.
  TRichCharFormat small;
  small.OffsetTwips = 19;
  EXPECT_EQ(ScriptKindOfFormat(small), 7);
  small.OffsetTwips = -20;
  EXPECT_EQ(ScriptKindOfFormat(small), 6);
}

TEST(RichText, HostileInputIsBounded) {
  TZQVRichEdit e;
  EXPECT_FALSE(e.LoadRtf("plain text, not rich"));
  EXPECT_TRUE(e.Lines().empty());
  // Deep nesting: groups past the depth limit are skipped whole, the text after them is kept.
  std::string deep = "{\\rtf1 a";
  for (int k = 0; k < 5000; ++k) deep += "{x";
  for (int k = 0; k < 5000; ++k) deep += "}";
  deep += "b}";
  ASSERT_TRUE(e.LoadRtf(deep));
  ASSERT_EQ(e.Lines().size(), 1u);
  EXPECT_EQ(e.Lines()[0].front(), 'a');
  EXPECT_EQ(e.Lines()[0].back(), 'b');
  EXPECT_LT(e.Lines()[0].size(), 200u);
  // Huge numbers clamp; unknown words with long names, unterminated groups and a dangling
  // backslash end without harm.
  ASSERT_TRUE(e.LoadRtf("{\\rtf1 \\fs99999999999999999 \\up-99999999999 x\\" + std::string(500, 'q') +
                        "1 y{\\unknownword z{\\*\\anything {nested} w} v\\"));
  EXPECT_EQ(e.Lines()[0], "xyz v");
  EXPECT_EQ(e.FormatAt(0, 0).SizeHalfPoints, 3276);
  // The text is bounded.
  std::string big = "{\\rtf1 ";
  big.append(RichMaxTextLength + 100, 'k');
  ASSERT_TRUE(e.LoadRtf(big + "}"));
  EXPECT_EQ(size_t(e.TextLength()), RichMaxTextLength);
  // A font table that names a font twice, an empty table and a colour index out of range.
  ASSERT_TRUE(e.LoadRtf("{\\rtf1{\\fonttbl}{\\colortbl}\\f7\\cf9 q}"));
  EXPECT_EQ(e.FormatAt(0, 0).Color, clBlack);
}

TEST(RichText, WrittenTextReadsBack) {
  std::vector<TRichRun> runs;
  TRichCharFormat plain;
  plain.FaceName = "Arial";
  TRichCharFormat raised = plain;
  raised.Superscript = true;
  raised.SizeHalfPoints = 14;
  TRichCharFormat bold = plain;
  bold.Style = fsBold | fsUnderline;
  bold.Color = 0x00A0B0;
  TRichCharFormat symbol;
  symbol.FaceName = "Symbol";
  symbol.Charset = SYMBOL_CHARSET;
  runs.push_back({"E = mc", plain});
  runs.push_back({"2", raised});
  runs.push_back({"\r\nbraces {} \\ tab\there caf\xe9", bold});
  runs.push_back({"\x61\xb6", symbol});
  const std::string rtf = WriteRtf(runs);
  TZQVRichEdit e;
  ASSERT_TRUE(e.LoadRtf(rtf));
  ASSERT_EQ(e.Lines().size(), 2u);
  EXPECT_EQ(e.Lines()[0], "E = mc2");
  EXPECT_EQ(e.Lines()[1], "braces {} \\ tab\there caf\xe9\x61\xb6");
  EXPECT_TRUE(e.FormatAt(0, 6) == raised);
  EXPECT_TRUE(e.FormatAt(1, 0) == bold);
  EXPECT_TRUE(e.FormatAt(1, 25) == symbol);

  // An independent reader sees the same text.
  const QString unrtf = QStandardPaths::findExecutable("unrtf");
  if (unrtf.isEmpty()) GTEST_SKIP() << "unrtf is not installed";
  QTemporaryDir dir;
  QFile file(dir.filePath("w.rtf"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(rtf.data(), qint64(rtf.size()));
  file.close();
  QProcess p;
  p.start(unrtf, {"--text", file.fileName()});
  ASSERT_TRUE(p.waitForFinished(20000));
  QString out = QString::fromLatin1(p.readAllStandardOutput());
  // unrtf writes a comment header; the text follows it.
  QStringList lines;
  for (const QString& l : out.split('\n'))
    if (!l.startsWith("###")) lines << l;
  const QString text = lines.join('\n');
  EXPECT_TRUE(text.contains("E = mc2")) << text.toStdString();
  EXPECT_TRUE(text.contains("braces {} \\ tab")) << text.toStdString();
  EXPECT_TRUE(text.contains("here caf")) << text.toStdString();
}
