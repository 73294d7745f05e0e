// Shape undo: the stack of undo kinds and the records each kind keeps. Every stack entry owns
// its record, so taking one entry back never drops or changes another.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cad/cad_types.h"
#include "cad/figure.h"

class TZQVCad;

// Undo kinds.
constexpr uint8_t ukAdd = 0;
constexpr uint8_t ukDelete = 1;
constexpr uint8_t ukMove = 2;
constexpr uint8_t ukScale = 3;
constexpr uint8_t ukRotate = 4;
constexpr uint8_t ukSwop = 5;
constexpr uint8_t ukMirror = 6;
constexpr uint8_t ukNone = 8;  // the empty marker

// The stack of undo kinds, newest last.
class TUndoTypeList {
public:
  void Add(uint8_t Kind) { Items.push_back(Kind); }
  void Clear() { Items.clear(); }
  int Count() const { return int(Items.size()); }
  uint8_t Get(int i) const { return i >= 0 && i < Count() ? Items[size_t(i)] : ukNone; }
  void Delete(int i) {
    if (i >= 0 && i < Count()) Items.erase(Items.begin() + i);
  }

private:
  std::vector<uint8_t> Items;
};

// A list of figure indexes.
class TIntegerList {
public:
  int Count() const { return int(Items.size()); }
  // -1 for an index at or beyond the count.
  int32_t Get(int i) const { return i >= 0 && i < Count() ? Items[size_t(i)] : -1; }
  void Add(int32_t v) { Items.push_back(v); }
  // Replaces entry i when it exists, else appends v.
  void SetOrAppend(int i, int32_t v) {
    if (i >= 0 && i < Count()) Items[size_t(i)] = v;
    else Items.push_back(v);
  }
  void Delete(int i) {
    if (i >= 0 && i < Count()) Items.erase(Items.begin() + i);
  }
  void Clear() { Items.clear(); }
  std::vector<int32_t> Items;
};

// The figures an operation changed, copied as they were before it: undo puts the copies back,
// so every field returns exactly (inverse transforms would round, and a rotation may have turned
// a figure into a multiline).
struct TFigureChangeRecord : TIntegerList {
  std::vector<std::unique_ptr<TRealFig>> Before;
};

struct TMoveIdxList : TFigureChangeRecord {
  double Dx = 0;
  double Dy = 0;
  int32_t NodeIndex = -1;
  uint8_t WholeFigure = 0;
};
struct TScaleIdxList : TFigureChangeRecord {
  double Fx = 1.0;
  double Fy = 1.0;
  TRealPoint Centre{};
};
struct TRotateIdxList : TFigureChangeRecord {
  long double Angle = 0;
  TRealPoint Centre{};
};
struct TMirrorIdxList : TFigureChangeRecord {
  TRealPoint Axis{};
  uint8_t Side = 0;
};
struct TSwopIdxs {
  int32_t NewIndex = -1;
  int32_t OldIndex = -1;
};
using TSwopIdxList = std::vector<TSwopIdxs>;
// One delete group: the deleted figures themselves and the list positions they had, highest
// position first.
struct TDeleteGroup {
  std::vector<int32_t> Indexes;
  std::vector<std::unique_ptr<TRealFig>> Figures;
};

class TUndo {
public:
  explicit TUndo(TZQVCad* Engine) : Engine(Engine) {}
  void Push(uint8_t Kind) {
    if (Kind != ukNone) Kinds.Add(Kind);
  }
  int Count() const { return Kinds.Count(); }
  uint8_t Last() const { return Kinds.Get(Kinds.Count() - 1); }
  uint8_t KindAt(int i) const { return Kinds.Get(i); }
  void RemoveAt(int i) { Kinds.Delete(i); }
  void Clear() { Kinds.Clear(); }
  // Takes back the newest entry.
  bool Undo();

  TUndoTypeList Kinds;
  TZQVCad* Engine = nullptr;
};
