// The text clipboard: the page's own format (its reader refuses what it cannot trust), plain
// text and rich text, cut and copy, and the limits of pasting near the end of the cell table.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "fake_text_host.h"
#include "helpers/rich_text.h"

namespace {

const char* const kOwnMime = "application/x-qt-windows-mime;value=\"ZQVWare Korvalis V formatted text\"";

void PutOnClipboard(const QByteArray& own, const QString& text = QString(), const QByteArray& rtf = QByteArray()) {
  auto* data = new QMimeData;
  if (!own.isNull()) data->setData(kOwnMime, own);
  if (!text.isNull()) data->setText(text);
  if (!rtf.isNull()) data->setData("text/rtf", rtf);
  QGuiApplication::clipboard()->setMimeData(data);
}

QByteArray Block(const std::vector<TCellRecord>& records) {
  const auto b = textclip::EncodeClipText(records);
  return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

}  // namespace

TEST(ClipFormat, RoundTripAndRefusals) {
  std::vector<TCellRecord> recs(3);
  recs[0] = {TFont("Times New Roman", 12, fsBold, 0x123456, ANSI_CHARSET), 'x', -7};
  recs[1] = {TFont("Symbol", 9, fsItalic | fsUnderline, clBlue, SYMBOL_CHARSET), 0xB6, 300};
  recs[2] = {TFont(std::string(70, 'N'), 1000, 0, clRed, 1), 0, 0};
  auto block = textclip::EncodeClipText(recs);
  ASSERT_EQ(block.size(), 4 + 3 * 67u);
  std::vector<TCellRecord> back;
  ASSERT_TRUE(textclip::DecodeClipText(block, back));
  ASSERT_EQ(back.size(), 3u);
  EXPECT_EQ(back[0].Font.Name, "Times New Roman");
  EXPECT_EQ(back[0].Font.Style, fsBold);
  EXPECT_EQ(back[0].Font.Color, TColor(0x123456));
  EXPECT_EQ(back[0].Offset, -7);
  EXPECT_EQ(back[1].Font.Charset, SYMBOL_CHARSET);
  EXPECT_EQ(back[1].Ch, 0xB6);
  EXPECT_EQ(back[1].Offset, 300);
  EXPECT_EQ(back[2].Font.Name, std::string(50, 'N'));  // cut to its field
  EXPECT_EQ(back[2].Font.Size(), 1000);

  // A name length byte beyond the field reads only the field; a size of 0 becomes 1.
  block[4] = 255;
  block[4 + 52] = block[4 + 53] = block[4 + 54] = block[4 + 55] = 0;
  ASSERT_TRUE(textclip::DecodeClipText(block, back));
  EXPECT_EQ(back[0].Font.Name.size(), 50u);
  EXPECT_EQ(back[0].Font.Size(), 1);

  // The count is bounded by the data: one record more than the block holds is refused, bytes
  // after the last record are ignored, a block shorter than its count field is refused.
  auto lying = textclip::EncodeClipText(recs);
  lying[0] = 4;
  EXPECT_FALSE(textclip::DecodeClipText(lying, back));
  lying[0] = 0xFF, lying[1] = 0xFF, lying[2] = 0xFF, lying[3] = 0xFF;
  EXPECT_FALSE(textclip::DecodeClipText(lying, back));
  auto padded = textclip::EncodeClipText(recs);
  padded.resize(padded.size() + 13, 0xAA);
  EXPECT_TRUE(textclip::DecodeClipText(padded, back));
  EXPECT_EQ(back.size(), 3u);
  const std::vector<uint8_t> tiny{1, 0};
  EXPECT_FALSE(textclip::DecodeClipText(tiny, back));
}

using Clipboard = TextPageTest;

TEST_F(Clipboard, CopyTrimsToPrintableEndsAndPutsBothForms) {
  Type("ab\ncd e\nfg");
  // Cells: a1 b2 |3 c4 d5 ' '6 e7 |8 f9 g10. A selection from the line end at 3 to the blank at 6.
  form->SelStart = 3;
  form->SelEnd = 7;
  form->CharOffsets[4] = -5;
  form->CharFonts[4]->Style = fsItalic;
  form->CopyTextToClipboard();
  EXPECT_EQ(form->SelStart, 4);  // moved in past the line end
  EXPECT_EQ(form->SelEnd, 7);    // a blank is printable (code 32)
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_TRUE(data->hasFormat(kOwnMime));
  EXPECT_EQ(data->text(), "cd ");
  std::vector<TCellRecord> recs;
  const QByteArray own = data->data(kOwnMime);
  ASSERT_TRUE(textclip::DecodeClipText(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(own.constData()), size_t(own.size())), recs));
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(recs[0].Ch, 'c');
  EXPECT_EQ(recs[0].Offset, -5);
  EXPECT_EQ(recs[0].Font.Style, fsItalic);

