// File structure of GIF pictures: signature, blocks, trailer, colour maps and extension blocks.
#include <algorithm>

#include "test_gif_support.h"

using namespace giftest;

namespace {

Bytes SmallGif() {
  return GifBuilder().Header(2, 2, Grey4()).Image(0, 0, 2, 2, PlainRaster(2, {0, 1, 2, 3})).Trailer().B;
}

Bytes Pixels(const TGIFSubImage& f) { return f.Data; }

TEST(GifHeader, SignatureAndPrefix) {
  Bytes prefixed = {1, 2, 3, 4};
  Bytes gif = SmallGif();
  prefixed.insert(prefixed.end(), gif.begin(), gif.end());
  auto a = LoadGif(prefixed);
  ASSERT_EQ(a->Image->Images.Count(), 1);
  EXPECT_EQ(Pixels(*a->Image->Images[0]), (Bytes{0, 1, 2, 3}));

  Bytes five = {1, 2, 3, 4, 5};
  five.insert(five.end(), gif.begin(), gif.end());
  TGIFImage image;
  TMemoryStream stream(five);
  stream.SetPosition(0);
  try {
    image.LoadFromStream(stream);
    FAIL() << "a five-byte prefix loaded";
  } catch (const GIFException& e) {
    EXPECT_EQ(Msg(e), "Invalid GIF signature");
  }
  EXPECT_EQ(stream.Position(), 0) << "the stream goes back to where the picture started";

  Bytes lower = gif;
  lower[0] = 'g', lower[1] = 'i', lower[2] = 'f';
  EXPECT_EQ(LoadGif(lower)->Image->Images.Count(), 1);
}

TEST(GifHeader, TrailerZeroBytesAndStrayBytes) {
  Bytes noTrailer = SmallGif();
  noTrailer.pop_back();
  auto a = LoadGif(noTrailer);
  EXPECT_EQ(a->Image->Images.Count(), 1);
  EXPECT_TRUE(a->Warnings.empty());

  Bytes badTrailer = SmallGif();
  badTrailer.back() = 'x';
  auto b = LoadGif(badTrailer);
  EXPECT_EQ(b->Warnings, (std::vector<std::string>{"Unknown GIF block type", "Invalid Image trailer"}));

  Bytes zeros = GifBuilder().Header(2, 2, Grey4()).Raw({0, 0, 0}).Image(0, 0, 2, 2, PlainRaster(2, {3, 2, 1, 0}))
                    .Raw({0, 0}).Image(0, 0, 2, 2, PlainRaster(2, {1, 1, 1, 1})).Trailer().B;
  auto c = LoadGif(zeros);
  ASSERT_EQ(c->Image->Images.Count(), 2);
  EXPECT_TRUE(c->Warnings.empty());

  Bytes stray = GifBuilder().Header(2, 2, Grey4()).Image(0, 0, 2, 2, PlainRaster(2, {3, 2, 1, 0})).Raw({0x00, 0x42})
                    .Image(0, 0, 2, 2, PlainRaster(2, {1, 1, 1, 1})).Trailer().B;
  auto d = LoadGif(stray);
  EXPECT_EQ(d->Image->Images.Count(), 1);
  EXPECT_EQ(d->Warnings, (std::vector<std::string>{"Unknown GIF block type", "Invalid Image trailer"}));
}

TEST(GifHeader, ColorCountsAndVersion) {
  TGIFImage image;
  for (int i = 0; i < 5; ++i) image.Header.ColorMap.Add(RGBColor(i * 10, 0, 0));
  auto* frame = new TGIFSubImage(&image);
  frame->SetBounds(0, 0, 2, 1);
  image.Add(frame);
  const Bytes out = SaveGif(image);
  EXPECT_EQ(std::string(out.begin(), out.begin() + 6), "GIF87a");
  EXPECT_EQ(out[10] & 7, 2) << "5 colours are written as a table of 8";
  EXPECT_EQ(out[10] & 0x80, 0x80);
  // 13 bytes of header, 8 entries, then the image separator.
  EXPECT_EQ(out[13 + 5 * 3], 0);
  EXPECT_EQ(out[13 + 24], 0x2C);

  TGIFImage empty;
  try {
    SaveGif(empty);
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_EQ(Msg(e), "Unsupported GIF version");
  }
}

// ---- Colour maps

struct MapWithFrame {
  TGIFImage Image;
  TGIFSubImage* Frame;
  MapWithFrame(const Bytes& pixels, int colors) {
    Frame = new TGIFSubImage(&Image);
    Frame->SetBounds(0, 0, int(pixels.size()), 1);
    Frame->Data = pixels;
    for (int i = 0; i < colors; ++i) Frame->ColorMap.Add(RGBColor(i, i, i));
    Image.Add(Frame);
  }
};

TEST(GifColorMap, AddIndexOfDeleteAndOverflow) {
  MapWithFrame m({0}, 0);
  TGIFColorMap& map = m.Frame->ColorMap;
  map.Add(clRed);
  map.Add(clBlue);
  map.Add(clRed);
  EXPECT_EQ(map.IndexOf(clRed), 2) << "the later of two equal entries before optimisation";
  for (int i = 3; i < 256; ++i) map.Add(RGBColor(i, 1, 1));
  EXPECT_THROW(map.Add(clWhite), GIFException);
  EXPECT_EQ(map.Count, 256);
  EXPECT_THROW(map.Delete(256), GIFException);
  std::vector<std::string> warnings;
  m.Image.OnWarning = [&](const void*, int, const std::string& s) { warnings.push_back(s); };
  EXPECT_EQ(map.GetColor(300), clRed);
  EXPECT_EQ(warnings, std::vector<std::string>{"Invalid color index"});
  map.Clear();
  EXPECT_THROW(map.GetColor(0), GIFException);
}

TEST(GifColorMap, OptimizeSortsByUseAndDropsUnused) {
  // Entry 2 most used, then 0; entries 1 and 3 unused; pixel 7 lies beyond the table.
  MapWithFrame m({2, 2, 2, 0, 7}, 4);
  TGIFColorMap& map = m.Frame->ColorMap;
  ASSERT_TRUE(map.Optimize());
  EXPECT_EQ(map.Count, 2);
  EXPECT_EQ(map.GetColor(0), RGBColor(2, 2, 2));
  EXPECT_EQ(map.GetColor(1), RGBColor(0, 0, 0));
  EXPECT_EQ(m.Frame->Data, (Bytes{0, 0, 0, 1, 7}));

  // Already in descending order of use: the unused entry stays.
  MapWithFrame n({0, 0, 1}, 3);
  ASSERT_TRUE(n.Frame->ColorMap.Optimize());
  EXPECT_EQ(n.Frame->ColorMap.Count, 3);

  MapWithFrame twice({0, 0, 1}, 0);
  twice.Frame->ColorMap.Add(clRed);
  twice.Frame->ColorMap.Add(clRed);
  twice.Frame->ColorMap.Optimize();
  EXPECT_EQ(twice.Frame->ColorMap.IndexOf(clRed), 0) << "the earlier entry after optimisation";
}

// ---- Extensions

TEST(GifExtensions, ApplicationExtensions) {
  Bytes anim = GifBuilder().Header(2, 2, Grey4()).B;
  anim.insert(anim.end(), {0x21, 0xFF, 11});
  const char* id = "ANIMEXTS1.0";
  anim.insert(anim.end(), id, id + 11);
  anim.insert(anim.end(), {3, 1, 5, 0, 5, 2, 0x10, 0, 0, 0, 2, 7, 9, 0});  // loops 5, buffer 16, id 7 skipped
  const Bytes unknownData = {0x21, 0xFF, 11, 'X', 'Y', 'Z', 'W', 'A', 'R', 'E', '1', '2', '3', '4', 3, 9, 8, 7, 1, 6, 0};
  anim.insert(anim.end(), unknownData.begin(), unknownData.end());
  GifBuilder rest;
  rest.Image(0, 0, 2, 2, PlainRaster(2, {0, 1, 2, 3})).Trailer();
  anim.insert(anim.end(), rest.B.begin(), rest.B.end());

  auto a = LoadGif(anim);
  ASSERT_EQ(a->Image->Images.Count(), 1);
  TGIFSubImage* f = a->Image->Images[0];
  ASSERT_EQ(f->Extensions.Count(), 2);
  auto* loop = dynamic_cast<TGIFAppExtNSLoop*>(f->Extensions[0]);
  ASSERT_TRUE(loop);
  EXPECT_EQ(loop->Loops, 5);
  EXPECT_EQ(loop->BufferSize, 16u);
  EXPECT_EQ(loop->Identifier(), "ANIMEXTS1.0");
  auto* unknown = dynamic_cast<TGIFUnknownAppExtension*>(f->Extensions[1]);
  ASSERT_TRUE(unknown);
  const Bytes out = SaveGif(*a->Image);
  EXPECT_NE(std::search(out.begin(), out.end(), id, id + 11), out.end()) << "written back with its own identifier";
  EXPECT_NE(std::search(out.begin(), out.end(), unknownData.begin(), unknownData.end()), out.end())
      << "unknown application data written back byte for byte";

  // A looping sub-block too short for its id.
  Bytes bad = GifBuilder().Header(2, 2, Grey4()).B;
  bad.insert(bad.end(), {0x21, 0xFF, 11});
  bad.insert(bad.end(), "NETSCAPE2.0", "NETSCAPE2.0" + 11);
  bad.insert(bad.end(), {2, 1, 5, 0});
  bad.insert(bad.end(), rest.B.begin(), rest.B.end());
  try {
    LoadGif(bad);
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_EQ(Msg(e), "Invalid GIF data");
  }
}

TEST(GifExtensions, OversizedApplicationBlockAndUnknownLabelKeepTheFile) {
  // Application block size 14: read as an unknown application extension, the extra identifier
  // bytes passed over, its data kept.
  Bytes gif = GifBuilder().Header(2, 2, Grey4()).B;
  gif.insert(gif.end(), {0x21, 0xFF, 14});
  gif.insert(gif.end(), "ABCDEFGH123xyz", "ABCDEFGH123xyz" + 14);
  gif.insert(gif.end(), {2, 0xAA, 0xBB, 0});
  // Label 0x02 has no class: kept as raw data.
  gif.insert(gif.end(), {0x21, 0x02, 3, 1, 2, 3, 0});
  GifBuilder rest;
  rest.Image(0, 0, 2, 2, PlainRaster(2, {3, 2, 1, 0})).Trailer();
  gif.insert(gif.end(), rest.B.begin(), rest.B.end());
  auto a = LoadGif(gif);
  ASSERT_EQ(a->Image->Images.Count(), 1);
  TGIFSubImage* f = a->Image->Images[0];
  ASSERT_EQ(f->Extensions.Count(), 2);
  auto* app = dynamic_cast<TGIFUnknownAppExtension*>(f->Extensions[0]);
  ASSERT_TRUE(app);
  EXPECT_EQ(app->Identifier(), "ABCDEFGH123");
  ASSERT_EQ(app->Blocks.size(), 1u);
  EXPECT_EQ(app->Blocks[0].Data, (Bytes{0xAA, 0xBB}));
  auto* raw = dynamic_cast<TGIFUnknownExtension*>(f->Extensions[1]);
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->Label, 0x02);
  EXPECT_EQ(f->Data, (Bytes{3, 2, 1, 0}));
  const Bytes out = SaveGif(*a->Image);
  const Bytes rawBlock = {0x21, 0x02, 3, 1, 2, 3, 0};
  EXPECT_NE(std::search(out.begin(), out.end(), rawBlock.begin(), rawBlock.end()), out.end());
  auto again = LoadGif(out);
  EXPECT_EQ(again->Image->Images[0]->Data, (Bytes{3, 2, 1, 0}));
}

