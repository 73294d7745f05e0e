// Properties over every kind and several node counts: inverse transforms give back every node,
// and no operation touches anything outside the node array.
#include <gtest/gtest.h>

#include <numbers>
#include <random>

#include "cad/figure_transforms.h"
#include "cad/mapping.h"
#include "cad/node_layout.h"
#include "cad/point_operations.h"
#include "cad_test_support.h"

namespace {
constexpr long double kPi = std::numbers::pi_v<long double>;

class FigureProperties : public CadTest {
protected:
  // A figure of the kind with defining nodes from the generator and its dependent nodes laid out.
  std::unique_ptr<TRealFig> Build(int kind, std::mt19937& rng) {
    std::uniform_real_distribution<double> coord(-5, 5);
    auto f = std::make_unique<TRealFig>(nullptr);
    f->Kind = uint8_t(kind);
    f->LineDivisions = 1 + int(rng() % unsigned(MaxLineDivisions()));
    f->PolygonSides = 3 + int(rng() % unsigned(MaxPolygonSides() - 2));
    const int defining = MultiNodeKinds.Has(kind) ? std::min(NodeCount, 13) : 4;
    for (int i = 0; i < defining; ++i) SetXY(*f, i, coord(rng), coord(rng));
    if (MultiNodeKinds.Has(kind)) f->NodeCountUsed = defining;
    if (ClickBuiltKinds.Has(kind) && !MultiNodeKinds.Has(kind)) f->NodeCountUsed = 3;
    UpdateFigurePoints(*f);
    return f;
  }

  static void ExpectSameNodes(const TRealFig& a, const TRealFig& b, const std::string& what) {
    ASSERT_EQ(a.Nodes.size(), b.Nodes.size()) << what;
    EXPECT_EQ(a.Kind, b.Kind) << what;
    for (size_t i = 0; i < a.Nodes.size(); ++i) {
      EXPECT_NEAR(a.Nodes[i].X, b.Nodes[i].X, 1e-9) << what << " kind " << int(a.Kind) << " node " << i;
      EXPECT_NEAR(a.Nodes[i].Y, b.Nodes[i].Y, 1e-9) << what << " kind " << int(a.Kind) << " node " << i;
    }
  }

  static void Regenerate(TRealFig& f) {
    if (RegeneratedKinds.Has(f.Kind)) UpdateFigurePoints(f);
  }
};
}  // namespace

TEST_F(FigureProperties, InverseTransformsGiveBackEveryNode) {
  std::mt19937 rng(20261210);
  for (int nodeCount : {16, 40, 123}) {
    NodeCount = nodeCount;
    for (int kind = 0; kind <= 55; ++kind) {
      for (int trial = 0; trial < 3; ++trial) {
        auto original = Build(kind, rng);
        const TRealPoint centre{double(rng() % 7) - 3.0, double(rng() % 5) - 2.0};

        for (long double a : {0.3L, kPi, 4.0L, -2.5L}) {
          TRealFig f(nullptr);
          f.Assign(*original);
          RotateFigureByKind(centre, f, a);
          Regenerate(f);
          RotateFigureByKind(centre, f, -a);
          Regenerate(f);
          ExpectSameNodes(f, *original, "rotate " + std::to_string(double(a)));
          EXPECT_EQ(f.Wave.Rotation, original->Wave.Rotation);
        }

        for (uint8_t side = 0; side < 4; ++side) {
          TRealFig once(nullptr), twice(nullptr);
          once.Assign(*original);
          MirrorFigurePoints(*original, once, side, centre);
          twice.Assign(once);
          MirrorFigurePoints(once, twice, side, centre);
          ExpectSameNodes(twice, *original, "mirror " + std::to_string(side));
        }

        for (double factor : {2.0, 0.37, -1.5}) {
          TRealFig f(nullptr);
          f.Assign(*original);
          ScaleFigureNodes(f, centre, factor, factor);
          Regenerate(f);
          ScaleFigureNodes(f, centre, 1 / factor, 1 / factor);
          Regenerate(f);
          ExpectSameNodes(f, *original, "scale " + std::to_string(factor));
        }
      }
    }
  }
}