  // Lines across line ends; an empty line in between; a tab cell comes out as a tab; the last
  // line ends with the last selected character; bytes map through Windows-1252.
  form->ClearSelectionRange();
  form->CurrentI = 3;
  Key(vk::Return);  // ab | | cd e | fg
  uint16_t tab = vk::Tab;
  form->CurrentI = 2;
  form->FormKeyUp(&host.Window, tab, 0);  // a TAB b
  form->CharCodes[1] = 0xE9;              // é
  form->SelStart = 1;
  form->SelEnd = 8;
  form->CopyTextToClipboard();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("\xC3\xA9\tb\r\n\r\ncd"));
}

TEST_F(Clipboard, CutCopiesDeletesAndMarksModified) {
  Type("hello world");
  form->SelStart = 7;
  form->SelEnd = 12;
  host.Modified = false;
  host.Snapshots = 0;
  form->CutSelectedText1Click(host.ButtonObject(TextButton::tbCutText));
  EXPECT_EQ(Cells(1, 7), "hello |");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "world");
  EXPECT_TRUE(host.Modified);
  EXPECT_EQ(host.Snapshots, 1);
  // With figures to cut the text is left alone.
  form->SelStart = 1;
  form->SelEnd = 3;
  host.ShapesToCut = true;
  form->CutSelectedText1Click(host.ButtonObject(TextButton::tbCutText));
  EXPECT_EQ(host.ShapeCuts, 1);
  EXPECT_EQ(Cells(1, 6), "hello ");
}

TEST_F(Clipboard, OwnFormatPastesBackFontsAndOffsetsInOneSnapshot) {
  Type("x^2");
  form->CharOffsets[3] = -6;
  form->CharFonts[3]->SetSize(8);
  Key(vk::Return);
  Type("y");
  form->SelStart = 1;
  form->SelEnd = 6;
  form->CopyTextToClipboard();
  form->ClearSelectionRange();
  Key(vk::End);
  host.Snapshots = 0;
  form->PasteSelectedText1Click(host.ButtonObject(TextButton::tbPaste));
  EXPECT_EQ(host.Snapshots, 1);
  EXPECT_EQ(Cells(1, 11), "x^2|yx^2|y|");
  EXPECT_EQ(form->CharOffsets[8], -6);
  EXPECT_EQ(form->CharFonts[8]->Size(), 8);
  // The line end takes the font of the character before it.
  EXPECT_EQ(form->CharFonts[9]->Size(), 8);
  EXPECT_EQ(form->CurrentI, 11);
  EXPECT_EQ(form->CharPositions[10].X, lMargin);
  EXPECT_EQ(form->CharPositions[10].Y, tMargin + 2 * LineHeight);
  EXPECT_TRUE(host.Modified);
}