TEST(GifExtensions, CommentsTextAndGraphicControl) {
  TGIFImage image;
  image.Header.ColorMap.ImportPalette(MakePalette({clBlack, clWhite}));
  auto* f = new TGIFSubImage(&image);
  f->SetBounds(0, 0, 1, 1);
  auto* comment = new TGIFCommentExtension(f);
  comment->Text = {std::string(300, 'c'), "", "end"};
  f->Extensions.Add(comment);
  auto* text = new TGIFTextExtension(f);
  text->Left = 3, text->CellWidth = 8, text->Text = {"hello"};
  f->Extensions.Add(text);
  image.Add(f);
  auto a = LoadGif(SaveGif(image));
  TGIFSubImage* g = a->Image->Images[0];
  ASSERT_EQ(g->Extensions.Count(), 2);
  auto* c = dynamic_cast<TGIFCommentExtension*>(g->Extensions[0]);
  ASSERT_TRUE(c);
  EXPECT_EQ(c->Text, (TStrings{std::string(255, 'c'), std::string(45, 'c'), "end"}));
  auto* t = dynamic_cast<TGIFTextExtension*>(g->Extensions[1]);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->Left, 3);
  EXPECT_EQ(t->CellWidth, 8);
  EXPECT_EQ(t->Text, TStrings{"hello"});

  // Two graphic control blocks: the first is the frame's, either makes it transparent, both kept.
  Bytes two = GifBuilder().Header(2, 2, Grey4()).Gce(1, 7).Gce(2, 9, 3).Image(0, 0, 2, 2, PlainRaster(2, {0, 1, 2, 3}))
                  .Trailer().B;
  auto b = LoadGif(two);
  TGIFSubImage* h = b->Image->Images[0];
  EXPECT_EQ(h->Extensions.Count(), 2);
  ASSERT_TRUE(h->GraphicControlExtension);
  EXPECT_EQ(h->GraphicControlExtension->Delay(), 7);
  EXPECT_TRUE(h->Transparent);

  // A graphic control block cut short by the end of the file.
  Bytes cut = GifBuilder().Header(2, 2, Grey4()).Raw({0x21, 0xF9, 4, 1}).B;
  auto d = LoadGif(cut);
  EXPECT_EQ(d->Warnings, std::vector<std::string>{"Premature end of data"});
  ASSERT_EQ(d->Image->Images.Count(), 1);
  EXPECT_FALSE(d->Image->Images[0]->Transparent);
}

