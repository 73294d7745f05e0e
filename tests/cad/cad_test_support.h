// Shared fixtures of the CAD engine tests: a node count set for the test and a message recorder.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "cad/figure.h"
#include "platform/messages.h"
#include "platform/screen.h"
#include "platform/streams.h"

// Sets the process-wide node count and a 96 pixels-per-inch screen for one test and records the
// messages shown.
class CadTest : public ::testing::Test {
protected:
  void SetUp() override {
    savedNodeCount = NodeCount;
    NodeCount = 16;
    SetScreenPixelsPerInch(96);
    Recorder = std::make_unique<TMessageRecorderScope>();
  }
  void TearDown() override {
    Recorder.reset();
    SetScreenPixelsPerInch(0);
    NodeCount = savedNodeCount;
  }
  std::vector<std::string> Messages() const { return (*Recorder)->Texts(); }
  std::vector<TMessageCall> Calls() const { return (*Recorder)->Messages(); }
  std::unique_ptr<TMessageRecorderScope> Recorder;

private:
  int savedNodeCount = 16;
};

inline void SetXY(TRealFig& f, int i, double x, double y) { f.SetNodePoint(i, {x, y, 0}); }

#define EXPECT_NODE(fig, i, ex, ey)                              \
  do {                                                           \
    EXPECT_NEAR((fig).Point(i).x, (ex), 1e-9) << "node " << (i); \
    EXPECT_NEAR((fig).Point(i).y, (ey), 1e-9) << "node " << (i); \
  } while (0)

// Every field of a figure: its record, all its nodes and the values records do not carry.
inline std::vector<uint8_t> FigureFields(const TRealFig& f) {
  TMemoryStream m;
  f.SaveToStream(&m);
  for (const auto& n : f.Nodes)
    for (double v : {n.X, n.Y, n.Z, n.DefaultY}) m.WriteValue(v);
  m.WriteValue(f.DefaultY);
  m.WriteValue(f.PixelsPerInch);
  return m.Data;
}

// The record of a figure alone.
inline std::vector<uint8_t> FigureRecord(const TRealFig& f) {
  TMemoryStream m;
  f.SaveToStream(&m);
  return m.Data;
}