TEST_F(Clipboard, BulkPasteMatchesInsertingOneAfterAnother) {
  // The same records, once through the paste and once a character at a time, give the same cells.
  std::vector<TCellRecord> recs;
  const char* text = "ab\0cd\x1f" "e\0\0f";
  for (int k = 0; k < 11; ++k) {
    TFont f("Times New Roman", 10 + k, k % 2 ? fsBold : 0, TColor(k * 1000), ANSI_CHARSET);
    recs.push_back({f, uint8_t(text[k]), int16_t(k - 3)});
  }
  recs.push_back({TFont("Symbol", 20, 0, clBlack, SYMBOL_CHARSET), 229, 0});
  Type("12\n34");
  form->CurrentI = 2;
  form->InsertCellRecords(host.ButtonObject(TextButton::tbPaste), recs);
  const auto codes = form->CharCodes;
  const auto offsets = form->CharOffsets;
  std::vector<TFont> fonts;
  for (int i = 0; i < 40; ++i) fonts.push_back(*form->CharFonts[i]);
  const int caret = form->CurrentI;

  form->FillCanvas();
  Type("12\n34");
  form->CurrentI = 2;
  form->TextBurst = true;
  for (const auto& r : recs) {
    if (r.Ch == 0) {
      ASSERT_TRUE(form->NewLine(nullptr, 0, false));
      form->CharFonts[form->CurrentI - 1]->Assign(*form->CharFonts[form->CurrentI - 2]);
    } else {
      ASSERT_TRUE(form->InsertChar(host.ButtonObject(TextButton::tbPaste), nullptr, false, r.Font, r.Offset, r.Ch));
    }
  }
  form->LayoutTextCells();
  EXPECT_EQ(form->CurrentI, caret);
  for (int i = 1; i < 40; ++i) {
    EXPECT_EQ(form->CharCodes[i], codes[i]) << i;
    EXPECT_EQ(form->CharOffsets[i], offsets[i]) << i;
    EXPECT_TRUE(*form->CharFonts[i] == fonts[size_t(i)]) << i;
  }
}

TEST_F(Clipboard, PasteNearTheEndOfTheTableFitsWhatFits) {
  std::vector<TCellRecord> recs(10, {TFont("Arial", 10), 'z', 0});
  PutOnClipboard(Block(recs));
  // Text up to cell 4089: the caret at 4090 leaves room for 3 of the 10 records.
  for (int i = 1; i < 4090; ++i) form->CharCodes[i] = 'a';
  form->LayoutTextCells();
  form->CurrentI = 4090;
  rec->Answer(mrYes);
  EXPECT_TRUE(form->PasteZQVText(host.ButtonObject(TextButton::tbPaste)));
  ASSERT_EQ(rec->Messages().size(), 1u);
  EXPECT_NE(rec->Last().Text.find("Truncate pasted text?"), std::string::npos);
  EXPECT_EQ(rec->Last().Buttons, mbYes | mbAbort);
  EXPECT_EQ(Cells(4089, 4093), "azzz|");
  EXPECT_EQ(form->CurrentI, 4093);

  // Declining pastes nothing.
  rec->Clear();
  form->CurrentI = 4000;
  const auto before = form->CharCodes;
  std::vector<TCellRecord> many(200, {TFont("Arial", 10), 'q', 0});
  PutOnClipboard(Block(many));
  rec->Answer(mrAbort);
  form->PasteZQVText(nullptr);
  EXPECT_EQ(form->CharCodes, before);

  // With the caret at or past 4093 nothing fits: said so, nothing asked, nothing pasted.
  for (int caret : {4093, 4094, 4095}) {
    rec->Clear();
    form->CurrentI = caret;
    EXPECT_FALSE(form->PasteZQVText(nullptr));
    ASSERT_EQ(rec->Messages().size(), 1u) << caret;
    EXPECT_EQ(rec->Last().Text, "Maximum character limit reached");
    EXPECT_EQ(form->CharCodes, before);
  }
}

TEST_F(Clipboard, AMalformedOwnBlockIsRefusedWithItsMessage) {
  Type("keep");
  const auto before = form->CharCodes;
  std::vector<TCellRecord> recs(2, {TFont("Arial", 10), 'z', 0});
  QByteArray block = Block(recs);
  block[0] = char(0x40);  // 64 records claimed, 2 present
  PutOnClipboard(block);
  form->CurrentI = 5;
  EXPECT_FALSE(form->PasteZQVText(nullptr));
  EXPECT_EQ(rec->Last().Text, "Error pasting from clipboard. Sorry:-(. Aborting Paste");
  EXPECT_EQ(form->CharCodes, before);
  PutOnClipboard(QByteArray("\x01", 1));
  EXPECT_FALSE(form->PasteZQVText(nullptr));
  EXPECT_EQ(form->CharCodes, before);
}

