// What the image-object chooser and the image-files window ask of the main window.
//
// Contract
// - The image objects (their records and controls) and their selection with the resize frame
//   belong to the main window's page; the windows here only step through them by index and
//   read the page's option for flicker reduction.
// - The main window implements this and gives it to the chooser when it makes it; tests give a
//   fake.
#pragma once

class TImageObjectHost {
public:
  virtual ~TImageObjectHost() = default;
  // The number of image objects on the page.
  virtual int ImageObjectCount() = 0;
  // Selects object Index (it becomes the selected object and gets the resize frame).
  virtual void SelectImageObject(int Index) = 0;
  // Takes the resize frame off the selected object.
  virtual void DeselectImageObject() = 0;
  // Switches the resize frame, when there is one, to dynamic resizing.
  virtual void SetFrameDynamicResize(bool On) = 0;
  // Paints the resize frame again, when there is one.
  virtual void RepaintFrame() = 0;
};
