// PNG codec: pixels compared with libpng on files that libpng and python3-pil write at test time,
// files we write checked by pngcheck, libpng and python3-pil, and the reader's handling of
// damaged and hostile files.
#include <gtest/gtest.h>
#include <zlib.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <random>

#include "codecs/jpeg_image.h"
#include "codecs/png_image.h"
#include "platform/canvas.h"
#include "platform/streams.h"
#include "test_png_libpng.h"

namespace {

const std::string kPrefix = "Portable Network Graphics format handler error\r\n\r\n";

std::vector<uint8_t> SaveBytes(TPNGImage& img) {
  TMemoryStream out;
  img.SaveToStream(out);
  return out.Data;
}

void LoadBytes(TPNGImage& img, const std::vector<uint8_t>& bytes) {
  TBytesStream in(bytes.data(), bytes.size());
  img.LoadFromStream(in);
}

std::string LoadError(const std::vector<uint8_t>& bytes) {
  TPNGImage img;
  try {
    LoadBytes(img, bytes);
  } catch (const Exception& e) {
    return e.Message;
  }
  return "(loaded)";
}

// Our bitmap as 8-bit RGB, for comparing with libpng.
std::vector<uint8_t> OurRgb(const TBitmap& bmp) {
  std::vector<uint8_t> rgb;
  rgb.reserve(size_t(bmp.Width()) * bmp.Height() * 3);
  for (int y = 0; y < bmp.Height(); ++y)
    for (int x = 0; x < bmp.Width(); ++x) {
      const TColor c = bmp.Pixel(x, y);
      rgb.push_back(uint8_t(GetRValue(c)));
      rgb.push_back(uint8_t(GetGValue(c)));
      rgb.push_back(uint8_t(GetBValue(c)));
    }
  return rgb;
}

// Hand-made files.
void PutBE(std::vector<uint8_t>& v, uint32_t x) {
  for (int s = 24; s >= 0; s -= 8) v.push_back(uint8_t(x >> s));
}
std::vector<uint8_t> Chunk(const char* type, const std::vector<uint8_t>& data, int crcDelta = 0) {
  std::vector<uint8_t> c;
  PutBE(c, uint32_t(data.size()));
  c.insert(c.end(), type, type + 4);
  c.insert(c.end(), data.begin(), data.end());
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
  if (!data.empty()) crc = crc32(crc, data.data(), uInt(data.size()));
  PutBE(c, uint32_t(crc + uLong(crcDelta)));
  return c;
}
std::vector<uint8_t> Header(uint32_t w, uint32_t h, uint8_t depth, uint8_t colorType, uint8_t interlace = 0) {
  std::vector<uint8_t> d;
  PutBE(d, w);
  PutBE(d, h);
  d.insert(d.end(), {depth, colorType, 0, 0, interlace});
  return d;
}
std::vector<uint8_t> Zlib(const std::vector<uint8_t>& raw) {
  uLongf size = compressBound(uLong(raw.size()));
  std::vector<uint8_t> out(size);
  compress2(out.data(), &size, raw.data(), uLong(raw.size()), 6);
  out.resize(size);
  return out;
}
std::vector<uint8_t> File(std::initializer_list<std::vector<uint8_t>> chunks) {
  std::vector<uint8_t> f = {137, 80, 78, 71, 13, 10, 26, 10};
  for (const auto& c : chunks) f.insert(f.end(), c.begin(), c.end());
  return f;
}
// A 2x2 truecolour image: rows of filter byte 0 and 6 samples.
std::vector<uint8_t> TinyRgbRows() { return {0, 255, 0, 0, 0, 255, 0, 0, 0, 0, 255, 10, 20, 30}; }

struct TChunkInfo {
  std::string Type;
  std::vector<uint8_t> Data;
};
std::vector<TChunkInfo> ChunksOf(const std::vector<uint8_t>& file) {
  std::vector<TChunkInfo> list;
  size_t p = 8;
  while (p + 12 <= file.size()) {
    const uint32_t len = uint32_t(file[p]) << 24 | uint32_t(file[p + 1]) << 16 | uint32_t(file[p + 2]) << 8 | file[p + 3];
    list.push_back({std::string(reinterpret_cast<const char*>(&file[p + 4]), 4),
                    std::vector<uint8_t>(file.begin() + long(p + 8), file.begin() + long(p + 8 + len))});
    p += 12 + len;
  }
  return list;
}
std::string TypesOf(const std::vector<uint8_t>& file) {
  std::string s;
  for (const auto& c : ChunksOf(file)) s += (s.empty() ? "" : " ") + c.Type;
  return s;
}

// Samples of a test picture, packed as the format stores them; some rows are runs so that every
// filter gets chosen somewhere.
pngref::TWriteSpec Pattern(int colorType, int depth, bool interlaced, int w, int h, unsigned seed) {
  pngref::TWriteSpec s;
  s.Width = w, s.Height = h, s.ColorType = colorType, s.Depth = depth, s.Interlaced = interlaced;
  std::mt19937 rng(seed);
  const int channels = colorType == 0 || colorType == 3 ? 1 : colorType == 4 ? 2 : colorType == 2 ? 3 : 4;
  int maxSample = (1 << depth) - 1;
  if (colorType == 3) {
    const int entries = depth == 8 ? 200 : 1 << depth;
    for (int i = 0; i < entries; ++i)
      s.Palette.push_back({png_byte(rng()), png_byte(rng()), png_byte(rng())});
    maxSample = entries - 1;
  }
  for (int y = 0; y < h; ++y) {
    std::vector<uint8_t> row(size_t((int64_t(w) * channels * depth + 7) / 8), 0);
    const bool flat = y % 3 == 1;
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < channels; ++c) {
        const int v = flat ? (x / 5 * 7 + c) % (maxSample + 1) : int(rng() % unsigned(maxSample + 1));
        const int64_t bit = (int64_t(x) * channels + c) * depth;
        if (depth == 16) {
          row[size_t(bit / 8)] = uint8_t(v >> 8);
          row[size_t(bit / 8 + 1)] = uint8_t(v);
        } else {
          row[size_t(bit / 8)] |= uint8_t(v << (8 - depth - bit % 8));
        }
      }
    s.Rows.push_back(row);
  }
  return s;
}