// Every operation on figures whose counts lie outside what the node array holds (as a figure
// copied or loaded without the setters' clamping can have them) keeps to the array.
TEST_F(FigureProperties, NoOperationLeavesTheNodeArray) {
  TMappingRec map{};
  map.WorldRight = 10;
  map.WorldTop = 10;
  map.PixRight = 100;
  map.PixBottom = 100;
  map.SnapStep = 0.1;
  std::mt19937 rng(7);
  for (int nodeCount : {16, 17, 64, 123}) {
    NodeCount = nodeCount;
    for (int kind = 0; kind <= 55; ++kind) {
      for (int counts : {-7, 0, 1, 2, 3, nodeCount - 4, nodeCount - 3, nodeCount - 2, nodeCount, 1000}) {
        auto f = Build(kind, rng);
        f->LineDivisions = counts;
        f->PolygonSides = counts;
        f->NodeCountUsed = counts;
        f->GridCellsX = counts > 0 ? counts : 1;
        f->GridCellsY = 3;
        f->Nodes.shrink_to_fit();
        const size_t size = f->Nodes.size();
        const std::string what = "kind " + std::to_string(kind) + " counts " + std::to_string(counts);

        ASSERT_NO_THROW(UpdateFigurePoints(*f)) << what;
        if (DivisionNodeKinds.Has(kind)) {
          EXPECT_LE(f->LineDivisions, nodeCount - 3) << what;
        }
        if (kind == 24 || kind == 25) {
          EXPECT_LE(f->PolygonSides, nodeCount - 3) << what;
        }
        const int last = LastPointIndex(*f);
        EXPECT_LT(last, int(size)) << what;
        ASSERT_NO_THROW(MoveFigure(map, *f, 0.25, -0.5)) << what;
        TRealFig dest(nullptr);
        for (int index = -1; index <= last + 1; ++index) {
          dest.Assign(*f);
          for (TShiftState shift : {ssLeft, ssRight})
            ASSERT_NO_THROW(DragFigurePoint(map, *f, dest, shift, index, 1, 2, 0.5, 0.5)) << what << " " << index;
        }
        for (long double a : {1.0L, -4.0L}) ASSERT_NO_THROW(RotateFigureByKind({1, 1}, *f, a)) << what;
        ASSERT_NO_THROW(MirrorFigurePoints(*f, dest, 1, {0, 0})) << what;
        ASSERT_NO_THROW(ScaleFigureNodes(*f, {0, 0}, 2, 3)) << what;
        TRect r;
        ASSERT_NO_THROW(FigureInRect(map, *f, {0, 0, 100, 100})) << what;
        ASSERT_NO_THROW(FigureScreenRect(map, *f, r)) << what;
        double x, y;
        int col, row;
        ASSERT_NO_THROW(FindGridNode(map, {0, 0, 5, 5}, x, y, col, row, *f)) << what;
        for (int index : {-1, 0, counts - 1, counts, int(size) - 4, int(size) - 3, int(size) - 1, int(size)}) {
          int i = index;
          ASSERT_NO_THROW(f->AddNode(i)) << what;
          i = index;
          ASSERT_NO_THROW(f->DeleteNode(i)) << what;
        }
        for (int click = 0; click < nodeCount + 3; ++click)
          ASSERT_NO_THROW(AddClickedPoint(*f, mbLeft, click, click)) << what;
        TRealFig converted(nullptr);
        converted.Assign(*f);
        ASSERT_NO_THROW(ConvertToMultiline(converted)) << what;
        ASSERT_NO_THROW(SpaceControlPoints(f->Nodes, counts)) << what;
        EXPECT_EQ(f->Nodes.size(), size) << what;
      }
    }
  }
}
