// Cut, copy, delete and paste of page text: the page's own format (fonts and offsets kept), plain
// text and rich text.
#include <algorithm>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "helpers/rich_text.h"
#include "platform/clipboard_formats.h"
#include "platform/font_unicode.h"
#include "platform/messages.h"
#include "text/text_glue.h"
#include "text/text_page.h"

namespace {

const char* const kFormattedTextName = "ZQVWare Korvalis V formatted text";
const char* const kRichTextName = "Rich Text Format";

unsigned FormattedTextId() { return RegisterClipboardFormat(kFormattedTextName); }
unsigned RichTextId() { return RegisterClipboardFormat(kRichTextName); }
unsigned InchShapesId() { return RegisterClipboardFormat("ZQVWare Inch shapes"); }
unsigned CentimetreShapesId() { return RegisterClipboardFormat("ZQVWare Centimetre shapes"); }

QString MimeOf(unsigned format) { return QString::fromStdString(ClipboardFormatMimeType(format)); }

// The clipboard format a MIME type stands for, 0 for types the page does not paste.
unsigned FormatOfMime(const QString& mime) {
  if (mime == MimeOf(FormattedTextId())) return FormattedTextId();
  if (mime == "text/plain") return CF_TEXT;
  if (mime == MimeOf(InchShapesId())) return InchShapesId();
  if (mime == MimeOf(CentimetreShapesId())) return CentimetreShapesId();
  if (mime == "image/emf" || mime == "image/x-emf") return CF_ENHMETAFILE;
  if (mime == "image/wmf" || mime == "image/x-wmf") return CF_METAFILEPICT;
  if (mime == "application/x-qt-image" || mime == "image/png" || mime == "image/bmp" || mime == "image/x-bmp")
    return CF_DIB;
  if (mime == "text/rtf" || mime == "application/rtf" || mime == MimeOf(RichTextId())) return RichTextId();
  return 0;
}

const QMimeData* ClipboardData() { return QGuiApplication::clipboard()->mimeData(); }

QByteArray RichTextData(const QMimeData* data) {
  if (!data) return {};
  for (const QString& m : {QStringLiteral("text/rtf"), QStringLiteral("application/rtf"), MimeOf(RichTextId())})
    if (data->hasFormat(m)) return data->data(m);
  return {};
}

const char* const kTruncateOwnText =
    "The maximum number of characters allowable from the clipboard\ris 4096. This has been exceeded. You can "
    "try selecting less\rtext or let the application truncate the text for you.\rThis will not affect the "
    "clipboard contents.\r\rTruncate pasted text?";
const char* const kTruncateRichText =
    "The maximum number of characters allowable from the clipboard\ris 4095. This has been exceeded. You can "
    "try selecting less\rtext or let the application truncate the text for you.\rThis will not affect the "
    "clipboard contents.\r\rTruncate pasted text?";
const char* const kTruncatePlainText =
    "The maximum number of characters allowable from the clipboard\ror text file is 4096. This has been "
    "exceeded. The program can\rtruncate the text for you if you wish. this will not affect\rthe original "
    "text.\r\rTruncate pasted text?";
const char* const kNothingFits = "Maximum character limit reached";


}  // namespace

// ---- Commands ----

void TTextPage::CutSelectedText1Click(QObject* Sender) {
  if (Host->CutSelectedShapes(Sender)) return;
  if (!HasTextSelection()) return;
  Host->HideTextCaret();
  CutSelectedText(Sender);
  SetCaretPosition(Sender, 0, 0);
  Host->SetButtonEnabled(TextButton::tbCutText, false);
  Host->SetButtonEnabled(TextButton::tbPaste, true);
}

void TTextPage::CopySelectedText1Click(QObject* Sender) {
  Host->HideTextCaret();
  if (HasTextSelection())
    CopyTextToClipboard();
  else
    Host->UpdateEditButtons();
  SetCaretPosition(Sender, 0, 0);
}

void TTextPage::CutSelectedText(QObject* Sender) {
  if (!HasTextSelection()) return;
  CopyTextToClipboard();
  Host->DeleteSelectedText(Sender);
  SetModified();
}