TPixelFormat ExpectedFormat(int colorType, int depth) {
  if (colorType == 2 || colorType == 6) return pf24bit;
  if (colorType == 4) return pf8bit;
  return depth == 1 ? pf1bit : depth <= 4 ? pf4bit : pf8bit;
}

bool HavePython() { return QFile::exists("/usr/bin/python3"); }

QString RunPython(const QString& script, const QStringList& args) {
  QProcess p;
  p.start("/usr/bin/python3", QStringList{"-c", script} + args);
  if (!p.waitForFinished(60000)) return "(python did not finish)";
  return QString::fromUtf8(p.readAllStandardOutput()) + QString::fromUtf8(p.readAllStandardError());
}

// Files we wrote (name -> bytes, saved as name.png in folder): pngcheck accepts each, and
// python3-pil reads the same pixels from it as libpng.
void CheckWrittenFiles(const QString& folder, std::map<std::string, std::vector<uint8_t>>& written) {
  if (QFile::exists("/usr/bin/pngcheck")) {
    for (const auto& [name, file] : written) {
      QProcess p;
      p.start("/usr/bin/pngcheck", {folder + "/" + QString::fromStdString(name) + ".png"});
      ASSERT_TRUE(p.waitForFinished(30000));
      EXPECT_EQ(p.exitCode(), 0) << name << ": " << p.readAllStandardOutput().toStdString();
    }
  }
  if (HavePython()) {
    const QString script = R"(
import sys
from PIL import Image
for f in sys.argv[1:]:
    im = Image.open(f); im.load()
    print(f.rsplit('/', 1)[1][:-4], im.convert('RGB').tobytes().hex())
)";
    QStringList args;
    for (const auto& [name, file] : written) args << folder + "/" + QString::fromStdString(name) + ".png";
    const QStringList lines = RunPython(script, args).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), int(written.size())) << lines.join("\n").toStdString();
    for (const QString& line : lines) {
      const QStringList parts = line.split(' ');
      ASSERT_EQ(parts.size(), 2);
      const auto ref = pngref::ReadRgb(written[parts[0].toStdString()]);
      const QByteArray expected = QByteArray(reinterpret_cast<const char*>(ref.Rgb.data()), qsizetype(ref.Rgb.size())).toHex();
      EXPECT_EQ(parts[1].toLatin1(), expected) << parts[0].toStdString();
    }
  }
}

}  // namespace