TEST_F(Clipboard, PlainTextPastesTabsAsTabCellsAndKeepsTheStatusBarCheck) {
  host.Checked[TextMenu::StatusBarEnabled1] = true;
  PutOnClipboard(QByteArray(), "a\tb");
  std::string caption = form->PasteCaptionText();
  EXPECT_EQ(caption, "Paste ASCII");
  form->PasteSelectedText1Click(host.ButtonObject(TextButton::tbPaste));
  EXPECT_EQ(form->CharCodes[1], 'a');
  EXPECT_EQ(form->CharCodes[2], chTabMark);
  EXPECT_EQ(form->CharFonts[2]->Name, "ZQVSerif");
  EXPECT_EQ(form->CharFonts[2]->Charset, DEFAULT_CHARSET);
  EXPECT_EQ(form->CharCodes[3], 'b');
  EXPECT_TRUE(host.Checked[TextMenu::StatusBarEnabled1]);

  // Lines: each starts at the margin with its own text (no stray blank from the line feed).
  form->FillCanvas();
  PutOnClipboard(QByteArray(), "one  \r\ntwo\nthree");
  form->PasteAsciiText(nullptr);
  EXPECT_EQ(Cells(1, 16), "one |two |three ");
  EXPECT_EQ(form->CharPositions[6].X, lMargin);

  // Non-Latin characters that Windows-1252 lacks come in as "?"; é as its byte.
  form->FillCanvas();
  PutOnClipboard(QByteArray(), QString::fromUtf8("\xC3\xA9\xE2\x88\x9A"));
  form->PasteAsciiText(nullptr);
  EXPECT_EQ(form->CharCodes[1], 0xE9);
  EXPECT_EQ(form->CharCodes[2], '?');
}

TEST_F(Clipboard, TheClipboardsOrderDecides) {
  PutOnClipboard(QByteArray(), "plain", QByteArray("{\\rtf1 rich}"));
  unsigned f = 0;
  ASSERT_TRUE(form->FindPasteFormat(f));
  EXPECT_EQ(f, CF_TEXT);
  EXPECT_EQ(form->PasteCaptionText(), "Paste ASCII");
  form->PasteSelectedText1Click(nullptr);
  EXPECT_EQ(Cells(1, 5), "plain");
  QGuiApplication::clipboard()->clear();
  EXPECT_EQ(form->PasteCaptionText(), "Nothing to Paste");
}

TEST_F(Clipboard, RichTextRunsKeepTheirFormatsAndScriptsFollowTheText) {
  const QByteArray rtf =
      "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset2 Symbol;}}"
      "{\\colortbl ;\\red255\\green0\\blue0;}"
      "\\f0\\fs40 x{\\super 2}{\\b\\cf1 y}\\tab{\\f1 p}{\\dn6 i}\\par next}";
  PutOnClipboard(QByteArray(), QString(), rtf);
  EXPECT_EQ(form->PasteCaptionText(), "Paste Rich Text (rtf)");
  form->PasteSelectedText1Click(nullptr);
  EXPECT_EQ(Cells(1, 11), std::string("x2y") + char(chTabMark) + "pi|next");
  EXPECT_EQ(form->CharFonts[1]->Name, "Arial");
  EXPECT_EQ(form->CharFonts[1]->Size(), 20);
  // The superscript: half the size of the text before it, raised by its rule.
  EXPECT_EQ(form->CharFonts[2]->Size(), 10);
  EXPECT_EQ(form->CharOffsets[2], form->ScriptOffset(20, skSuperscript));
  EXPECT_EQ(form->CharFonts[3]->Style, fsBold);
  EXPECT_EQ(form->CharFonts[3]->Color, TColor(0x0000FF));
  EXPECT_EQ(form->CharFonts[4]->Name, "ZQVSerif");
  EXPECT_EQ(form->CharFonts[5]->Charset, SYMBOL_CHARSET);
  // Lowered by 3 points without the effect: a subscript.
  EXPECT_EQ(form->CharOffsets[6], form->ScriptOffset(20, skSubscript));
  EXPECT_EQ(host.Snapshots, 1);
}