namespace {
QString CellsAsVisibleText(const TTextPage& Page, int Start, int End);
std::string CellsAsRichText(const TTextPage& Page, int Start, int End);
}  // namespace

void TTextPage::CopyTextToClipboard() {
  if (!HasTextSelection()) return;
  std::vector<std::string> lines;
  KeyBufAsText(lines, SelStart, SelEnd);
  std::vector<TCellRecord> records;
  const int first = std::max(SelStart, 1);
  const int end = std::min(SelEnd, CellCount);
  records.reserve(size_t(std::max(0, end - first)));
  for (int i = first; i < end; ++i) records.push_back({*CharFonts[i], CharCodes[i], int16_t(CharOffsets[i])});
  auto* data = new QMimeData;
  if (!records.empty()) {
    const std::vector<uint8_t> block = textclip::EncodeClipText(records);
    data->setData(MimeOf(FormattedTextId()),
                  QByteArray(reinterpret_cast<const char*>(block.data()), qsizetype(block.size())));
  }
  // The plain text is what the user sees: the symbol fonts' glyphs as their Unicode characters
  // (the X clipboard offers it as UTF-8 text); the lines are those of KeyBufAsText.
  const QString visible = CellsAsVisibleText(*this, first, end);
  data->setText(visible);
  data->setData(QStringLiteral("text/plain;charset=utf-8"), visible.toUtf8());
  // Rich text for the programs that read it: the cells' fonts, styles, colours and offsets.
  const std::string rtf = CellsAsRichText(*this, first, end);
  data->setData(QStringLiteral("text/rtf"), QByteArray(rtf.data(), qsizetype(rtf.size())));
  data->setData(QStringLiteral("application/rtf"), QByteArray(rtf.data(), qsizetype(rtf.size())));
  QGuiApplication::clipboard()->setMimeData(data);
}

namespace {

// The page lines of cells Start..End - 1 as KeyBufAsText cuts them: each a run of cells [first,
// last), an empty run for each further line end.
std::vector<std::pair<int, int>> LineRuns(const uint8_t* Codes, int Start, int End) {
  std::vector<std::pair<int, int>> runs;
  int i = Start;
  while (i < End) {
    int j = i;
    while (j < End && Codes[j] != 0) ++j;
    runs.emplace_back(i, j);
    if (j >= End) break;
    i = j + 1;
    // Further line ends (and other control cells) each give an empty line.
    while (i < End && Codes[i] < 32 && Codes[i] != 9) {
      runs.emplace_back(i, i);
      ++i;
    }
  }
  return runs;
}

// Cells Start..End - 1 as other programs take them: the text the user sees (Unicode, lines joined
// by CR LF) and rich text.
QString CellsAsVisibleText(const TTextPage& Page, int Start, int End) {
  const auto& CharCodes = Page.CharCodes;
  const auto& CharFonts = Page.CharFonts;
  QString text;
  if (End - Start < 1) return text;
  const auto runs = LineRuns(CharCodes.data(), Start, End);
  for (size_t k = 0; k < runs.size(); ++k) {
    if (k) text += QStringLiteral("\r\n");
    for (int i = runs[k].first; i < runs[k].second; ++i) {
      const char32_t ch = CharCodes[i] == chTabMark ? U'\t' : ByteToVisibleChar(*CharFonts[i], CharCodes[i]);
      if (ch != 0) text += QString::fromUcs4(&ch, 1);
    }
  }
  return text;
}

std::string CellsAsRichText(const TTextPage& Page, int Start, int End) {
  const auto& CharCodes = Page.CharCodes;
  const auto& CharFonts = Page.CharFonts;
  const auto& CharOffsets = Page.CharOffsets;
  std::vector<TRichRun> runs;
  if (End - Start < 1) return WriteRtf(runs);
  const int ppi = std::max(1, TextPixelsPerInch());
  auto formatOf = [ppi](const TFont& f, int offset) {
    TRichCharFormat r;
    r.FaceName = f.Name;
    r.Charset = f.Charset;
    r.SizeHalfPoints = std::max(1, f.Size() * 2);
    r.Style = f.Style;
    r.Color = f.Color;
    // Offsets are pixels downwards; rich text counts twips upwards.
    r.OffsetTwips = -offset * 1440 / ppi;
    return r;
  };
  auto append = [&runs](const TRichCharFormat& f, const std::string& bytes) {
    if (runs.empty() || !(runs.back().Format == f)) runs.push_back({std::string(), f});
    runs.back().Text += bytes;
  };
  const auto lines = LineRuns(CharCodes.data(), Start, End);
  for (size_t k = 0; k < lines.size(); ++k) {
    if (k) append(runs.empty() ? TRichCharFormat() : runs.back().Format, "\r\n");
    for (int i = lines[k].first; i < lines[k].second; ++i) {
      const uint8_t ch = CharCodes[i];
      if (ch == chTabMark) {
        append(runs.empty() ? formatOf(*CharFonts[i], 0) : runs.back().Format, "\t");
        continue;
      }
      if (ch < 32 || ByteToVisibleChar(*CharFonts[i], ch) == 0) continue;  // cells that draw nothing
      append(formatOf(*CharFonts[i], CharOffsets[i]), std::string(1, char(ch)));
    }
  }
  return WriteRtf(runs);
}

}  // namespace