TEST(GifFrame, DescriptorEdgeCases) {
  // Width 0 takes the logical screen's size.
  auto a = LoadGif(GifBuilder().Header(2, 2, Grey4()).Image(0, 0, 0, 2, PlainRaster(2, {1, 2, 3, 0})).Trailer().B);
  TGIFSubImage* f = a->Image->Images[0];
  EXPECT_EQ(f->Width(), 2);
  EXPECT_EQ(f->Height(), 2);
  EXPECT_EQ(a->Warnings, std::vector<std::string>{"Image exceeds Logical Screen size"});

  // Extensions after the last image become a frame without an image.
  auto b = LoadGif(GifBuilder().Header(2, 2, Grey4()).Image(0, 0, 2, 2, PlainRaster(2, {1, 2, 3, 0})).Gce(0, 5).Trailer().B);
  ASSERT_EQ(b->Image->Images.Count(), 2);
  EXPECT_TRUE(b->Image->Images[1]->Empty());
  const Bytes out = SaveGif(*b->Image);
  auto c = LoadGif(out);
  ASSERT_EQ(c->Image->Images.Count(), 2);
  EXPECT_TRUE(c->Image->Images[1]->Empty());
  EXPECT_EQ(c->Image->Images[1]->Extensions.Count(), 1);

  // Sizes that would allocate beyond the supported maximum are refused with a message.
  auto big = GifBuilder().Header(65535, 65535, Grey4()).Image(0, 0, 65535, 65535, PlainRaster(2, {0})).Trailer().B;
  try {
    LoadGif(big);
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_EQ(Msg(e), "Frame size exceeds the supported maximum");
  }
}

}  // namespace
