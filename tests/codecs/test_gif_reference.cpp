// The codec against independent implementations: files written by giflib and by python3-pil are
// decoded to the same pixels as giflib decodes them, and files we write are read back by giflib
// and python3-pil to the pixels we wrote.
#include <gif_lib.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
#include <random>

#include "test_gif_support.h"

using namespace giftest;

namespace {

// ---- giflib side

struct RefFrame {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool Interlace = false;
  Bytes Pixels;
  std::vector<Rgb> Colors;  // the active colour map
  bool HasGcb = false;
  int Disposal = 0, Delay = 0, Transparent = -1;
};

struct RefGif {
  int Width = 0, Height = 0;
  std::vector<RefFrame> Frames;
};

struct MemReader {
  const Bytes* Data;
  size_t Pos = 0;
};

int ReadMem(GifFileType* gif, GifByteType* buf, int n) {
  auto* r = static_cast<MemReader*>(gif->UserData);
  const size_t k = std::min<size_t>(size_t(n), r->Data->size() - r->Pos);
  std::memcpy(buf, r->Data->data() + r->Pos, k);
  r->Pos += k;
  return int(k);
}

int WriteMem(GifFileType* gif, const GifByteType* buf, int n) {
  static_cast<Bytes*>(gif->UserData)->insert(static_cast<Bytes*>(gif->UserData)->end(), buf, buf + n);
  return n;
}

std::vector<Rgb> ToRgb(const ColorMapObject* map) {
  std::vector<Rgb> out;
  if (map)
    for (int i = 0; i < map->ColorCount; ++i) out.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
  return out;
}

RefGif GiflibDecode(const Bytes& data) {
  MemReader reader{&data};
  int err = 0;
  GifFileType* gif = DGifOpen(&reader, ReadMem, &err);
  EXPECT_NE(gif, nullptr) << GifErrorString(err);
  RefGif out;
  if (!gif) return out;
  EXPECT_EQ(DGifSlurp(gif), GIF_OK) << GifErrorString(gif->Error);
  out.Width = gif->SWidth;
  out.Height = gif->SHeight;
  for (int i = 0; i < gif->ImageCount; ++i) {
    const SavedImage& s = gif->SavedImages[i];
    RefFrame f;
    f.Left = s.ImageDesc.Left, f.Top = s.ImageDesc.Top, f.Width = s.ImageDesc.Width, f.Height = s.ImageDesc.Height;
    f.Interlace = s.ImageDesc.Interlace;
    f.Pixels.assign(s.RasterBits, s.RasterBits + size_t(f.Width) * size_t(f.Height));
    f.Colors = ToRgb(s.ImageDesc.ColorMap ? s.ImageDesc.ColorMap : gif->SColorMap);
    GraphicsControlBlock gcb;
    if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_OK) {
      f.HasGcb = true;
      f.Disposal = gcb.DisposalMode, f.Delay = gcb.DelayTime, f.Transparent = gcb.TransparentColor;
    }
    out.Frames.push_back(std::move(f));
  }
  DGifCloseFile(gif, &err);
  return out;
}

struct WriteFrame {
  int Left, Top, Width, Height;
  bool Interlace;
  std::vector<Rgb> Local;
  Bytes Pixels;
  int Disposal = -1, Delay = 0, Transparent = -1;
};

ColorMapObject* MakeMap(const std::vector<Rgb>& colors) {
  if (colors.empty()) return nullptr;
  int n = 2;
  while (n < int(colors.size())) n *= 2;
  std::vector<GifColorType> c(size_t(n), GifColorType{0, 0, 0});
  for (size_t i = 0; i < colors.size(); ++i) c[i] = {colors[i].R, colors[i].G, colors[i].B};
  return GifMakeMapObject(n, c.data());
}

Bytes GiflibEncode(int w, int h, const std::vector<Rgb>& global, const std::vector<WriteFrame>& frames, int loops = -1) {
  Bytes out;
  int err = 0;
  GifFileType* gif = EGifOpen(&out, WriteMem, &err);
  EGifSetGifVersion(gif, true);
  ColorMapObject* gmap = MakeMap(global);
  EGifPutScreenDesc(gif, w, h, 8, 0, gmap);
  if (loops >= 0) {
    EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
    EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0");
    const unsigned char sub[3] = {1, uint8_t(loops), uint8_t(loops >> 8)};
    EGifPutExtensionBlock(gif, 3, sub);
    EGifPutExtensionTrailer(gif);
  }
  for (const WriteFrame& f : frames) {
    if (f.Disposal >= 0) {
      GraphicsControlBlock gcb{f.Disposal, false, f.Delay, f.Transparent};
      GifByteType ext[4];
      EGifGCBToExtension(&gcb, ext);
      EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext);
    }
    ColorMapObject* lmap = MakeMap(f.Local);
    EGifPutImageDesc(gif, f.Left, f.Top, f.Width, f.Height, f.Interlace, lmap);
    auto putRow = [&](int y) {
      EGifPutLine(gif, const_cast<GifPixelType*>(f.Pixels.data()) + size_t(y) * size_t(f.Width), f.Width);
    };
    if (f.Interlace) {
      static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
      for (int p = 0; p < 4; ++p)
        for (int y = start[p]; y < f.Height; y += step[p]) putRow(y);
    } else {
      for (int y = 0; y < f.Height; ++y) putRow(y);
    }
    if (lmap) GifFreeMapObject(lmap);
  }
  EXPECT_EQ(EGifCloseFile(gif, &err), GIF_OK);
  if (gmap) GifFreeMapObject(gmap);
  return out;
}