// Every colour type and bit depth, plain and interlaced, odd sizes, with transparency and with
// the image data split over many IDAT chunks: same pixels as libpng.
TEST(PngDecode, MatchesLibpngForEveryColorTypeAndDepth) {
  const std::pair<int, int> kinds[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                                       {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
  const std::pair<int, int> sizes[] = {{37, 23}, {3, 3}, {1, 1}, {9, 1}, {20, 6}};
  unsigned seed = 1;
  for (auto [colorType, depth] : kinds)
    for (bool interlaced : {false, true})
      for (auto [w, h] : sizes) {
        SCOPED_TRACE(testing::Message() << "type " << colorType << " depth " << depth << " interlaced "
                                        << interlaced << " " << w << "x" << h);
        pngref::TWriteSpec spec = Pattern(colorType, depth, interlaced, w, h, seed++);
        if (colorType == 3 && interlaced) spec.PaletteAlpha = {0, 128};
        if ((colorType == 0 || colorType == 2) && interlaced) {
          spec.HasTransparentColor = true;
          spec.TransparentColor.red = spec.TransparentColor.gray = 1;
        }
        if (w == 37) spec.IdatSize = 50;  // many IDAT chunks
        // Each filter on its own, and libpng's choice among all of them.
        const int filters[] = {PNG_ALL_FILTERS, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH};
        spec.Filters = filters[seed % 5];
        const std::vector<uint8_t> file = pngref::Write(spec);
        const pngref::TRgbImage ref = pngref::ReadRgb(file);
        TPNGImage img;
        LoadBytes(img, file);
        ASSERT_EQ(img.Width(), w);
        ASSERT_EQ(img.Height(), h);
        EXPECT_EQ(img.PixelFormat(), ExpectedFormat(colorType, depth));
        EXPECT_EQ(OurRgb(img), ref.Rgb);
      }
}

TEST(PngDecode, TwoBitPaletteIsRepeatedOverSixteenEntries) {
  pngref::TWriteSpec spec = Pattern(3, 2, false, 8, 2, 7);
  TPNGImage img;
  LoadBytes(img, pngref::Write(spec));
  ASSERT_EQ(img.PixelFormat(), pf4bit);
  const TPaletteEntries pal = img.Palette();
  ASSERT_EQ(pal.size(), 16u);
  for (int i = 0; i < 16; ++i) {
    const png_color& e = spec.Palette[size_t(i % 4)];
    EXPECT_EQ(pal[size_t(i)], RGBColor(e.red, e.green, e.blue)) << i;
  }
  for (int x = 0; x < 8; ++x) EXPECT_EQ(img.ScanLine(0)[x] % 5, 0);
}

TEST(PngDecode, MatchesLibpngOnFilesWrittenByPil) {
  if (!HavePython()) GTEST_SKIP() << "python3 not available";
  QTemporaryDir dir;
  const QString script = R"(
import sys, random
from PIL import Image
d = sys.argv[1]
random.seed(5)
def noise(mode, size, n):
    im = Image.new(mode, size)
    im.putdata([tuple(random.randrange(256) for _ in range(n)) if n > 1 else random.randrange(256)
                for _ in range(size[0] * size[1])])
    return im
noise('RGB', (41, 17), 3).save(d + '/rgb.png')
noise('RGB', (41, 17), 3).save(d + '/rgb_trns.png', transparency=(10, 20, 30))
noise('RGBA', (19, 33), 4).save(d + '/rgba.png')
noise('L', (41, 17), 1).save(d + '/grey.png')
noise('LA', (23, 9), 2).save(d + '/grey_alpha.png')
noise('L', (41, 17), 1).convert('1').save(d + '/mono.png')
im = Image.new('I', (21, 13)); im.putdata([random.randrange(65536) for _ in range(21 * 13)])
im.save(d + '/grey16.png')
for bits, n in ((1, 2), (2, 4), (4, 16), (8, 256)):
    im = Image.new('P', (29, 11)); im.putpalette([random.randrange(256) for _ in range(3 * n)])
    im.putdata([random.randrange(n) for _ in range(29 * 11)])
    im.save(d + '/pal%d.png' % bits, bits=bits, transparency=0)
print('done')
)";
  ASSERT_TRUE(RunPython(script, {dir.path()}).contains("done"));
  const QStringList files = QDir(dir.path()).entryList({"*.png"});
  ASSERT_EQ(files.size(), 11);
  for (const QString& name : files) {
    SCOPED_TRACE(name.toStdString());
    const std::vector<uint8_t> file = ReadWholeFile((dir.path() + "/" + name).toStdString());
    TPNGImage img;
    LoadBytes(img, file);
    EXPECT_EQ(OurRgb(img), pngref::ReadRgb(file).Rgb);
  }
}

// Bitmaps of every format we write: pngcheck accepts the files, libpng and python3-pil read back
// the pixels we wrote.
TEST(PngEncode, FilesPassPngcheckAndReadBackInLibpngAndPil) {
  QTemporaryDir dir;
  std::mt19937 rng(3);
  struct TCase {
    const char* Name;
    TPixelFormat Format;
    bool Transparent;
  } cases[] = {{"pf1", pf1bit, false}, {"pf4", pf4bit, false}, {"pf8", pf8bit, false},
               {"pf24", pf24bit, false}, {"pf24t", pf24bit, true}, {"pf32", pf32bit, false}};
  std::map<std::string, std::vector<uint8_t>> written;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TPNGImage img;
    TBitmap bmp(53, 21, c.Format);
    if (bmp.IsIndexed()) {
      TPaletteEntries pal;
      for (size_t i = 0; i < bmp.Palette().size(); ++i) pal.push_back(TColor(rng() & 0xFFFFFF));
      bmp.SetPalette(pal);
      for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x) bmp.ScanLine(y)[x] = uint8_t(y % 2 ? x / 7 : rng()) % pal.size();
    } else {
      for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x)
          reinterpret_cast<uint32_t*>(bmp.ScanLine(y))[x] = 0xFF000000u | (y % 2 ? uint32_t(x * 0x010203) : rng());
    }
    bmp.Transparent = c.Transparent;
    bmp.TransparentColor = RGBColor(1, 2, 3);
    img.Assign(bmp);
    const std::vector<uint8_t> file = SaveBytes(img);
    const auto chunks = ChunksOf(file);
    ASSERT_GE(chunks.size(), 3u);
    const int depth = chunks[0].Data[8], colorType = chunks[0].Data[9];
    if (bmp.IsIndexed()) {
      EXPECT_EQ(colorType, 3);
      EXPECT_EQ(depth, c.Format == pf1bit ? 1 : c.Format == pf4bit ? 4 : 8);
      EXPECT_EQ(TypesOf(file), "IHDR PLTE IDAT IEND");
    } else {
      EXPECT_EQ(colorType, 2);
      EXPECT_EQ(depth, 8);
      EXPECT_EQ(TypesOf(file), c.Transparent ? "IHDR tRNS IDAT IEND" : "IHDR IDAT IEND");
    }
    if (c.Transparent) {
      EXPECT_EQ(chunks[1].Data, (std::vector<uint8_t>{0, 1, 0, 2, 0, 3}));  // the standard 6-byte form
    }
    const pngref::TRgbImage ref = pngref::ReadRgb(file);
    EXPECT_EQ(ref.Rgb, OurRgb(bmp));
    written[c.Name] = file;
    WriteFileAtomically((dir.path() + "/" + c.Name + ".png").toStdString(), file.data(), file.size());
  }
  CheckWrittenFiles(dir.path(), written);
}