void TTextPage::KeyBufAsText(std::vector<std::string>& List, int32_t& Start, int32_t& End) {
  try {
    Start = std::max(Start, 1);
    End = std::min(End, CellCount);
    while (Start < End && CharCodes[Start] < 32) {
      UnhighlightChar(Start);
      ++Start;
    }
    while (End > Start && CharCodes[End - 1] < 32) --End;
    if (End - Start < 1) return;
    for (const auto& [first, last] : LineRuns(CharCodes.data(), Start, End)) {
      std::string line(reinterpret_cast<const char*>(&CharCodes[first]), size_t(last - first));
      for (char& c : line)
        if (uint8_t(c) == chTabMark) c = '\t';
      List.push_back(std::move(line));
    }
  } catch (...) {
    TextUnknownError("KeyBufAsText");
  }
}

bool TTextPage::FindPasteFormat(unsigned& Format) {
  Format = 0;
  const QMimeData* data = ClipboardData();
  if (!data) return false;
  for (const QString& mime : data->formats()) {
    if (const unsigned f = FormatOfMime(mime)) {
      Format = f;
      return true;
    }
  }
  return false;
}

std::string TTextPage::PasteCaptionText() {
  unsigned f = 0;
  if (!FindPasteFormat(f)) return "Nothing to Paste";
  if (f == FormattedTextId()) return "Paste ZQVText";
  if (f == CF_TEXT) return "Paste ASCII";
  if (f == InchShapesId()) return "Paste ZQV Inch Shapes";
  if (f == CentimetreShapesId()) return "Paste ZQV CM Shapes";
  if (f == CF_BITMAP || f == CF_DIB) return "Paste Bitmap";
  if (f == CF_METAFILEPICT || f == CF_ENHMETAFILE) return "Paste Metafile";
  if (f == RichTextId()) return "Paste Rich Text (rtf)";
  return "Nothing to Paste";
}

void TTextPage::PasteSelectedText1Click(QObject* Sender) {
  unsigned format = 0;
  if (!FindPasteFormat(format)) return;
  TextBurst = true;
  Host->DeselectImage(Sender, true);
  if (Host->PasteByFormat(Sender, format)) {
    if (HasTextSelection()) ClearSelection(true);
    Host->RefreshAllImages(Sender, false);
  }
  SetModified();
  TextBurst = false;
}

// ---- Inserting pasted cells ----

