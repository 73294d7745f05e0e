#include "app/shape_change.h"

#include "app/main_window.h"
#include "cad/engine.h"

namespace {
int OpenScopes = 0;
}

TShapeChange::TShapeChange(TForm1& Form, QObject* Sender)
    : Form(Form), Sender(Sender), Depth(Figures ? Figures->UndoDepth() : 0), Outermost(OpenScopes == 0) {
  ++OpenScopes;
}

TShapeChange::~TShapeChange() {
  --OpenScopes;
  if (!Outermost || !Figures) return;
  const int now = Figures->UndoDepth();
  if (now == Depth) return;
  if (now > Depth) Form.PushShapeUndo(Sender, Depth);
  Form.SetDocumentModified();
}

bool TShapeChange::Changed() const { return Figures && Figures->UndoDepth() != Depth; }