TEST(PngEncode, RoundTripKeepsPixelsAndFormat) {
  for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf24bit}) {
    TBitmap bmp(17, 9, f);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 17; ++x)
        bmp.SetPixel(x, y, bmp.IsIndexed() ? bmp.Palette()[size_t((x + y) % bmp.Palette().size())] : RGBColor(x * 9, y * 20, 77));
    TPNGImage a, b;
    a.Assign(bmp);
    LoadBytes(b, SaveBytes(a));
    EXPECT_EQ(b.PixelFormat(), f);
    EXPECT_EQ(OurRgb(b), OurRgb(bmp));
  }
}

TEST(PngEncode, FilterChoice) {
  TBitmap bmp(40, 12, pf24bit);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 40; ++x) bmp.SetPixel(x, y, RGBColor(x * 6, x * 6, x * 6));  // a ramp: Sub makes runs
  auto filterBytes = [](const std::vector<uint8_t>& file) {
    std::vector<uint8_t> idat;
    for (const auto& c : ChunksOf(file))
      if (c.Type == "IDAT") idat = c.Data;
    std::vector<uint8_t> raw(12 * 121);
    uLongf size = uLongf(raw.size());
    EXPECT_EQ(uncompress(raw.data(), &size, idat.data(), uLong(idat.size())), Z_OK);
    std::set<int> types;
    for (int y = 0; y < 12; ++y) types.insert(raw[size_t(y * 121)]);
    return types;
  };
  TPNGImage img;
  img.Assign(bmp);
  EXPECT_EQ(filterBytes(SaveBytes(img)), (std::set<int>{pfSub, pfPaeth}));
  img.SetFilter(0);
  EXPECT_EQ(img.Filter(), 1);  // None is always allowed
  EXPECT_EQ(filterBytes(SaveBytes(img)), (std::set<int>{pfNone}));
}

TEST(PngChunks, AncillaryChunksAndOrderOnResave) {
  pngref::TWriteSpec spec = Pattern(3, 8, false, 10, 4, 11);
  spec.Gamma = 0.45455;
  png_unknown_chunk text{}, time{}, phys{};
  std::memcpy(text.name, "tEXt", 5);
  std::memcpy(time.name, "tIME", 5);
  std::memcpy(phys.name, "pHYs", 5);
  uint8_t textData[] = {'a', 0, 'b'}, timeData[] = {7, 230, 12, 10, 12, 0, 0}, physData[9] = {0, 0, 11, 19, 0, 0, 11, 19, 1};
  text.data = textData, text.size = sizeof textData;
  time.data = timeData, time.size = sizeof timeData;
  phys.data = physData, phys.size = sizeof physData;
  text.location = time.location = phys.location = PNG_HAVE_IHDR;
  spec.Extra = {text, time, phys};
  const std::vector<uint8_t> file = pngref::Write(spec);
  TPNGImage img;
  LoadBytes(img, file);
  const std::vector<uint8_t> again = SaveBytes(img);
  EXPECT_EQ(TypesOf(again), "IHDR gAMA PLTE tIME IDAT IEND");
  EXPECT_EQ(pngref::ReadRgb(again).Rgb, pngref::ReadRgb(file).Rgb);
  // Assign copies the chunks.
  TPNGImage copy;
  copy.Assign(img);
  EXPECT_EQ(TypesOf(SaveBytes(copy)), "IHDR gAMA PLTE tIME IDAT IEND");
}

// A minimal ICC profile header (no tags) of the given colour space, compressed as iCCP holds it.
std::vector<uint8_t> ProfileChunkData(const char* colorSpace) {
  std::vector<uint8_t> icc(132, 0);
  icc[3] = 132;
  icc[8] = 4, icc[9] = 0x20;
  std::memcpy(&icc[12], "mntr", 4);
  std::memcpy(&icc[16], colorSpace, 4);
  std::memcpy(&icc[20], "XYZ ", 4);
  std::memcpy(&icc[36], "acsp", 4);
  const uint8_t d50[12] = {0, 0, 0xF6, 0xD6, 0, 1, 0, 0, 0, 0, 0xD3, 0x2D};
  std::memcpy(&icc[68], d50, 12);
  std::vector<uint8_t> data = {'p', 'r', 'o', 'f', 0, 0};
  const auto packed = Zlib(icc);
  data.insert(data.end(), packed.begin(), packed.end());
  return data;
}

std::vector<uint8_t> Be32(uint32_t v) {
  std::vector<uint8_t> d;
  PutBE(d, v);
  return d;
}

