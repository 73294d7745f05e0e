// What the application settings read and write of the main window. The window implements it; the
// settings code never sees the window class.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win_types.h"

class TSettingsHost {
public:
  virtual ~TSettingsHost() = default;
  // The window's hint switch.
  virtual bool ShowHints() = 0;
  virtual void SetShowHints(bool On) = 0;
  // The scroll bars of the page's scroll box.
  virtual bool ScrollBarVisible(bool Horizontal) = 0;
  virtual void SetScrollBarVisible(bool Horizontal, bool Visible) = 0;
  // Options > Always Refresh.
  virtual bool AlwaysRefresh() = 0;
  virtual void SetAlwaysRefresh(bool On) = 0;
  // The captions of the Reopen items (Index 0 to 7).
  virtual void SetRecentFileCaption(int Index, const std::string& Caption) = 0;
  // The page background colour (the global and the drawing engine's).
  virtual void SetBackgroundColor(TColor Color) = 0;
  // Format > Set Custom Fonts is enabled.
  virtual bool SpecialFontsEnabled() = 0;
  virtual int DimensionFontSize() = 0;
  virtual void SetDimensionFontSize(int Size) = 0;
  // The On item of the Want Dimensions menu, and whether that menu is enabled.
  virtual bool DimensionsOnChecked() = 0;
  virtual bool WantDimensionEnabled() = 0;
  virtual bool DimensionTrackingChecked() = 0;
  virtual void SetDimensionTrackingChecked(bool On) = 0;
  virtual void SetDimensionTrackingEnabled(bool On) = 0;
  // "Allow Dimensions" and "Allow Dimension Tracking" of the permissions dialog.
  virtual bool AllowDimensions() = 0;
  virtual bool AllowDimensionTracking() = 0;
  virtual bool CanHaveLength() = 0;
  virtual bool CanHaveAngle() = 0;
  virtual void SetShowSnapMessage(bool On) = 0;
  virtual uint8_t CustomSet() = 0;
  virtual void SetCustomSet(uint8_t Set) = 0;
  // Checks the item at Index of the Custom Sets menu (radio items).
  virtual void CheckCustomSetsItem(int Index) = 0;
  // The drawing engine's current figure measures in centimetres.
  virtual bool MetricUnits() = 0;
};
