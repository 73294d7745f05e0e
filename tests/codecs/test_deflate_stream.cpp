// Deflate stream classes: round trips checked against zlib itself, the restrictions on seeking
// and direction, and the end of the zlib stream with data after it.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "codecs/deflate_stream.h"

namespace {

std::vector<uint8_t> Sample(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(size);
  for (size_t i = 0; i < size; ++i) v[i] = i % 1000 < 500 ? uint8_t(i / 7) : uint8_t(rng());
  return v;
}

std::vector<uint8_t> Compress(const std::vector<uint8_t>& data, int level) {
  TMemoryStream out;
  {
    TZCompressionStream z(level, out);
    z.WriteBuffer(data.data(), int64_t(data.size()));
  }  // destroying the stream completes the data
  return out.Data;
}

std::vector<uint8_t> ZlibInflate(const std::vector<uint8_t>& packed, size_t size) {
  std::vector<uint8_t> out(size + 1);
  uLongf n = uLongf(out.size());
  EXPECT_EQ(uncompress(out.data(), &n, packed.data(), uLong(packed.size())), Z_OK);
  out.resize(n);
  return out;
}

std::string Message(const std::function<void()>& f) {
  try {
    f();
  } catch (const EZLibError& e) {
    return e.Message;
  }
  return "(no error)";
}

}  // namespace

TEST(DeflateStream, RoundTripsThroughZlibAtEveryLevel) {
  for (size_t size : {size_t(0), size_t(1), size_t(70000), size_t(300000)})
    for (int level = 0; level < 4; ++level) {
      SCOPED_TRACE(testing::Message() << size << " bytes, level " << level);
      const auto data = Sample(size, unsigned(size + level));
      const auto packed = Compress(data, level);
      EXPECT_EQ(ZlibInflate(packed, size), data);  // a complete zlib stream, also when empty
      TBytesStream src(packed.data(), packed.size());
      TZDecompressionStream z(src);
      std::vector<uint8_t> back(size + 10);
      EXPECT_EQ(z.Read(back.data(), int64_t(back.size())), int64_t(size));  // shorter count at the end
      back.resize(size);
      EXPECT_EQ(back, data);
    }
}

TEST(DeflateStream, CompressionSeekAndProgress) {
  TMemoryStream out;
  int events = 0;
  TZCompressionStream z(2, out);
  z.OnProgress = [&](TCustomZStream* sender) {
    EXPECT_EQ(sender, &z);
    ++events;
  };
  const auto data = Sample(400000, 9);  // more than one 65536-byte buffer of output
  z.WriteBuffer(data.data(), int64_t(data.size()));
  EXPECT_EQ(z.Position(), 400000);
  EXPECT_GT(events, 0);
  EXPECT_EQ(Message([&] { z.Seek(1, soCurrent); }), "Invalid ZStream operation!");
  EXPECT_EQ(Message([&] { z.Seek(0, soBeginning); }), "Invalid ZStream operation!");
  uint8_t b;
  EXPECT_EQ(Message([&] { z.Read(&b, 1); }), "Invalid ZStream operation!");
  EXPECT_THROW(z.Read(&b, 1), EZCompressionError);
  z.Finish();
  EXPECT_EQ(ZlibInflate(out.Data, data.size()), data);
}

TEST(DeflateStream, DecompressionSeeks) {
  const auto data = Sample(200000, 4);
  const auto packed = Compress(data, 2);
  TBytesStream src(packed.data(), packed.size());
  TZDecompressionStream z(src);
  std::vector<uint8_t> buf(1000);
  z.ReadBuffer(buf.data(), 1000);
  EXPECT_EQ(z.Seek(0, soCurrent), 1000);
  // Back to the start: the same first bytes again.
  EXPECT_EQ(z.Seek(0, soBeginning), 0);
  z.ReadBuffer(buf.data(), 1000);
  EXPECT_TRUE(std::equal(buf.begin(), buf.end(), data.begin()));
  // Forward from here, and forward to a place given from the start.
  EXPECT_EQ(z.Seek(10000, soCurrent), 11000);
  EXPECT_EQ(z.Seek(150123, soBeginning), 150123);
  z.ReadBuffer(buf.data(), 1000);
  EXPECT_TRUE(std::equal(buf.begin(), buf.end(), data.begin() + 150123));
  EXPECT_EQ(Message([&] { z.Seek(-1, soCurrent); }), "Invalid ZStream operation!");
  EXPECT_EQ(Message([&] { z.Seek(10, soBeginning); }), "Invalid ZStream operation!");
  EXPECT_EQ(Message([&] { z.Seek(0, soEnd); }), "Invalid ZStream operation!");
  EXPECT_EQ(Message([&] { z.Write(buf.data(), 1); }), "Invalid ZStream operation!");
  EXPECT_THROW(z.Write(buf.data(), 1), EZDecompressionError);
}

TEST(DeflateStream, StopsAtTheEndOfTheZlibStream) {
  const auto data = Sample(5000, 2);
  auto packed = Compress(data, 2);
  packed.insert(packed.end(), 100000, 0x55);  // whatever follows is not deflate data
  TBytesStream src(packed.data(), packed.size());
  TZDecompressionStream z(src);
  std::vector<uint8_t> back(20000);
  EXPECT_EQ(z.Read(back.data(), int64_t(back.size())), 5000);
  EXPECT_TRUE(z.StreamEnded());
  EXPECT_EQ(z.Read(back.data(), 10), 0);
}

TEST(DeflateStream, DamagedDataRaises) {
  auto packed = Compress(Sample(5000, 3), 2);
  packed[packed.size() / 2] ^= 0x5A;
  packed[packed.size() / 2 + 1] ^= 0xA5;
  TBytesStream src(packed.data(), packed.size());
  TZDecompressionStream z(src);
  std::vector<uint8_t> back(5000);
  EXPECT_THROW(z.Read(back.data(), 5000), EZDecompressionError);
  // A stream that asks for a preset dictionary cannot be read (and does not loop).
  const std::vector<uint8_t> needsDictionary = {0x78, 0xBB, 0, 0, 0, 1, 3, 0};
  TBytesStream src2(needsDictionary.data(), needsDictionary.size());
  TZDecompressionStream z2(src2);
  EXPECT_EQ(Message([&] { z2.Read(back.data(), 10); }), "need dictionary");
  EXPECT_EQ(ZLibErrorText(Z_DATA_ERROR), "data error");
  EXPECT_EQ(ZLibErrorText(Z_VERSION_ERROR), "incompatible version");
  EXPECT_EQ(CCheck(Z_STREAM_END), Z_STREAM_END);
  EXPECT_THROW(CCheck(Z_MEM_ERROR), EZCompressionError);
}

TEST(DeflateStream, SharedStreamPositionIsRestored) {
  // Another user moves the wrapped stream between our reads and writes.
  const auto data = Sample(300000, 6);
  TMemoryStream shared;
  {
    TZCompressionStream z(1, shared);
    z.WriteBuffer(data.data(), 150000);
    shared.SetPosition(0);
    z.WriteBuffer(data.data() + 150000, 150000);
  }
  EXPECT_EQ(ZlibInflate(shared.Data, data.size()), data);
  shared.SetPosition(0);
  TZDecompressionStream z(shared);
  std::vector<uint8_t> back(data.size());
  z.ReadBuffer(back.data(), 100000);
  shared.SetPosition(3);
  z.ReadBuffer(back.data() + 100000, 200000);
  EXPECT_EQ(back, data);
}
