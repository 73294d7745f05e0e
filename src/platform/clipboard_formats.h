// Clipboard format numbers: the standard formats, and names registered by the process, which get
// ids from 0xC000 up in registration order. A registered name travels as the MIME type
// application/x-qt-windows-mime;value="<name>", except the names with a MIME type of their own
// ("GIF Image" travels as image/gif).
#pragma once

#include <string>

constexpr unsigned CF_TEXT = 1;
constexpr unsigned CF_BITMAP = 2;
constexpr unsigned CF_METAFILEPICT = 3;
constexpr unsigned CF_DIB = 8;
constexpr unsigned CF_PALETTE = 9;
constexpr unsigned CF_UNICODETEXT = 13;
constexpr unsigned CF_ENHMETAFILE = 14;

// The id of a registered format name (registering the same name again, in any letter case, gives
// the same id).
unsigned RegisterClipboardFormat(const std::string& name);
// The registered name of an id, or an empty text for standard or unknown ids.
std::string GetClipboardFormatName(unsigned format);
// The MIME type a registered format travels as; empty for ids that were never registered.
std::string ClipboardFormatMimeType(unsigned format);
