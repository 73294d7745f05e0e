// The tips file "TipsText.txt": one tip per line, "<picture>=<title>.<text>.<help context>".
//
//   resource name  everything before the first "="; the GIF resource that illustrates the tip
//   title          after the "=" up to and including the next "."; the window caption
//   text           the rest without surrounding blanks, up to and including its last "."
//   help context   what follows that last "." as a decimal number; when it is not a number (or
//                  empty) the help context is 10 and the whole rest is the text. A rest without
//                  any "." is the help context when it is a number (the text is then empty),
//                  otherwise the text, with help context 10.
// A line without "=", or without a "." after it, has no picture and is all title (help context
// 10).
#pragma once

#include <QString>
#include <QStringList>
#include <string>

constexpr int DefaultTipHelpContext = 10;

struct TTipParts {
  QString ResourceName;
  QString Title;
  QString Text;
  int HelpContext = DefaultTipHelpContext;
};

TTipParts ParseTipLine(const QString& Line);

// The lines of a tips file: read as UTF-8 when the bytes are valid UTF-8, else as Windows-1252;
// lines that are empty or hold only blanks are dropped. Raises EFOpenError when the file is
// missing or unreadable, and EReadError when it is larger than a tips file can reasonably be.
QStringList ReadTipLines(const std::string& FileName);

// The largest tips file read (1 MB).
constexpr int64_t MaxTipsFileSize = 1 << 20;