// Files of every colour type and bit depth carrying the ancillary chunks of other programs
// (significant bits, background, histogram, transparency, physical size, text, time, colour
// space, a private chunk that is not safe to copy, animation frames), re-saved by us: pngcheck
// accepts every file we write, libpng and python3-pil read the same pixels from it as libpng
// reads from the original, and only the chunks that still fit are carried over.
TEST(PngChunks, ResavedFilesKeepOnlyChunksThatFit) {
  QTemporaryDir dir;
  const bool havePngcheck = QFile::exists("/usr/bin/pngcheck");
  const std::pair<int, int> kinds[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                                       {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
  std::map<std::string, std::vector<uint8_t>> written;
  unsigned seed = 40;
  for (auto [colorType, depth] : kinds)
    for (int variant = 0; variant < 2; ++variant) {
      const std::string name = "t" + std::to_string(colorType) + "d" + std::to_string(depth) + "v" + std::to_string(variant);
      SCOPED_TRACE(name);
      const int w = 13, h = 7;
      pngref::TWriteSpec spec = Pattern(colorType, depth, variant == 1, w, h, seed++);
      const bool grey = colorType == 0 || colorType == 4, palette = colorType == 3;
      const uint8_t sig = uint8_t(palette ? 8 : depth);
      std::vector<uint8_t> pre, mid, post;  // before PLTE, between PLTE and IDAT, after IDAT
      auto add = [](std::vector<uint8_t>& to, const char* type, const std::vector<uint8_t>& data) {
        const auto c = Chunk(type, data);
        to.insert(to.end(), c.begin(), c.end());
      };
      add(pre, "gAMA", Be32(45455));
      std::vector<uint8_t> chrm;
      for (uint32_t v : {31270u, 32900u, 64000u, 33000u, 30000u, 60000u, 15000u, 6000u}) PutBE(chrm, v);
      add(pre, "cHRM", chrm);
      if (variant == 0)
        add(pre, "sRGB", {0});
      else
        add(pre, "iCCP", ProfileChunkData(grey ? "GRAY" : "RGB "));
      add(pre, "sBIT", std::vector<uint8_t>(size_t(colorType == 0 ? 1 : colorType == 4 ? 2 : colorType == 6 ? 4 : 3), sig));
      const int frames = variant == 0 ? 2 : 1;
      std::vector<uint8_t> actl = Be32(uint32_t(frames));
      PutBE(actl, 0);
      add(pre, "acTL", actl);
      auto fctl = [&](uint32_t seq, uint32_t fw, uint32_t fh) {
        std::vector<uint8_t> d = Be32(seq);
        for (uint32_t v : {fw, fh, 0u, 0u}) PutBE(d, v);
        d.insert(d.end(), {0, 1, 0, 10, 0, 0});
        return d;
      };
      add(pre, "fcTL", fctl(0, uint32_t(w), uint32_t(h)));
      if (palette) {
        add(mid, "tRNS", {0, 128});
        add(mid, "hIST", std::vector<uint8_t>(spec.Palette.size() * 2, 1));
        add(mid, "bKGD", {1});
      } else if (grey) {
        if (colorType == 0) add(mid, "tRNS", {0, 1});
        add(mid, "bKGD", {0, 1});
      } else {
        if (colorType == 2) add(mid, "tRNS", {0, 1, 0, 2, 0, 3});
        add(mid, "bKGD", {0, 1, 0, 2, 0, 3});
      }
      add(mid, "pHYs", {0, 0, 11, 19, 0, 0, 11, 19, 1});
      add(mid, "oFFs", {0, 0, 0, 5, 0, 0, 0, 6, 0});
      add(mid, "prVt", {1, 2, 3});  // private, safe to copy
      add(mid, "abCD", {4, 5, 6});  // private, not safe to copy
      add(post, "tIME", {7, 234, 12, 10, 16, 5, 0});
      add(post, "tEXt", {'T', 'i', 't', 'l', 'e', 0, 'x'});
      if (frames == 2) {
        add(post, "fcTL", fctl(1, 1, 1));
        std::vector<uint8_t> fdat = Be32(2);
        const int channels = colorType == 4 ? 2 : colorType == 2 ? 3 : colorType == 6 ? 4 : 1;
        const auto pixel = Zlib(std::vector<uint8_t>(size_t(1 + (depth * channels + 7) / 8), 0));
        fdat.insert(fdat.end(), pixel.begin(), pixel.end());
        add(post, "fdAT", fdat);
      }
      // The libpng file with the chunks spliced in.
      const std::vector<uint8_t> plain = pngref::Write(spec);
      std::vector<uint8_t> source = {137, 80, 78, 71, 13, 10, 26, 10};
      bool idatSeen = false;
      for (const TChunkInfo& c : ChunksOf(plain)) {
        if (c.Type == "IEND") source.insert(source.end(), post.begin(), post.end());
        if (c.Type == "IDAT" && !idatSeen) {
          if (!palette) source.insert(source.end(), pre.begin(), pre.end());
          source.insert(source.end(), mid.begin(), mid.end());
          idatSeen = true;
        }
        if (c.Type == "PLTE") source.insert(source.end(), pre.begin(), pre.end());
        const auto bytes = Chunk(c.Type.c_str(), c.Data);
        source.insert(source.end(), bytes.begin(), bytes.end());
      }
      const std::string sourcePath = (dir.path() + "/src_" + QString::fromStdString(name) + ".png").toStdString();
      WriteFileAtomically(sourcePath, source.data(), source.size());
      if (havePngcheck) {
        QProcess p;
        p.start("/usr/bin/pngcheck", {QString::fromStdString(sourcePath)});
        ASSERT_TRUE(p.waitForFinished(30000));
        ASSERT_EQ(p.exitCode(), 0) << "the test's own file: " << p.readAllStandardOutput().toStdString();
      }

      TPNGImage img;
      LoadBytes(img, source);
      const std::vector<uint8_t> file = SaveBytes(img);
      std::string expected = "IHDR gAMA cHRM";
      if (variant == 0) expected += " sRGB";
      if (variant == 1 && !grey) expected += " iCCP";
      expected += img.IsIndexed() ? " PLTE tIME IDAT IEND" : colorType == 2 ? " tRNS tIME IDAT IEND" : " tIME IDAT IEND";
      EXPECT_EQ(TypesOf(file), expected);
      EXPECT_EQ(pngref::ReadRgb(file).Rgb, pngref::ReadRgb(source).Rgb);
      // Saving again writes the same file.
      EXPECT_EQ(SaveBytes(img), file);
      written[name] = file;
      WriteFileAtomically((dir.path() + "/" + QString::fromStdString(name) + ".png").toStdString(), file.data(), file.size());
    }
  CheckWrittenFiles(dir.path(), written);
}

TEST(PngChunks, TransparencyChunkForms) {
  const auto rows = Zlib(TinyRgbRows());
  // The old three-byte form is still read.
  TPNGImage img;
  LoadBytes(img, File({Chunk("IHDR", Header(2, 2, 8, 2)), Chunk("tRNS", {0, 0, 255}), Chunk("IDAT", rows), Chunk("IEND", {})}));
  EXPECT_TRUE(img.Transparent);
  EXPECT_EQ(img.TransparentColor, RGBColor(0, 0, 255));
  // Saved in the standard form, once per save.
  for (int i = 0; i < 2; ++i) {
    const auto file = SaveBytes(img);
    EXPECT_EQ(TypesOf(file), "IHDR tRNS IDAT IEND");
    EXPECT_EQ(ChunksOf(file)[1].Data, (std::vector<uint8_t>{0, 0, 0, 0, 0, 255}));
  }
  // The standard form of a 16-bit image gives the high bytes.
  TPNGImage wide;
  std::vector<uint8_t> rows16 = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  LoadBytes(wide, File({Chunk("IHDR", Header(2, 2, 16, 2)), Chunk("tRNS", {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}),
                        Chunk("IDAT", Zlib(rows16)), Chunk("IEND", {})}));
  EXPECT_EQ(wide.TransparentColor, RGBColor(0x12, 0x56, 0x9A));
  EXPECT_EQ(wide.Pixel(0, 0), RGBColor(1, 3, 5));
  // Not transparent any more: the chunk goes.
  img.Transparent = false;
  EXPECT_EQ(TypesOf(SaveBytes(img)), "IHDR IDAT IEND");
  // Asking a palette image for its transparent colour.
  TChunkList& list = img.Chunks();
  auto* trns = list.CreateAndAdd<TChunkTRNS>();
  static_cast<TChunkIHDR*>(list.Item(0))->SetColorType(3);
  try {
    trns->TransparentColor();
    FAIL();
  } catch (const EPNGImageException& e) {
    EXPECT_EQ(e.Message, kPrefix + "Can not get transparency information because the current image color type is not RGB (value 3)");
  }
}

TEST(PngChunks, GammaTablesHaveNoHoles) {
  for (uint32_t g : {45455u, 100000u, 20000u, 220000u}) {
    TChunkList list(nullptr);
    auto* gamma = list.CreateAndAdd<TChunkGAMA>();
    gamma->SetGamma(g);
    const uint8_t* fwd = gamma->GammaTable();
    const uint8_t* inv = gamma->InverseTable();
    for (int i = 0; i < 256; ++i) EXPECT_EQ(fwd[inv[fwd[i]]], fwd[i]) << g;
    // Monotone, and no entry falls back to black where the true inverse is not black.
    const double exponent = g / 100000.0 * 2.2;
    for (int j = 1; j < 256; ++j) {
      EXPECT_GE(inv[j], inv[j - 1]) << g << " at " << j;
      if (255.0 * std::pow(j / 255.0, exponent) >= 1.0) {
        EXPECT_GT(inv[j], 0) << g << " at " << j;
      }
    }
  }
  // A file with gamma: colours pass the forward table on load and the inverse on save.
  pngref::TWriteSpec spec = Pattern(2, 8, false, 16, 16, 4);
  spec.Gamma = 1.0;
  const auto file = pngref::Write(spec);
  TPNGImage img;
  LoadBytes(img, file);
  const uint8_t* fwd = img.Chunks().Find<TChunkGAMA>()->GammaTable();
  EXPECT_EQ(GetRValue(img.Pixel(0, 0)), fwd[spec.Rows[0][0]]);
  // Saved through the inverse table: back to the file's samples, give or take where the forward
  // table maps two samples to one colour.
  const auto before = pngref::ReadRgb(file).Rgb, after = pngref::ReadRgb(SaveBytes(img)).Rgb;
  ASSERT_EQ(before.size(), after.size());
  for (size_t i = 0; i < before.size(); ++i) EXPECT_LE(std::abs(before[i] - after[i]), 3) << i;
}

TEST(PngChunks, ListIndexErrors) {
  TPNGImage img;
  TChunkList& list = img.Chunks();
  auto message = [](auto&& f) {
    try {
      f();
    } catch (const EPNGImageException& e) {
      return e.Message;
    }
    return std::string("(no error)");
  };
  EXPECT_EQ(message([&] { list.Item(3); }), kPrefix + "The chunk index especified is out of the range.");
  EXPECT_EQ(message([&] { ChunkClasses().Item(6); }), kPrefix + "The chunk class index especified is  out of range.");
  TChunkList other(&img);
  TChunk* stranger = other.CreateAndAdd<TChunkIEND>();
  EXPECT_EQ(message([&] { list.Remove(stranger); }),
            kPrefix + "The especified chunk is not inside the chunk list containing the method being used. The funcion could not be completed.");
  EXPECT_EQ(ChunkClasses().Count(), 6);
  EXPECT_EQ(ChunkClasses().Item(0).Type, (TChunkType{'I', 'E', 'N', 'D'}));
}

// Damaged and hostile files fail with a clear message and never allocate what they claim.
TEST(PngDecode, BadFilesFailWithClearMessages) {
  const auto rows = Zlib(TinyRgbRows());
  const auto ihdr = Chunk("IHDR", Header(2, 2, 8, 2));
  const auto idat = Chunk("IDAT", rows);
  const auto iend = Chunk("IEND", {});
  std::vector<uint8_t> hugeLength = Chunk("tEXt", {1, 2, 3});
  hugeLength[0] = 0x7F;
  std::vector<uint8_t> trailing = rows;
  trailing.insert(trailing.end(), 5000, 0xAB);
  std::vector<uint8_t> badFilter = TinyRgbRows();
  badFilter[7] = 7;
  std::vector<uint8_t> shortRows = TinyRgbRows();
  shortRows.resize(9);
  std::vector<uint8_t> bigPalette(300 * 3, 1);
  const struct {
    const char* Name;
    std::vector<uint8_t> File;
    std::string Expected;
  } cases[] = {
      {"signature", {1, 2, 3, 4, 5, 6, 7, 8, 9}, "Invalid Portable Graphics Network image, it has an invalid file header."},
      {"crc", File({Chunk("IHDR", Header(2, 2, 8, 2), 1), idat, iend}), "Can't read the PNG image, it has corrupted data. "},
      {"critical", File({ihdr, Chunk("ABCD", {}), idat, iend}),
       "The currently being loaded image contains critical(s) chunk(s) not reconized by the decoder."},
      {"no header", File({idat, ihdr, iend}),
       "This PNG image is invalid, the IHDR chunk is either not present or it isn't the first chunk."},
      {"empty", File({}), "This PNG image is invalid, the IHDR chunk is either not present or it isn't the first chunk."},
      {"no data", File({ihdr, iend}), "The current image being loaded has no data and could not be loaded."},
      {"no palette", File({Chunk("IHDR", Header(2, 2, 8, 3)), idat, iend}),
       "The current image requeries a palette but it is not avaliable."},
      {"palette size", File({Chunk("IHDR", Header(2, 2, 8, 3)), Chunk("PLTE", {1, 2, 3, 4}), idat, iend}),
       "The current image being loaded has an invalid palette!"},
      {"palette entries", File({Chunk("IHDR", Header(2, 2, 8, 3)), Chunk("PLTE", bigPalette), idat, iend}),
       "The current image being loaded has an invalid palette!"},
      {"color type", File({Chunk("IHDR", Header(2, 2, 8, 5)), idat, iend}),
       "Could not read the image because it has an unknown color type."},
      {"bit depth", File({Chunk("IHDR", Header(2, 2, 4, 2)), idat, iend}),
       "The image has a bit depth that its color type does not allow."},
      {"interlace", File({Chunk("IHDR", Header(2, 2, 8, 2, 2)), idat, iend}), "The image has an unknown interlace method."},
      {"filter", File({ihdr, Chunk("IDAT", Zlib(badFilter)), iend}),
       "The image could not be loaded because it uses an unknown set of filter types."},
      {"header size", File({Chunk("IHDR", {0, 0, 0, 2, 0, 0, 0, 2, 8, 2}), idat, iend}),
       "The IHDR chunk of this PNG image has an invalid size."},
      {"huge", File({Chunk("IHDR", Header(0x7FFFFFFF, 0x7FFFFFFF, 8, 2)), idat, iend}),
       "The image size in the IHDR chunk is invalid or too large."},
      {"zero width", File({Chunk("IHDR", Header(0, 5, 8, 2)), idat, iend}),
       "The image size in the IHDR chunk is invalid or too large."},
      {"beyond data", File({Chunk("IHDR", Header(10000, 10000, 8, 2)), idat, iend}),
       "The image data are too short for the image size in the IHDR chunk."},
      {"chunk length", File({ihdr, hugeLength, idat, iend}), "Can't read the PNG image, it has corrupted data. "},
      {"truncated chunk", [&] { auto f = File({ihdr, idat}); f.resize(f.size() - 6); return f; }(),
       "Can't read the PNG image, it has corrupted data. "},
      {"short rows", File({ihdr, Chunk("IDAT", Zlib(shortRows)), iend}), "Can't read the PNG image, it has corrupted data. "},
      {"trailing data", File({ihdr, Chunk("IDAT", trailing), iend}), "(loaded)"},
      {"no end", File({ihdr, idat}), "(loaded)"},
  };
  for (const auto& c : cases) {
    const std::string got = LoadError(c.File);
    EXPECT_EQ(got, c.Expected == "(loaded)" ? c.Expected : kPrefix + c.Expected) << c.Name;
  }
  // Damaged deflate data: the deflate stream's error passes through.
  EXPECT_EQ(LoadError(File({ihdr, Chunk("IDAT", {0x78, 0x9C, 0xFF, 0xFF, 0xFF}), iend})), "data error");
}

TEST(PngImage, EmptyBitmapIsNotSaved) {
  TPNGImage img;
  TMemoryStream out;
  try {
    img.SaveToStream(out);
    FAIL();
  } catch (const EPNGImageException& e) {
    EXPECT_EQ(e.Message, kPrefix + "The image could not be saved because it has no pixels.");
  }
}

TEST(PngImage, ProgressAndRegistration) {
  pngref::TWriteSpec spec = Pattern(2, 8, false, 4, 5, 9);
  TPNGImage img;
  std::vector<int> percents;
  img.OnProgress = [&](TProgressStage stage, int percent, const std::string& msg) {
    EXPECT_EQ(stage, psRunning);
    EXPECT_EQ(msg, "Drawing...");
    percents.push_back(percent);
  };
  LoadBytes(img, pngref::Write(spec));
  EXPECT_EQ(percents, (std::vector<int>{0, 20, 40, 60, 80}));

  EXPECT_NE(dynamic_cast<TPNGImage*>(CreateGraphicForFile("picture.png").get()), nullptr);
  EXPECT_NE(dynamic_cast<TJPEGImage*>(CreateGraphicForFile("a.JPG").get()), nullptr);
  EXPECT_NE(dynamic_cast<TJPEGImage*>(CreateGraphicForFile("b.jpeg").get()), nullptr);
  bool described = false;
  for (const auto& f : RegisteredFileFormats()) described |= f.Extension == ".PNG" && f.Description == "Portable Network Graphics";
  EXPECT_TRUE(described);
}

TEST(PngImage, SaveToFileGoesThroughTheSafeWriter) {
  QTemporaryDir dir;
  const std::string name = (dir.path() + "/pic.png").toStdString();
  TBitmap bmp(5, 5, pf24bit);
  TPNGImage img;
  img.Assign(bmp);
  img.SaveToFile(name);
  TPNGImage back;
  back.LoadFromFile(name);
  EXPECT_EQ(back.Width(), 5);
  // A failed save leaves the old file as it was.
  TPNGImage empty;
  EXPECT_THROW(empty.SaveToFile(name), EPNGImageException);
  back.LoadFromFile(name);
  EXPECT_EQ(back.Height(), 5);
}

TEST(PngImage, AssignFromJpegTakesItsPixels) {
  TBitmap bmp(24, 16, pf24bit);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 24; ++x) bmp.SetPixel(x, y, RGBColor(x * 10, y * 15, 90));
  TJPEGImage jpeg;
  jpeg.Assign(bmp);
  TMemoryStream data;
  jpeg.SaveToStream(data);
  data.SetPosition(0);
  TJPEGImage loaded;
  loaded.LoadFromStream(data);
  TPNGImage png;
  png.Assign(loaded);
  EXPECT_EQ(OurRgb(png), OurRgb(loaded.Bitmap()));
  EXPECT_EQ(png.Width(), 24);
}

namespace {
// A picture that is neither a bitmap nor a JPEG: it can only be drawn.
class TPaintedGraphic : public TGraphic {
public:
  void LoadFromStream(TStream&) override {}
  void SaveToStream(TStream&) override {}
  int Width() const override { return 12; }
  int Height() const override { return 7; }
  bool Empty() const override { return false; }
  void Draw(TCanvas& canvas, const TRect& rect) override {
    canvas.Brush.Color = clRed;
    canvas.FillRect(rect);
  }
};
}  // namespace

TEST(PngImage, AssignFromAnyGraphicDrawsIt) {
  TPaintedGraphic painted;
  TPNGImage png;
  png.Assign(painted);
  EXPECT_EQ(png.Width(), 12);
  EXPECT_EQ(png.Height(), 7);
  EXPECT_EQ(png.Pixel(5, 3), clRed);
  TJPEGImage jpeg;
  jpeg.Assign(painted);
  EXPECT_EQ(jpeg.Bitmap().Pixel(5, 3), clRed);
}
