// Shared fixtures of the CAD engine tests: a node count set for the test and a message recorder.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cad/cad_messages.h"
#include "cad/figure.h"

// Sets the process-wide node count for one test and records the engine's messages.
class CadTest : public ::testing::Test {
protected:
  void SetUp() override {
    savedNodeCount = NodeCount;
    NodeCount = 16;
    SetCadMessageHandler([this](TCadMessageKind, const std::string& text, int help) {
      Messages.push_back(text);
      HelpContexts.push_back(help);
    });
  }
  void TearDown() override {
    NodeCount = savedNodeCount;
    SetCadMessageHandler(nullptr);
  }
  std::vector<std::string> Messages;
  std::vector<int> HelpContexts;

private:
  int savedNodeCount = 16;
};

inline void SetXY(TRealFig& f, int i, double x, double y) { f.SetNodePoint(i, {x, y, 0}); }

#define EXPECT_NODE(fig, i, ex, ey)                 \
  do {                                              \
    EXPECT_NEAR((fig).Point(i).x, (ex), 1e-9) << "node " << (i); \
    EXPECT_NEAR((fig).Point(i).y, (ey), 1e-9) << "node " << (i); \
  } while (0)
