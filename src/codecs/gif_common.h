// Shared pieces of the GIF codec: its exception class, the byte and sub-block stream routines and
// small size helpers used by the colour reduction and by every GIF block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codecs/picture_limits.h"
#include "platform/exceptions.h"

class TStream;

// Every error the GIF codec raises.
KV_DECLARE_EXCEPTION(GIFException, EInvalidGraphic)

// A list of text lines (comment and plain-text blocks, sub-block lists).
using TStrings = std::vector<std::string>;

// Bytes of one scan line of pixels at bitsPerPixel, padded to alignment bits.
int BytesPerScanline(int pixels, int bitsPerPixel, int alignment);
// Bits needed for n colours: 0 for 0, 1 for 1 or 2, else the smallest b with 2^b >= n.
int BitsForColors(int n);

void StreamWriteByte(TStream& stream, uint8_t value);
// One byte, or -1 when the stream has none left.
int StreamReadByte(TStream& stream);
// Reads count bytes; fewer raise GIFException "Premature end of data".
void ReadExact(TStream& stream, void* buffer, int64_t count);
// Each line as data sub-blocks of at most 255 bytes, then one 0 byte for the whole list.
void WriteSubBlocks(TStream& stream, const TStrings& lines);
// Clears lines, then adds each sub-block as one line until a 0 length byte or the end of the stream.
void ReadSubBlocks(TStream& stream, TStrings& lines);
// Skips data sub-blocks up to and including the 0 terminator (or the end of the stream).
void SkipSubBlocks(TStream& stream);

[[noreturn]] void RaiseGifError(const std::string& message);

// Largest frame the codec allocates pixels for (the program's picture limit), and the budget of
// all frames of one image together: a few bytes in a file must not be able to ask for gigabytes.
inline int64_t GIFMaxFramePixels() { return MaxPicturePixels; }
inline int64_t GIFMaxImagePixels() { return 2 * MaxPicturePixels; }