size_t TTextPage::InsertCellRecords(QObject* Sender, const std::vector<TCellRecord>& Records) {
  if (Records.empty()) return 0;
  const bool overtype = InsertToggleOn() && !Host->IsToolbarButton(Sender);
  if (overtype || CurrentI < 1 || CurrentI >= MaxCharacters) {
    // One at a time, as typing does (overtyping replaces the characters after the caret).
    size_t done = 0;
    for (const auto& r : Records) {
      if (r.Ch == 0) {
        if (!NewLine(Sender, 0, false)) break;
        if (CurrentI > 2) CharFonts[CurrentI - 1]->Assign(*CharFonts[CurrentI - 2]);
      } else if (!InsertChar(Sender, Host->PageCanvas(), false, r.Font, r.Offset, r.Ch)) {
        break;
      }
      ++done;
    }
    return done;
  }
  // All at once: the same limits as one insertion after another, found first by following the
  // last text cell through the insertions, then one gap opened for everything that fits.
  int last = LastTextCell();
  int cur = CurrentI;
  std::vector<const TCellRecord*> take;
  take.reserve(Records.size());
  bool refusedLine = false, refusedChar = false;
  size_t done = 0;
  for (const auto& r : Records) {
    if (r.Ch == 0) {
      if (last >= 4094 || cur >= MaxCharacters) {
        refusedLine = true;
        break;
      }
      if (last >= cur) ++last;
    } else if (r.Ch >= 32) {
      if (last >= 4092 || cur >= MaxCharacters) {
        refusedChar = true;
        break;
      }
      if (last >= cur) ++last;
      last = std::max(last, cur);
    } else {
      ++done;  // control codes go nowhere, as InsertChar lets them pass
      continue;
    }
    take.push_back(&r);
    ++cur;
    ++done;
  }
  const int start = CurrentI;
  const int n = int(take.size());
  bool lineBreaks = false;
  if (n > 0) {
    const bool layer = CharZOrder[start];
    ShiftDataUp(start, n);
    for (int k = 0; k < n; ++k) {
      const int cell = start + k;
      const TCellRecord& r = *take[size_t(k)];
      CharZOrder[cell] = layer;
      if (r.Ch == 0) {
        if (!TextBurst) {
          // The first line break of a burst takes the burst's snapshot, as a typed one does.
          ClearScriptButtons();
          Host->PushTextUndo(Sender);
          TextBurst = true;
        }
        lineBreaks = true;
        CharCodes[cell] = 0;
        CharOffsets[cell] = 0;
        if (cell > 1)
          CharFonts[cell]->Assign(*CharFonts[cell - 1]);
        else
          CharFonts[cell]->Assign(*FontBefore(cell));
      } else {
        CharCodes[cell] = r.Ch;
        CharFonts[cell]->Assign(r.Font);
        int16_t offset = r.Offset;
        if (r.Ch == 229 && r.Font.Name == "Symbol")
          offset = int16_t(offset - (r.Font.Size() - CharFonts[cell - 1]->Size()) / 2);
        CharOffsets[cell] = offset;
      }
    }
    CurrentI = start + n;
    LayoutTextCells();
  }
  (void)lineBreaks;
  if (refusedChar) {
    TextShowMessage(kCellLimitMessage);
    TextDropQueuedKeys();
  } else if (refusedLine) {
    TextWarningDlg(kNothingFits, 20);
    TextDropQueuedKeys();
  }
  return refusedChar || refusedLine ? done : Records.size();
}

// ---- The page's own format ----

bool TTextPage::PasteZQVText(QObject* Sender) {
  const QMimeData* data = ClipboardData();
  const QString mime = MimeOf(FormattedTextId());
  if (!data || !data->hasFormat(mime)) return true;
  const QByteArray block = data->data(mime);
  std::vector<TCellRecord> records;
  if (!textclip::DecodeClipText(
          std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(block.constData()), size_t(block.size())),
          records)) {
    // Another program's block under our name, or a damaged one: nothing of it is pasted.
    TextShowMessage("Error pasting from clipboard. Sorry:-(. Aborting Paste");
    return false;
  }
  Host->PushTextUndo(Sender);
  int64_t count = int64_t(records.size());
  if (CurrentI + count > 4093) {
    const int64_t room = 4093 - int64_t(CurrentI);
    if (room <= 0) {
      // Nothing at all fits after the caret: said so, rather than asked about.
      TextWarningDlg(kNothingFits, 20);
      return false;
    }
    if (MessageDlg(kTruncateOwnText, mtWarning, mbYes | mbAbort, 20) != mrYes) return false;
    count = room;
  }
  records.resize(size_t(count));
  try {
    InsertCellRecords(Sender, records);
  } catch (...) {
    TextUnknownError("PasteZQVText");
    Host->UndoText(Sender);
  }
  return true;
}

// ---- Plain text ----

