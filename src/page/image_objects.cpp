#include "page/image_objects.h"

#include <algorithm>

const char* const ImageLimitMessage = "The Maximum ImageLimit is 100.\r You have reached this limit.";

namespace {
bool ValidSelection(const TImageObjectTables& t) {
  return t.Count >= 2 && t.Count <= MaxImageObjects && t.Selected >= 0 && t.Selected < t.Count;
}
}  // namespace

bool BringImageObjectToFront(TImageObjectTables t) {
  if (!ValidSelection(t) || t.Selected == t.Count - 1) return false;
  const int s = t.Selected, last = t.Count - 1;
  std::rotate(t.Recs.begin() + s, t.Recs.begin() + s + 1, t.Recs.begin() + last + 1);
  std::rotate(t.Controls.begin() + s, t.Controls.begin() + s + 1, t.Controls.begin() + last + 1);
  t.Selected = last;
  return true;
}

bool SendImageObjectToBack(TImageObjectTables t) {
  if (!ValidSelection(t) || t.Selected == 0) return false;
  const int s = t.Selected;
  std::rotate(t.Recs.begin(), t.Recs.begin() + s, t.Recs.begin() + s + 1);
  std::rotate(t.Controls.begin(), t.Controls.begin() + s, t.Controls.begin() + s + 1);
  t.Selected = 0;
  return true;
}

std::string RemoveImageObjectEntry(TImageObjectTables t, int Index) {
  if (Index < 0 || Index >= t.Count || t.Count > MaxImageObjects) return {};
  std::string name = t.Recs[size_t(Index)].Name();
  for (int i = Index; i + 1 < t.Count; ++i) {
    t.Recs[size_t(i)] = t.Recs[size_t(i) + 1];
    t.Controls[size_t(i)] = t.Controls[size_t(i) + 1];
  }
  --t.Count;
  t.Recs[size_t(t.Count)] = TImageObjectRec{};
  t.Controls[size_t(t.Count)] = nullptr;
  if (t.Selected > t.Count - 1) t.Selected = std::max(0, t.Count - 1);
  return name;
}

void FileBaseName(const std::string& FileName, std::string& Base) {
  if (FileName.empty()) return;
  const size_t slash = FileName.find_last_of("/\\");
  std::string name = slash == std::string::npos ? FileName : FileName.substr(slash + 1);
  const size_t dot = name.rfind('.');
  Base = dot == std::string::npos ? name : name.substr(0, dot);
}