// ---- comparison

std::vector<Rgb> ActiveColors(TGIFSubImage& f) {
  TGIFColorMap& map = f.ActiveColorMap();
  std::vector<Rgb> out;
  for (int i = 0; i < map.Count; ++i) out.push_back({map.Colors[size_t(i)].Red, map.Colors[size_t(i)].Green, map.Colors[size_t(i)].Blue});
  return out;
}

bool SameColors(const std::vector<Rgb>& a, const std::vector<Rgb>& b) {
  // giflib pads tables to a power of two; compare the shorter length and require zero padding.
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i)
    if (a[i].R != b[i].R || a[i].G != b[i].G || a[i].B != b[i].B) return false;
  const auto& longer = a.size() > b.size() ? a : b;
  for (size_t i = n; i < longer.size(); ++i)
    if (longer[i].R || longer[i].G || longer[i].B) return false;
  return true;
}

void ExpectSameAsGiflib(const Bytes& file, const std::string& what) {
  SCOPED_TRACE(what);
  const RefGif ref = GiflibDecode(file);
  auto ours = LoadGif(file);
  TGIFImage& img = *ours->Image;
  EXPECT_EQ(img.Width(), ref.Width);
  EXPECT_EQ(img.Height(), ref.Height);
  std::vector<TGIFSubImage*> frames;
  for (TGIFSubImage* f : img.Images.Items)
    if (!f->Empty()) frames.push_back(f);
  ASSERT_EQ(frames.size(), ref.Frames.size());
  for (size_t i = 0; i < frames.size(); ++i) {
    SCOPED_TRACE("frame " + std::to_string(i));
    TGIFSubImage& f = *frames[i];
    const RefFrame& r = ref.Frames[i];
    EXPECT_EQ(f.Left(), r.Left);
    EXPECT_EQ(f.Top(), r.Top);
    EXPECT_EQ(f.Width(), r.Width);
    EXPECT_EQ(f.Height(), r.Height);
    EXPECT_EQ(f.Interlaced(), r.Interlace);
    EXPECT_TRUE(f.Data == r.Pixels);
    EXPECT_TRUE(SameColors(ActiveColors(f), r.Colors));
    if (r.HasGcb) {
      ASSERT_TRUE(f.GraphicControlExtension);
      EXPECT_EQ(f.GraphicControlExtension->Disposal(), r.Disposal);
      EXPECT_EQ(f.GraphicControlExtension->Delay(), r.Delay);
      EXPECT_EQ(f.Transparent, r.Transparent >= 0);
      if (r.Transparent >= 0) {
        EXPECT_EQ(f.TransparentColorIndex(), r.Transparent);
      }
    }
  }
}

Bytes Noise(size_t n, int colors, unsigned seed, int runs = 1) {
  std::mt19937 rng(seed);
  Bytes out(n);
  uint8_t v = 0;
  for (size_t i = 0; i < n; ++i) {
    if (i % size_t(runs) == 0) v = uint8_t(rng() % unsigned(colors));
    out[i] = v;
  }
  return out;
}

std::vector<Rgb> Palette(int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<Rgb> out;
  for (int i = 0; i < n; ++i) out.push_back({uint8_t(rng()), uint8_t(rng()), uint8_t(rng())});
  return out;
}