bool TTextPage::PasteAsciiText(QObject* Sender) {
  const QMimeData* data = ClipboardData();
  if (!data || !data->hasText()) return true;
  QString text = data->text();
  if (text.size() > 4046) text.truncate(4046);
  if (!text.isEmpty()) LoadASCII(Sender, QStringToWin1252(text));
  return true;
}

void TTextPage::LoadASCII(QObject* Sender, std::string Text) {
  const bool statusWas = Host->MenuChecked(TextMenu::StatusBarEnabled1);
  Host->SetMenuChecked(TextMenu::StatusBarEnabled1, false);
  const int lineHeight = LineHeight;
  const int right = rMargin;
  const int bottom = bMargin;
  try {
    Host->PushTextUndo(Sender);
    // Lines lose their trailing blanks and gain one space; a line feed that ends a line with a
    // carriage return is dropped with it; other control characters but tabs become spaces.
    {
      std::vector<std::string> lines;
      size_t p = 0;
      while (p <= Text.size()) {
        size_t e = p;
        while (e < Text.size() && Text[e] != '\r' && Text[e] != '\n') ++e;
        std::string line = Text.substr(p, e - p);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
        lines.push_back(line + ' ');
        if (e >= Text.size()) break;
        if (Text[e] == '\r' && e + 1 < Text.size() && Text[e + 1] == '\n') ++e;
        p = e + 1;
      }
      std::string joined;
      for (size_t k = 0; k < lines.size(); ++k) {
        if (k) joined += '\r';
        joined += lines[k];
      }
      if (!joined.empty()) Text = joined;
      for (char& c : Text)
        if (uint8_t(c) < 32 && c != '\t' && c != '\r') c = ' ';
    }
    if (int64_t(Text.size()) + CurrentI > 4093) {
      const int64_t room = 4090 - int64_t(CurrentI);
      if (room <= 0) {
        TextWarningDlg(kNothingFits, 20);
        Host->SetMenuChecked(TextMenu::StatusBarEnabled1, statusWas);
        return;
      }
      if (MessageDlg(kTruncatePlainText, mtWarning, mbYes | mbAbort, 20) != mrYes) {
        Host->SetMenuChecked(TextMenu::StatusBarEnabled1, statusWas);
        return;
      }
      Text.resize(size_t(room));
    }
    const TFont& main = Host->MainFont();
    TMyFont work(main);
    const std::string mainName = main.Name;
    const TFontCharset mainCharset = main.Charset;
    const int mainSize = main.Size();
    for (char& c : Text)
      if (c == '\t') c = char(chTabMark);
    TextBurst = true;
    TMyFont tabFont;
    tabFont.Name = "ZQVSerif";
    tabFont.Charset = DEFAULT_CHARSET;
    tabFont.SetSize(12);
    tabFont.Color = main.Color;
    bool askBottom = true;
    int inserted = 0;
    auto lineBreak = [&]() {
      if (!NewLine(Sender, 0, false)) return false;
      if (CurrentI > 2) CharFonts[CurrentI - 1]->Assign(*CharFonts[CurrentI - 2]);
      return true;
    };
    size_t p = 0;
    while (p < Text.size()) {
      const uint8_t ch = uint8_t(Text[p]);
      if (ch >= 32 && CurrentI >= 1 && CurrentI <= MaxCharacters && CharPositions[CurrentI].X < right) {
        if (askBottom && CharPositions[CurrentI].Y >= bottom - 2 * lineHeight) {
          if (MessageDlg("Text goes beyond bottom margin. Stop at bottom margin?", mtConfirmation, mbYes | mbNo, 280) ==
              mrYes)
            break;
          askBottom = false;
        }
        const TFont& f = ch == chTabMark ? static_cast<const TFont&>(tabFont) : static_cast<const TFont&>(work);
        if (ch != chTabMark) {
          work.Name = mainName;
          work.Charset = mainCharset;
          work.SetSize(mainSize);
        }
        if (CurrentI > 4090) break;
        if (!InsertChar(Sender, Host->PageCanvas(), false, f, 0, ch)) break;
        ++inserted;
        ++p;
        if (ch == ' ' && Text.size() - p > 3) {
          // The next word must reach the right margin from here for the line to break.
          size_t j = p;
          bool printable = false;
          int width = 0;
          while (j < Text.size() && Text[j] != '\r') {
            const uint8_t c = uint8_t(Text[j]);
            if (c == ' ' && printable) break;
            if (c > 32) printable = true;
            width += CellTextWidth(c == chTabMark ? static_cast<const TFont&>(tabFont) : work, c);
            ++j;
          }
          if (CharPositions[CurrentI].X + width >= right && p < Text.size() && Text[p] != '\r') {
            if (!lineBreak()) break;
          }
        }
      } else if (ch == '\r' && inserted > 0) {
        if (!lineBreak()) break;
        doVK_End(Sender, 0);
        ++p;
      } else {
        ++p;
      }
    }
  } catch (...) {
    TextUnknownError("LoadASCII");
  }
  Host->SetMenuChecked(TextMenu::StatusBarEnabled1, statusWas);
  TextBurst = false;
}

