// One page undo step for one shape command. A command opens a TShapeChange before it asks the CAD
// engine to change the figures; when the scope closes, whatever the engine recorded in between
// (one entry or several) becomes one page undo entry, and the document is marked modified. When
// the engine recorded nothing, the page records nothing and the document keeps its mark. Scopes
// may nest (a command calling another): only the outermost one records.
#pragma once

class QObject;
class TForm1;

class TShapeChange {
public:
  TShapeChange(TForm1& Form, QObject* Sender);
  ~TShapeChange();
  TShapeChange(const TShapeChange&) = delete;
  TShapeChange& operator=(const TShapeChange&) = delete;

  // Whether the engine has recorded anything since the scope opened.
  bool Changed() const;

private:
  TForm1& Form;
  QObject* Sender;
  int Depth;
  bool Outermost;
};