TEST(GifReference, FilesWrittenByGiflib) {
  ExpectSameAsGiflib(GiflibEncode(37, 23, Palette(16, 1), {{0, 0, 37, 23, true, {}, Noise(37 * 23, 16, 2)}}),
                     "interlaced");
  ExpectSameAsGiflib(GiflibEncode(20, 10, {}, {{0, 0, 20, 10, false, Palette(5, 3), Noise(200, 5, 4, 3), 1, 0, 4}}),
                     "transparent with a local map");
  std::vector<WriteFrame> anim;
  for (int d = 0; d < 4; ++d)
    // (Local maps on the later frames only: giflib's writer loses a map that is followed by a
    // frame without one.)
    anim.push_back({d * 3, d * 2, 30 - d * 5, 20 - d * 4, d == 2, d >= 2 ? Palette(256, 10u + unsigned(d)) : std::vector<Rgb>{},
                    Noise(size_t(30 - d * 5) * size_t(20 - d * 4), d >= 2 ? 256 : 8, 20u + unsigned(d), 4), d, 5 + d,
                    d == 1 ? 7 : -1});
  ExpectSameAsGiflib(GiflibEncode(30, 20, Palette(8, 5), anim, 0), "animated with disposal methods and palettes");
  ExpectSameAsGiflib(GiflibEncode(300, 200, Palette(256, 6), {{0, 0, 300, 200, false, {}, Noise(60000, 256, 7, 9)}}),
                     "256-colour palette");
  // Long runs: strings of hundreds of pixels, copied in many pieces.
  ExpectSameAsGiflib(GiflibEncode(400, 300, Palette(4, 8), {{0, 0, 400, 300, false, {}, Noise(120000, 4, 9, 200)}}),
                     "long runs");
}

TEST(GifReference, GiflibReadsWhatWeWrite) {
  for (TGIFCoding coding : {gcLZW, gcRLE}) {
    SCOPED_TRACE(coding == gcLZW ? "LZW" : "RLE");
    TGIFImage image;
    image.Coding = coding;
    for (int i = 0; i < 8; ++i) image.Header.ColorMap.Add(RGBColor(i * 30, 255 - i * 30, i));
    struct Spec {
      int L, T, W, H;
      bool Interlace;
      int LocalColors;
      int Transparent;
      int Disposal;
    };
    const Spec specs[] = {{0, 0, 64, 40, false, 0, -1, 1}, {5, 3, 33, 17, true, 200, 7, 2},
                          {0, 0, 64, 40, true, 2, -1, 3},  {10, 10, 1, 1, false, 0, 0, 0}};
    unsigned seed = 40;
    for (const Spec& s : specs) {
      auto* f = new TGIFSubImage(&image);
      f->SetBounds(s.L, s.T, s.W, s.H);
      f->SetInterlaced(s.Interlace);
      for (int i = 0; i < s.LocalColors; ++i) f->ColorMap.Add(RGBColor(i, 2 * i % 256, 255 - i));
      const int colors = s.LocalColors ? s.LocalColors : 8;
      f->Data = Noise(f->Data.size(), colors, seed, 1 + int(seed % 5));
      ++seed;
      auto* gce = new TGIFGraphicControlExtension(f);
      f->Extensions.Add(gce);
      gce->SetDisposal(s.Disposal);
      gce->SetDelay(uint16_t(s.Disposal * 10));
      if (s.Transparent >= 0) {
        gce->SetTransparent(true);
        gce->SetTransparentColorIndex(s.Transparent);
      }
      image.Add(f);
    }
    const Bytes out = SaveGif(image);
    const RefGif ref = GiflibDecode(out);
    ASSERT_EQ(ref.Frames.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
      TGIFSubImage& f = *image.Images[int(i)];
      const RefFrame& r = ref.Frames[i];
      EXPECT_EQ(r.Left, f.Left());
      EXPECT_EQ(r.Width, f.Width());
      EXPECT_EQ(r.Interlace, f.Interlaced());
      EXPECT_TRUE(r.Pixels == f.Data) << "frame " << i;
      EXPECT_TRUE(SameColors(ActiveColors(f), r.Colors));
      EXPECT_EQ(r.Disposal, specs[i].Disposal);
      EXPECT_EQ(r.Transparent, specs[i].Transparent);
    }
  }
}

// ---- python3-pil side

// The system's python3 (where python3-pil is installed), else the first one on the path.
std::string Python() { return QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3"; }

bool HavePython() { return std::system((Python() + " -c 'import PIL' >/dev/null 2>&1").c_str()) == 0; }

Bytes ReadFile(const QString& name) {
  QFile f(name);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray a = f.readAll();
  return Bytes(a.begin(), a.end());
}

void WriteFile(const QString& name, const Bytes& data) {
  QFile f(name);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(reinterpret_cast<const char*>(data.data()), qint64(data.size()));
}

int RunPython(const QTemporaryDir& dir, const char* script, const std::string& args) {
  const QString path = dir.filePath("script.py");
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return -1;
  f.write(script);
  f.close();
  const std::string cmd = Python() + " '" + path.toStdString() + "' '" + dir.path().toStdString() + "' " + args;
  return std::system(cmd.c_str());
}

const char* const PilWriter = R"(
import sys, random
from PIL import Image
d = sys.argv[1]
random.seed(5)
def photo(w, h, mode='RGB'):
    im = Image.new('RGB', (w, h))
    px = im.load()
    for y in range(h):
        for x in range(w):
            px[x, y] = ((x * 7 + y * 3) % 256, (x * y) % 256, (y * 11 + random.randint(0, 40)) % 256)
    return im
# interlaced (the writer interlaces pictures of 16 pixels and more by default)
photo(64, 48).quantize(64).save(d + '/pil_interlaced.gif', interlace=1)
# transparent palette picture
t = photo(40, 30).quantize(16)
t.save(d + '/pil_transparent.gif', transparency=3)
# animated with disposal methods
frames = [photo(50, 40).quantize(32 - 4 * i) for i in range(4)]
for i, f in enumerate(frames):
    f.paste(i * 3, (i * 5, i * 4, 30 + i * 5, 20 + i * 4))
frames[0].save(d + '/pil_animated.gif', save_all=True, append_images=frames[1:], duration=[40, 80, 120, 160],
               loop=2, disposal=[0, 1, 2, 3])
# palette picture of 256 colours, not interlaced
photo(90, 70).quantize(256).save(d + '/pil_palette.gif', interlace=0)
)";