// ---- Rich text ----

bool TTextPage::PasteRichText() {
  const QMimeData* data = ClipboardData();
  const QByteArray rtf = RichTextData(data);
  if (rtf.isEmpty()) return true;
  unsigned first = 0;
  if (FindPasteFormat(first) && first == CF_TEXT) return true;
  TZQVRichEdit edit;
  if (!edit.LoadRtf(std::string_view(rtf.constData(), size_t(rtf.size())))) {
    TextShowMessage("An error occurred while pasting Rich Text. Please\rwhile the error is fixed");
    return false;
  }
  if (int64_t(edit.TextLength()) + CurrentI > 4093) {
    if (MessageDlg(kTruncateRichText, mtWarning, mbYes | mbAbort, 20) != mrYes) return false;
    if (4000 - CurrentI <= 0) {
      TextWarningDlg(kNothingFits, 20);
      return false;
    }
    edit.MaxLength = 4000 - CurrentI;
  }
  Host->PushTextUndo(nullptr);
  try {
    // Records for the whole text; the page's own limits decide how many of them go in.
    std::vector<TCellRecord> records;
    records.reserve(size_t(edit.TextLength()));
    const TFont* before = FontBefore(CurrentI);
    int baseSize = before->Size();
    TFontStyles baseStyle = before->Style;
    bool skipping = true;  // leading control characters are dropped
    bool scriptsReleased = false;
    const auto& lines = edit.Lines();
    TMyFont work;
    for (size_t l = 0; l < lines.size(); ++l) {
      const std::string& line = lines[l];
      for (size_t k = 0; k < line.size(); ++k) {
        const uint8_t ch = uint8_t(line[k]);
        if (skipping && ch < 32 && ch != 9) continue;
        skipping = false;
        edit.SelStart = edit.LineStart(l) + int(k);
        edit.SelLength = 1;
        SelAttributesToFont(edit, work);
        const uint8_t kind = GetSelScriptKind(edit);
        int16_t offset = 0;
        if (kind == skSuperscript || kind == skSubscript || kind == skMidscript) {
          offset = int16_t(ScriptOffset(baseSize, kind));
          work.SetSize(ScriptFontSize(baseSize));
        }
        if (ch >= 32) {
          records.push_back({work, ch, offset});
          if (offset == 0 && !IsSpecialFontChar(work, ch)) {
            baseSize = work.Size();
            baseStyle = work.Style;
          }
        } else if (ch == 9) {
          if (!scriptsReleased) {
            ClearScriptButtons();
            scriptsReleased = true;
          }
          TMyFont tab;
          tab.Name = "ZQVSerif";
          tab.Charset = DEFAULT_CHARSET;
          tab.SetSize(12);
          tab.Color = Host->MainFont().Color;
          tab.Style = baseStyle & ~(fsUnderline | fsStrikeOut);
          records.push_back({tab, chTabMark, 0});
        }
      }
      // A line that a paragraph end closed ends with a line break; the text after the last
      // paragraph end (often nothing) does not.
      if (l + 1 < lines.size() && !skipping) records.push_back({work, 0, 0});
    }
    InsertCellRecords(nullptr, records);
  } catch (...) {
    TextShowMessage("An error occurred while pasting Rich Text. Please\rwhile the error is fixed");
    Host->UndoText(nullptr);
  }
  return true;
}
