// The progressive JPEG writer behind TJPEGImage: libjpeg's compressor runs its single-pass front end
// (colour conversion, downsampling, DCT and quantisation) and hands each MCU of quantised
// coefficients to this writer instead of its Huffman coder. The writer codes them as a progressive
// file by spectral selection (the DC coefficients of every component in one scan, then coefficients
// 1 to 63 of each component in a scan of its own), with Huffman tables made for each scan. The
// coefficients are libjpeg's, so the file decodes to exactly the pixels of libjpeg's own baseline
// or progressive file at the same settings.
#pragma once

#include <cstdint>
#include <vector>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

class TProgressiveJpegWriter {
public:
  // Whether the writer can code what cinfo has been set up for (after jpeg_set_defaults and the
  // colour space and quality): 8-bit samples, YCbCr with three components or grey with one, no
  // arithmetic coding, no restart markers, no scan script of its own.
  static bool Handles(const jpeg_compress_struct& cinfo);

  // Call after jpeg_start_compress (baseline settings): takes over libjpeg's Huffman coder, so
  // that jpeg_write_scanlines delivers the coefficients here. cinfo->client_data is set to this.
  void Attach(j_compress_ptr cinfo);
  // Call after jpeg_finish_compress (cinfo may be gone): the whole file. False when memory ran out
  // on the way.
  bool Finish(std::vector<uint8_t>& out);

private:
  struct TComponent {
    int Id = 0, H = 1, V = 1, QuantTable = 0, DcTable = 0, AcTable = 0;
    int WidthInBlocks = 0, HeightInBlocks = 0;
    int McuWidth = 1, McuHeight = 1;  // blocks of this component in one MCU
    int LastDc = 0;
    int EobRun = 0;
    std::vector<JCOEF> Row;         // one MCU row of blocks: McuHeight rows of McusPerRow * McuWidth
    std::vector<uint32_t> AcCodes;  // the scan of coefficients 1..63, coded as symbols
    uint32_t AcFreq[257] = {};
  };

  static boolean EncodeMcu(j_compress_ptr cinfo, JBLOCKROW* blocks);
  void AddMcu(JBLOCKROW* blocks);
  void CodeRowAc(TComponent& c, int mcuRow);
  void FlushEobRun(TComponent& c);

  int Count = 0;  // components
  unsigned Width = 0, Height = 0;
  unsigned JfifMajor = 1, JfifMinor = 1, DensityUnit = 0, XDensity = 1, YDensity = 1;
  uint16_t Quant[NUM_QUANT_TBLS][DCTSIZE2] = {};  // natural order
  TComponent Comp[3];
  int McusPerRow = 0, McuRows = 0;
  int BlocksInMcu = 0;
  int McuMembership[10] = {};
  int McuIndex = 0;
  std::vector<uint32_t> DcCodes;  // the DC scan
  uint32_t DcFreq[2][257] = {};
  bool OutOfMemory = false;
};