const char* const PilReader = R"(
import sys
from PIL import Image
d = sys.argv[1]
name = sys.argv[2]
im = Image.open(d + '/' + name)
with open(d + '/' + name + '.idx', 'wb') as f:
    f.write(im.tobytes())
n = getattr(im, 'n_frames', 1)
for i in range(n):
    im.seek(i)
    with open(d + '/' + name + '.%d.rgb' % i, 'wb') as f:
        f.write(im.convert('RGB').tobytes())
)";

TEST(GifReference, FilesWrittenByPil) {
  if (!HavePython()) GTEST_SKIP() << "python3 with PIL is not installed";
  QTemporaryDir dir;
  ASSERT_EQ(RunPython(dir, PilWriter, ""), 0);
  for (const char* name : {"pil_interlaced.gif", "pil_transparent.gif", "pil_animated.gif", "pil_palette.gif"}) {
    const Bytes file = ReadFile(dir.filePath(name));
    ASSERT_FALSE(file.empty()) << name;
    ExpectSameAsGiflib(file, name);
  }
  auto interlaced = LoadGif(ReadFile(dir.filePath("pil_interlaced.gif")));
  EXPECT_TRUE(interlaced->Image->Images[0]->Interlaced());
  auto transparent = LoadGif(ReadFile(dir.filePath("pil_transparent.gif")));
  EXPECT_TRUE(transparent->Image->Images[0]->Transparent);
}

TEST(GifReference, PilReadsWhatWeWrite) {
  if (!HavePython()) GTEST_SKIP() << "python3 with PIL is not installed";
  QTemporaryDir dir;
  for (TGIFCoding coding : {gcLZW, gcRLE}) {
    TGIFImage image;
    image.Coding = coding;
    std::vector<Bytes> framePixels;
    for (int i = 0; i < 3; ++i) {
      auto* f = new TGIFSubImage(&image);
      f->SetBounds(0, 0, 45, 33);
      f->SetInterlaced(i == 1);
      const int colors = i == 0 ? 256 : 16 << i % 2;
      for (int c = 0; c < colors; ++c) f->ColorMap.Add(RGBColor(c, (c * 37 + i) % 256, 255 - c));
      f->Data = Noise(f->Data.size(), colors, 90u + unsigned(i), 1 + i * 3);
      if (i > 0) {
        auto* gce = new TGIFGraphicControlExtension(f);
        f->Extensions.Add(gce);
        gce->SetDisposal(1);
        gce->SetDelay(10);
      }
      framePixels.push_back(f->Data);
      image.Add(f);
    }
    const QString name = coding == gcLZW ? "ours_lzw.gif" : "ours_rle.gif";
    WriteFile(dir.filePath(name), SaveGif(image));
    ASSERT_EQ(RunPython(dir, PilReader, "'" + name.toStdString() + "'"), 0);
    EXPECT_TRUE(ReadFile(dir.filePath(name + ".idx")) == framePixels[0]) << name.toStdString();
    for (int i = 0; i < 3; ++i) {
      const Bytes rgb = ReadFile(dir.filePath(name + "." + QString::number(i) + ".rgb"));
      ASSERT_EQ(rgb.size(), size_t(45 * 33 * 3));
      TGIFSubImage& f = *image.Images[i];
      bool same = true;
      for (size_t p = 0; p < f.Data.size() && same; ++p) {
        const TGIFColor c = f.ColorMap.Colors[f.Data[p]];
        same = rgb[p * 3] == c.Red && rgb[p * 3 + 1] == c.Green && rgb[p * 3 + 2] == c.Blue;
      }
      EXPECT_TRUE(same) << name.toStdString() << " frame " << i;
    }
  }
}

}  // namespace
