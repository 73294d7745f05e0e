// The rows of the command table, menu by menu: File, Edit, Options, Format, Settings, Zoom and
// Undo, Custom Sets, Tools and Help, the pop-up menus, the drawing tool's menus, the image
// object's menu, and the tool buttons.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>

#include "app/command_table.h"
#include "app/main_window.h"
#include "cad/engine.h"
#include "cad/figure.h"
#include "dialogs/page_setup_dialog.h"
#include "helpers/speed_button.h"
#include "platform/keys.h"

namespace {
using THandler = std::function<void(TForm1&, QObject*)>;

// A handler of the window (or of its text page) taking the sender.
template <class C, class R>
THandler On(R (C::*Method)(QObject*)) {
  return [Method](TForm1& f, QObject* s) { (f.*Method)(s); };
}
// The item's place in its group, kept by the menu's building code.
int Pos(QObject* s) { return s ? s->property("Position").toInt() : 0; }
QAction* ItemOf(QObject* s) { return qobject_cast<QAction*>(s); }
QMenu* GroupOf(QObject* s) { return s ? qobject_cast<QMenu*>(s->property("Group").value<QObject*>()) : nullptr; }

bool SelectionRectValid() { return SelectionRect.Right > SelectionRect.Left && SelectionRect.Bottom > SelectionRect.Top; }
bool ShapesSelected() { return Figures && Figures->HasSelection(); }
// Figures to work on: the engine holds figures, the rubber band is valid and figures are selected.
bool ShapeOps() { return Figures && Figures->Count() > 0 && SelectionRectValid() && ShapesSelected(); }
bool ShapesOnClipboard() {
  if (!Figures) return false;
  const QMimeData* d = QApplication::clipboard()->mimeData();
  const QString mime =
      QString("application/x-qt-windows-mime;value=\"%1\"").arg(QString::fromStdString(Figures->GetClipboardFormat().Name));
  return d && d->hasFormat(mime);
}
bool ClipboardBitmap() {
  const QMimeData* d = QApplication::clipboard()->mimeData();
  return d && d->hasImage();
}

const QList<QKeySequence> CopyKeys = {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)};
const QList<QKeySequence> CutKeys = {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)};
const QList<QKeySequence> PasteKeys = {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)};

const char* const kNewPage = "a new page starts with an empty undo";
const char* const kUndoItself = "it is the undo";
const char* const kRemoveShapes = "Remove Selected Shapes keeps no undo of the figures (Delete Selected Shapes does)";
}  // namespace

void TCommandTable::AddRows() {
  AddFileRows();
  AddEditRows();
  AddOptionRows();
  AddFormatRows();
  AddSettingsRows();
  AddZoomAndUndoRows();
  AddToolsAndHelpRows();
  AddPopupRows();
  AddShapeToolRows();
  AddImageRows();
  AddButtonRows();
}

void TCommandTable::AddFileRows() {
  Add({.Name = "New1", .Handler = On(&TForm1::_NewWorkSpaceClick), .Changes = ccPage, .NoUndo = kNewPage});
  Add({.Name = "_Open", .Handler = On(&TForm1::_OpenClick), .Changes = ccPage,
       .NoUndo = "an opened document replaces the page and its undo"});
  Add({.Name = "_Save", .Handler = On(&TForm1::_SaveClick)});
  Add({.Name = "_SaveAs", .Handler = On(&TForm1::_SaveClick)});
  Add({.Name = "Close1", .Handler = On(&TForm1::Close1Click), .Changes = ccPage, .NoUndo = "the page is closed with its undo"});
  Add({.Name = "FirstFileClick", .Handler = On(&TForm1::FirstFileClick), .Changes = ccPage,
       .NoUndo = "an opened document replaces the page and its undo", .Family = true});
  Add({.Name = "SaveAllAsbmp1", .Handler = On(&TForm1::Monochrome1Click)});
  for (const char* name : {"gifjpgemf2", "FullColorBitmap2", "N16ColorBitmap2", "N256ColorBitmap2", "Netscape4",
                           "N256ColorGreyScale2", "gifjpgemf1", "FullColorBitmap1", "N16ColorBitmap1",
                           "N256ColorBitmap1", "Netscape3", "N256ColorGreyScale1"})
    Add({.Name = name, .Handler = On(&TForm1::FullColor2Click)});
  Add({.Name = "zqs1", .Handler = On(&TForm1::zqs1Click)});
  Add({.Name = "Savezqsshapes1", .Handler = On(&TForm1::zqs1Click)});
  Add({.Name = "LoadShapes1", .Handler = On(&TForm1::LoadShapes1Click), .Changes = ccShapes});
  Add({.Name = "ClearShapes1", .Handler = On(&TForm1::ClearShapes1Click), .Changes = ccShapes,
       .NoUndo = "the figures go to the shapes backup file, their undo with them"});
  Add({.Name = "Print1", .Handler = On(&TForm1::Print1Click)});
  Add({.Name = "PrintPreview1", .Handler = On(&TForm1::Print1Click)});
  Add({.Name = "SetupPrinter1", .Handler = On(&TForm1::SetupPrinter1Click)});
  Add({.Name = "Exit1", .Handler = [](TForm1& f, QObject*) { f.Exit1Click(); }});
  Add({.Name = "Information1", .Handler = On(&TForm1::Information1Click), .Menu = "_File", .Caption = "&Information"});
  // File > Drawing Defaults.
  for (const char* name : {"Save1", "Save2"}) Add({.Name = name, .Handler = On(&TForm1::Save1Click), .Changes = ccSettings});
  for (const char* name : {"Load1", "Load2"}) Add({.Name = name, .Handler = On(&TForm1::Program1Click), .Changes = ccSettings});
}

void TCommandTable::AddEditRows() {
  Add({.Name = "Undo_", .Handler = [](TForm1& f, QObject*) { f.tbUndo->click(); }, .Changes = ccPage, .NoUndo = kUndoItself});
  Add({.Name = "Cut1", .Handler = On(&TForm1::CutSelectedText1Click), .Changes = ccText, .Keys = CutKeys,
       .Enabled = [](TForm1& f) { return f.HasTextSelection(); }});
  Add({.Name = "Copy2", .Handler = On(&TForm1::tbCopyClick), .Keys = CopyKeys,
       .Enabled = [](TForm1& f) { return f.HasTextSelection() || (SelectionRectShown && SelectionRectValid()); }});
  Add({.Name = "Paste1", .Handler = On(&TForm1::PasteSelectedText1Click), .Changes = ccPage, .Keys = PasteKeys,
       .Enabled = [](TForm1&) { return ClipboardHasPasteFormat(); }});
  Add({.Name = "PasteSpecial1", .Handler = On(&TForm1::PasteSpecial1Click)});
  Add({.Name = "PasteImageatCaret1", .Handler = On(&TForm1::PastePictureClick), .Changes = ccPastes | ccImageObjects,
       .Keys = {QKeySequence("Ctrl+G")}});
  Add({.Name = "PasteinSelection1", .Handler = On(&TForm1::PastePictureClick), .Changes = ccPastes,
       .Menu = "_Edit", .Caption = "&Paste in Selection"});
  Add({.Name = "SelectAll1", .Handler = On(&TForm1::SelectAll1Click)});
  Add({.Name = "DeleteText1", .Handler = On(&TForm1::DeleteText1Click), .Changes = ccText});
  Add({.Name = "MacroImages1", .Handler = On(&TForm1::MacroImages1Click), .Menu = "_Edit", .Caption = "Macro &Images"});
  Add({.Name = "PasteMacro1", .Handler = On(&TForm1::PasteMacro1Click), .Changes = ccText});
  Add({.Name = "ObjectEditor1", .Handler = On(&TForm1::ObjectEditor1Click), .Changes = ccPictures | ccPastes | ccImageObjects});
  Add({.Name = "PasteCutFiguresatCaret1", .Handler = On(&TForm1::PasteCutFiguresatCaret1Click), .Changes = ccShapes,
       .Enabled = [](TForm1&) { return ShapesOnClipboard(); }});
  Add({.Name = "PasteSelectedFigures1", .Handler = On(&TForm1::PasteSelectedFigures1Click), .Changes = ccShapes,
       .Enabled = [](TForm1&) { return ShapesOnClipboard(); }});
  // Edit > Images.
  Add({.Name = "ConverttoImageObject2", .Handler = On(&TForm1::ConverttoImageObject1Click), .Changes = ccPage,
       .Enabled = [](TForm1&) { return SelectionRectValid() || ShapeOps(); }});
  Add({.Name = "SelectImageObject1", .Handler = On(&TForm1::SelectImageObjectClick)});
  Add({.Name = "Loadbmpjpgemf1", .Handler = On(&TForm1::LoadPictureClick), .Changes = ccPictures});
  // Edit > Shapes.
  Add({.Name = "CopySelectedFigures2", .Handler = On(&TForm1::CopySelectedFigures1Click)});
  Add({.Name = "PasteShapes1", .Handler = On(&TForm1::PasteSelectedFigures1Click), .Changes = ccShapes,
       .Enabled = [](TForm1&) { return ShapesOnClipboard(); }});
  Add({.Name = "PasteCutFiguresAtCaret2", .Handler = On(&TForm1::PasteCutFiguresatCaret1Click), .Changes = ccShapes,
       .Enabled = [](TForm1&) { return ShapesOnClipboard(); }});
  Add({.Name = "DeleteLastSelectedShape1", .Handler = On(&TForm1::DeleteLastSelectedItem1Click), .Changes = ccShapes});
  Add({.Name = "DeleteSelectedShapes2", .Handler = On(&TForm1::DeleteSelectedShapes1Click), .Changes = ccShapes});
  Add({.Name = "RemoveSelectedShapes2", .Handler = On(&TForm1::DeleteSelectedShapes1Click), .Changes = ccShapes,
       .NoUndo = kRemoveShapes});
  Add({.Name = "BringLastShapetoFront1", .Handler = On(&TForm1::BringLastShapetoFront1Click), .Changes = ccShapes});
  Add({.Name = "SendLastShapetoBack1", .Handler = On(&TForm1::SendLastShapetoBack1Click), .Changes = ccShapes});
  Add({.Name = "AddNode1", .Handler = On(&TForm1::AddNode1Click), .Changes = ccShapes});
  Add({.Name = "DeleteNode1", .Handler = On(&TForm1::DeleteNode1Click), .Changes = ccShapes});
  Add({.Name = "Transforms3", .Handler = On(&TForm1::TransformShapesClick)});
  Add({.Name = "ConverttoMultiline2", .Handler = On(&TForm1::ConverttoMultiline1Click), .Changes = ccShapes});
}

void TCommandTable::AddOptionRows() {
  // Ticks whose state other commands read: the item's own toggle is the whole command.
  const THandler tick = [](TForm1&, QObject*) {};
  Add({.Name = "InPixels1", .Handler = tick, .Changes = ccSettings});
  Add({.Name = "BeepTicks1", .Handler = tick, .Changes = ccSettings});
  Add({.Name = "ReduceFlicker1", .Handler = tick, .Changes = ccSettings});
  Add({.Name = "DisableImageSelection1", .Handler = On(&TForm1::DisableImageSelection1Click), .Changes = ccSettings});
  Add({.Name = "AlwaysRefresh1", .Handler = On(&TForm1::AlwaysRefresh1Click), .Changes = ccSettings});
  Add({.Name = "TransparentImages1", .Handler = On(&TForm1::TransparentImages1Click), .Changes = ccSettings});
  Add({.Name = "_SetCopyMetafileDefault", .Handler = [](TForm1& f, QObject*) { f._SetCopyMetafileDefaultClick(); },
       .Changes = ccSettings});
  Add({.Name = "ToggleOnOff1", .Handler = On(&TForm1::ToggleOnOff1Click), .Changes = ccSettings,
       .Keys = {QKeySequence(Qt::CTRL | Qt::Key_L)}});
  for (const char* name : {"LargeSnapArea1", "SmallSnapArea1"})
    Add({.Name = name, .Handler = On(&TForm1::ToggleOnOff1Click), .Changes = ccSettings});
  for (const char* name : {"DimensionTracking1", "AutoBringtoFront1", "NonFilledShapesOnly1", "AutoRefreshShapes1",
                           "WantTicks1", "IncDelandBackinUndo1"})
    Add({.Name = name, .Handler = On(&TForm1::WantTicks1Click), .Changes = ccSettings});
  Add({.Name = "ScanGrids1", .Handler = On(&TForm1::ScanGrids1Click), .Changes = ccSettings});
  Add({.Name = "DrawGridsDynamically1", .Handler = On(&TForm1::DrawGridsDynamically1Click), .Changes = ccSettings});
  Add({.Name = "SnaptoPixel1", .Handler = On(&TForm1::SnaptoPixel1Click), .Changes = ccSettings});
  Add({.Name = "SameColorDivider1", .Handler = On(&TForm1::SameColorDivider1Click), .Changes = ccSettings});
  Add({.Name = "StatusBarEnabled1",
       .Handler = [](TForm1& f, QObject*) { f.StatusBar1->setEnabled(f.StatusBarEnabled1->isChecked()); },
       .Changes = ccSettings});
  Add({.Name = "ToggleHints1", .Handler = [](TForm1& f, QObject*) { f.ToggleHints1Click(); }, .Changes = ccSettings});
  Add({.Name = "Showpalettehints1",
       .Handler = [](TForm1& f, QObject*) { f.SetPaletteHints(f.Showpalettehints1->isChecked()); }, .Changes = ccSettings});
  Add({.Name = "_HorzScrollBars", .Handler = [](TForm1& f, QObject*) { f._HorzScrollBarsClick(); }, .Changes = ccSettings});
  Add({.Name = "_VerticalScrollBars", .Handler = [](TForm1& f, QObject*) { f._VerticalScrollBarsClick(); },
       .Changes = ccSettings});
  for (const char* name : {"N11", "N21", "N41", "N81", "N101"})
    Add({.Name = name, .Handler = [](TForm1& f, QObject* s) { f.N101Click(ItemOf(s)); }, .Changes = ccSettings});
  // Options > Drawing Defaults: which user file New reads.
  for (const char* name : {"User3", "Program2"})
    Add({.Name = name,
         .Handler =
             [](TForm1& f, QObject* s) {
               f.User3->setChecked(s == f.User3);
               f.Program2->setChecked(s == f.Program2);
             },
         .Changes = ccSettings});
  // Want dimensions, opaque dimensions, outline fonts: the template and the selected figures.
  for (const char* name : {"On1", "Off1", "On2", "Off2"})
    Add({.Name = name, .Handler = [](TForm1& f, QObject* s) { f.Off1Click(ItemOf(s)); }, .Changes = ccShapes | ccSettings});
  for (const char* name : {"On3", "Off3"})
    Add({.Name = name, .Handler = [](TForm1& f, QObject* s) { f.On3Click(ItemOf(s)); }, .Changes = ccShapes | ccSettings});
  for (const char* name : {"On5", "Off5"})
    Add({.Name = name, .Handler = [](TForm1& f, QObject* s) { f.On5Click(ItemOf(s)); }, .Changes = ccShapes | ccSettings});
}

void TCommandTable::AddFormatRows() {
  for (const char* name : {"Bold1", "Bold"}) Add({.Name = name, .Handler = On(&TTextPage::BoldClick), .Changes = ccText});
  for (const char* name : {"Italic1", "_Italics"})
    Add({.Name = name, .Handler = On(&TTextPage::_ItalicsClick), .Changes = ccText});
  for (const char* name : {"Underline1", "Underline2"})
    Add({.Name = name, .Handler = On(&TTextPage::Underline2Click), .Changes = ccText});
  for (const char* name : {"Strikeout1", "Strikeout2"})
    Add({.Name = name, .Handler = On(&TTextPage::Strikeout2Click), .Changes = ccText});
  Add({.Name = "Superscripts1", .Handler = On(&TTextPage::_SuperScriptClick), .Changes = ccText});
  Add({.Name = "Subscripts1", .Handler = On(&TTextPage::_SubscriptsClick), .Changes = ccText});
  Add({.Name = "MidScripts1", .Handler = On(&TTextPage::_MidScriptClick), .Changes = ccText});
  for (const char* name : {"Normal1", "Normal2"}) Add({.Name = name, .Handler = On(&TTextPage::Normal1Click), .Changes = ccText});
  for (const char* name : {"BringToFront1", "SwopTextZOrder1"})
    Add({.Name = name, .Handler = On(&TTextPage::BringToFront1Click), .Changes = ccText});
  for (const char* name : {"ChangeSelectedTextAttributes1", "ChangeSelectedTextAttributes3"})
    Add({.Name = name, .Handler = On(&TTextPage::ChangeSelectedTextAttributes1Click), .Changes = ccText});
  const char* indents[] = {"Bullet1", "Tab1", "DoubleArrow1", "Space1", "NumberedList1"};
  for (int k = 0; k < 5; ++k)
    Add({.Name = indents[k], .Handler = [k](TForm1& f, QObject* s) { f.Tab1Click(s, k); }, .Changes = ccText});
  const char* trims[] = {"Left1", "Right1", "Both1"};
  for (int k = 0; k < 3; ++k)
    Add({.Name = trims[k], .Handler = [k](TForm1& f, QObject* s) { f.Right1Click(s, k); }, .Changes = ccText});
  Add({.Name = "WrapSelectiontoMargin1", .Handler = On(&TTextPage::WrapSelectiontoMargin1Click), .Changes = ccText});
  Add({.Name = "WraptoX1", .Handler = [](TForm1& f, QObject* s) { f.WraptoX1Click(s, f.ParaPanel1->GetMarkerPos()); },
       .Changes = ccText});
  Add({.Name = "StripBlankLines1", .Handler = On(&TTextPage::StripBlankLines1Click), .Changes = ccText});
  Add({.Name = "InsertBlankLines1", .Handler = On(&TTextPage::InsertBlankLines1Click), .Changes = ccText});
  Add({.Name = "SpecialFonts1", .Handler = [](TForm1& f, QObject*) { f.SpecialFonts1Click(); }, .Changes = ccSettings});
  Add({.Name = "MainFont1", .Handler = [](TForm1& f, QObject*) { f.MainFont1Click(); }, .Changes = ccText | ccSettings,
       .NoUndo = "the main font is a setting of the program that empty cells follow"});
  // The dimension font of Format, Settings > Dimensions and the shape pop-up.
  const std::pair<const char*, const char*> dimensionFonts[] = {
      {"DimensionFont1", "Format1"}, {"DimensionFont2", "Setup1"}, {"DimensionFont3", "ShapeAttributes1"}};
  for (const auto& [name, menu] : dimensionFonts)
    Add({.Name = name, .Handler = On(&TForm1::DimensionFont1Click), .Changes = ccShapes | ccSettings, .Menu = menu,
         .Caption = "&Dimension Font"});
}

void TCommandTable::AddSettingsRows() {
  Add({.Name = "PageSettings1", .Handler = On(&TForm1::PageSettings1Click)});
  Add({.Name = "JPegQuality1", .Handler = On(&TForm1::JPegQuality1Click), .Changes = ccSettings});
  Add({.Name = "SaveDefaults1", .Handler = On(&TTextPage::SaveDefaults1Click), .Changes = ccSettings});
  Add({.Name = "PenandBrushAttributes1", .Handler = On(&TForm1::PenandBrushAttributes1Click)});
  Add({.Name = "Transforms1", .Handler = On(&TForm1::TransformShapesClick)});
  Add({.Name = "SetupSine1", .Handler = On(&TForm1::SetupSine1Click), .Changes = ccShapes | ccSettings});
  Add({.Name = "DimensionSettings1", .Handler = On(&TForm1::DimensionSettings1Click), .Changes = ccSettings});
  Add({.Name = "AngledText2", .Handler = On(&TForm1::AngledText2Click), .Changes = ccSettings});
  Add({.Name = "Permissions1", .Handler = On(&TForm1::Permissions1Click), .Changes = ccSettings});
  for (const char* name : {"ArrowHeadLength1", "ArcRadius2", "WavyLineSize1", "RectangleRadius1", "TickLength1", "LineThickness1"})
    Add({.Name = name, .Handler = On(&TForm1::ArcRadius2Click), .Changes = ccShapes | ccSettings});
  Add({.Name = "GridCells1", .Handler = On(&TForm1::SetupGrid1Click), .Changes = ccShapes | ccSettings});
  for (const char* name : {"PolygonSides1", "LineDivisions1"})
    Add({.Name = name, .Handler = On(&TForm1::SetupPolyGon1Click), .Changes = ccShapes | ccSettings});
  Add({.Name = "SetNodeCount1", .Handler = On(&TForm1::SetNodeCount1Click), .Changes = ccSettings});
  Add({.Name = "WriteMacros2", .Handler = On(&TForm1::WriteMacros1Click)});
  // Settings > Application.
  for (const char* name : {"None1", "Short1", "Medium1", "Long1"})
    Add({.Name = name, .Handler = On(&TForm1::None1Click), .Changes = ccSettings});
  Add({.Name = "StayonTop1", .Handler = [](TForm1& f, QObject*) { f.StayonTop1Click(); }, .Changes = ccSettings});
  Add({.Name = "ShortMenus1", .Handler = On(&TForm1::ShortMenus1Click), .Changes = ccSettings});
  Add({.Name = "InsertAfterPaste1", .Handler = On(&TForm1::InsertAfterPaste1Click), .Changes = ccSettings});
  for (const char* name : {"Set1", "System1"}) Add({.Name = name, .Handler = On(&TForm1::Set1Click), .Changes = ccSettings});
}

void TCommandTable::AddZoomAndUndoRows() {
  for (int n = 1; n <= 12; ++n) Add({.Name = "Z" + std::to_string(n), .Handler = On(&TForm1::Z12Click)});
  Add({.Name = "FullSize1", .Handler = On(&TForm1::Z12Click)});
  Add({.Name = "Toggles1", .Handler = On(&TForm1::Toggles1Click), .Keys = {QKeySequence(Qt::CTRL | Qt::Key_Z)}});
  Add({.Name = "UndoLast1", .Handler = On(&TForm1::UndoLast1Click), .Changes = ccPage, .NoUndo = kUndoItself});
  for (const char* name : {"Text1", "Text2"})
    Add({.Name = name, .Handler = On(&TForm1::Text1Click), .Changes = ccText, .NoUndo = kUndoItself});
  for (const char* name : {"Pictures2", "Pictures3"})
    Add({.Name = name, .Handler = On(&TForm1::Pictures2Click), .Changes = ccPictures, .NoUndo = kUndoItself});
  for (const char* name : {"Pastes2", "Pastes3"})
    Add({.Name = name, .Handler = On(&TForm1::Pastes2Click), .Changes = ccPastes, .NoUndo = kUndoItself});
  for (const char* name : {"Shapes2", "Shapes3"})
    Add({.Name = name, .Handler = On(&TForm1::Shapes2Click), .Changes = ccShapes, .NoUndo = kUndoItself});
  // Custom Sets.
  for (const char* name : {"User1", "ForeignSymbols1", "Accents1", "MathAccents1", "Binaryoperators1",
                           "RelationalSymbols1", "Arrows1"})
    Add({.Name = name, .Handler = [](TForm1& f, QObject* s) { f.User1Click(ItemOf(s)); }, .Changes = ccSettings});
}

void TCommandTable::AddToolsAndHelpRows() {
  Add({.Name = "ImageEditor1", .Handler = [](TForm1& f, QObject*) { f.ImageEditor1Click(); }});
  Add({.Name = "Flumbric1", .Handler = [](TForm1& f, QObject*) { f.Flumbric1Click(); }});
  Add({.Name = "WhatColor1", .Handler = On(&TForm1::WhatColor1Click), .Menu = "Tools1", .Caption = "&What Color?"});
  Add({.Name = "Measure1", .Handler = On(&TForm1::Measure1Click), .Menu = "Tools1", .Caption = "M&easure"});
  Add({.Name = "Clearcustomcolors1", .Handler = On(&TForm1::Clearcustomcolors1Click), .Changes = ccSettings,
       .Menu = "Tools1", .Caption = "&Clear custom colors"});
  Add({.Name = "Adduser1", .Handler = On(&TForm1::Adduser1Click), .Menu = "Tools1", .Caption = "&Add user"});
  Add({.Name = "Contents1", .Handler = [](TForm1& f, QObject*) { f.Contents1Click(); }});
  Add({.Name = "Shortcuts1", .Handler = On(&TForm1::Shortcuts1Click), .Menu = "Help2", .Caption = "&Shortcuts"});
  Add({.Name = "Gettingstarted1", .Handler = On(&TForm1::Gettingstarted1Click), .Menu = "Help2",
       .Caption = "&Getting started"});
  Add({.Name = "ZQVWarewebsite1", .Handler = [](TForm1& f, QObject*) { f.ZQVWarewebsite1Click(); }});
  Add({.Name = "About2", .Handler = [](TForm1& f, QObject*) { f.About2Click(); }});
  Add({.Name = "Showtips1", .Handler = On(&TForm1::Showtips1Click), .Menu = "Help2", .Caption = "Sho&w tips"});
  Add({.Name = "Versioncomparisons1", .Handler = On(&TForm1::Versioncomparisons1Click), .Menu = "Help2",
       .Caption = "&Version comparisons"});
  Add({.Name = "Messageboard1", .Handler = On(&TForm1::Messageboard1Click), .Menu = "Help2", .Caption = "&Message board"});
}

void TCommandTable::AddPopupRows() {
  // The page's pop-up.
  Add({.Name = "Select1", .Handler = On(&TForm1::Select1Click), .Keys = {QKeySequence(Qt::CTRL | Qt::Key_E)},
       .Menu = "PopupMenu1", .Caption = "Select"});
  const uint16_t keys[] = {vk::F9, vk::F5, vk::F6, vk::F7, vk::F8};
  const char* refresh[] = {"All1", "TextOnly1", "Pictures4", "Pastes4", "RefreshLines1"};
  for (int k = 0; k < 5; ++k) {
    const uint16_t key = keys[k];
    // The keys are shown in the menu; pressed, they reach the page's key handler, which refreshes
    // the same way.
    Add({.Name = refresh[k], .Handler = [key](TForm1& f, QObject* s) { f.RefreshImageKey(s, key); }});
  }
  Add({.Name = "CutSelectedText1", .Handler = On(&TTextPage::CutSelectedText1Click), .Changes = ccText});
  Add({.Name = "CopySelectedText1", .Handler = On(&TTextPage::CopySelectedText1Click)});
  Add({.Name = "PasteSelectedText1", .Handler = On(&TTextPage::PasteSelectedText1Click), .Changes = ccPage});
  Add({.Name = "PasteCutShapes1", .Handler = On(&TForm1::PasteSelectedFigures1Click), .Changes = ccShapes,
       .Enabled = [](TForm1&) { return ShapesOnClipboard(); }});
  Add({.Name = "PasteMacro2", .Handler = On(&TForm1::PasteMacro1Click), .Changes = ccText});
  Add({.Name = "DeleteText2", .Handler = On(&TTextPage::DeleteText1Click), .Changes = ccText});
  Add({.Name = "SetSelectionOffset1", .Handler = [](TForm1& f, QObject*) { f.SetSelectionOffset1Click(); }, .Changes = ccText});
  Add({.Name = "ConverttoImageObject1", .Handler = On(&TForm1::ConverttoImageObject1Click), .Changes = ccPage});
  Add({.Name = "SelectAll2", .Handler = On(&TTextPage::SelectAll1Click)});
  // The selection's pop-up.
  Add({.Name = "CopySelection1", .Handler = On(&TForm1::tbCopyClick),
       .Enabled = [](TForm1& f) { return f.tbCopy->isEnabled(); }});
  Add({.Name = "PastePicture", .Handler = On(&TForm1::PastePictureClick), .Changes = ccPastes,
       .Enabled = [](TForm1&) { return SelectionRectValid() && ClipboardBitmap(); }});
  Add({.Name = "LoadPicture", .Handler = On(&TForm1::LoadPictureClick), .Changes = ccPictures,
       .Enabled = [](TForm1&) { return SelectionRectValid(); }});
  Add({.Name = "ConverttoImageObject3", .Handler = On(&TForm1::ConverttoImageObject1Click), .Changes = ccPage,
       .Enabled = [](TForm1&) { return SelectionRectValid() || ShapeOps(); }});
  const auto shapeOps = [](TForm1&) { return ShapeOps(); };
  Add({.Name = "CutSelectedShapes1", .Handler = On(&TForm1::CutClick), .Changes = ccShapes, .Enabled = shapeOps});
  Add({.Name = "CopySelectedFigures1", .Handler = On(&TForm1::CopySelectedFigures1Click), .Enabled = shapeOps});
  Add({.Name = "DeleteSelectedShapes1", .Handler = On(&TForm1::DeleteSelectedShapes1Click), .Changes = ccShapes,
       .Enabled = shapeOps});
  Add({.Name = "RemoveSelectedShapes1", .Handler = On(&TForm1::DeleteSelectedShapes1Click), .Changes = ccShapes,
       .NoUndo = kRemoveShapes, .Enabled = shapeOps});
  const auto restack = [](TForm1&) { return ShapesSelected() && Figures->Count() > int(Figures->Selection.size()); };
  Add({.Name = "BringShapestoFront1", .Handler = On(&TForm1::SendtoBack2Click), .Changes = ccShapes, .Enabled = restack});
  Add({.Name = "SendShapestoBack1", .Handler = On(&TForm1::SendtoBack2Click), .Changes = ccShapes, .Enabled = restack});
  Add({.Name = "Transforms2", .Handler = On(&TForm1::TransformShapesClick), .Enabled = shapeOps});
  Add({.Name = "ConverttoMultiline1", .Handler = On(&TForm1::ConverttoMultiline1Click), .Changes = ccShapes,
       .Enabled = shapeOps});
  // The status bar's pop-up.
  Add({.Name = "Copy3", .Handler = On(&TForm1::Copy3Click), .Menu = "StatBarPopup", .Caption = "Copy"});
  // The colour picker's pop-up.
  Add({.Name = "Copy4", .Handler = [](TForm1& f, QObject*) { f.Copy4Click(nullptr); }});
}

void TCommandTable::AddShapeToolRows() {
  Add({.Name = "ShapeKindClick",
       .Handler = [](TForm1& f, QObject* s) {
         f.ShapeKindClick(ItemOf(s), GroupOf(s), s->property("Kind").toInt(), s->property("Clear").toBool());
       },
       .Changes = ccSettings, .Family = true});
  Add({.Name = "Radius1",
       .Handler = [](TForm1& f, QObject* s) { f.Radius1(ItemOf(s), GroupOf(s), s->property("Kind").toInt(), Pos(s)); },
       .Changes = ccSettings, .Family = true});
  Add({.Name = "AngledText1", .Handler = On(&TForm1::NoLine1Click), .Changes = ccSettings});
  Add({.Name = "SineWave1", .Handler = On(&TForm1::SetupSine1Click), .Changes = ccShapes | ccSettings});
  Add({.Name = "P6Click", .Handler = [](TForm1& f, QObject* s) { f.P6Click(ItemOf(s), Pos(s)); },
       .Changes = ccShapes | ccSettings, .Family = true});
  Add({.Name = "DashDotDot1Click", .Handler = [](TForm1& f, QObject* s) { f.DashDotDot1Click(ItemOf(s), Pos(s)); },
       .Changes = ccShapes | ccSettings, .Family = true});
  Add({.Name = "NotXor1Click", .Handler = [](TForm1& f, QObject* s) { f.NotXor1Click(ItemOf(s), Pos(s)); },
       .Changes = ccShapes | ccSettings, .Family = true});
  Add({.Name = "DiagonalCross1Click", .Handler = [](TForm1& f, QObject* s) { f.DiagonalCross1Click(ItemOf(s), Pos(s)); },
       .Changes = ccShapes | ccSettings, .Family = true});
  Add({.Name = "BrushColor1", .Handler = On(&TForm1::BrushColor1Click), .Changes = ccShapes | ccSettings});
}

void TCommandTable::AddImageRows() {
  Add({.Name = "SizeHandles2", .Handler = [](TForm1& f, QObject* s) { f.SizeHandles2Click(s, false); }});
  Add({.Name = "DynamicResize1", .Handler = [](TForm1& f, QObject* s) { f.SizeHandles2Click(s, true); }});
  Add({.Name = "SetSize1", .Handler = On(&TForm1::SetSize1Click), .Changes = ccImageObjects});
  Add({.Name = "DeleteImage1", .Handler = On(&TForm1::Delete1Click), .Changes = ccImageObjects});
  Add({.Name = "CopyImage1", .Handler = On(&TForm1::Copy2Click)});
  Add({.Name = "CutImage1", .Handler = On(&TForm1::Cut1Click), .Changes = ccImageObjects});
  Add({.Name = "SaveImage1", .Handler = On(&TForm1::SaveImage1Click)});
  const char* variants[] = {"gifjpgemfwmf1", "FullColorBitmap3", "N16ColorBitmap3", "N256ColorBitmap3", "Netscape5",
                            "N256ColorGreyScale3"};
  for (int k = 0; k < 6; ++k)
    Add({.Name = variants[k], .Handler = [k](TForm1& f, QObject* s) { f.gifjpgemfwmf1Click(s, k); }});
  Add({.Name = "SaveImageAs1", .Handler = [](TForm1& f, QObject* s) { f.gifjpgemfwmf1Click(s, 0); }});
  Add({.Name = "EmbedImage1", .Handler = On(&TForm1::EmbedImage1Click), .Changes = ccPage});
  Add({.Name = "BringtoFront2", .Handler = On(&TForm1::BringtoFront2Click), .Changes = ccImageObjects});
  Add({.Name = "SendtoBack1", .Handler = On(&TForm1::SendtoBack1Click), .Changes = ccImageObjects});
  for (const char* suffix : {"1", "2"}) {
    const char* filters[] = {"Triangle", "Hermatite", "Bell", "Spline", "Lanczos3", "Mitchell"};
    for (int p = 0; p < 6; ++p)
      Add({.Name = std::string(filters[p]) + suffix, .Handler = [p](TForm1& f, QObject* s) { f.Mitchell1Click(s, p); },
           .Changes = ccImageObjects});
    const char* reductions[] = {"N16Colors", "N256Colors", "Netscape", "GreyScale"};
    for (int p = 1; p <= 4; ++p)
      Add({.Name = std::string(reductions[p - 1]) + suffix,
           .Handler = [p](TForm1& f, QObject* s) { f.GreyScale1Click(s, p); }, .Changes = ccImageObjects});
    const char* turns[] = {"N90", "N180", "N270"};
    for (int p = 0; p < 3; ++p)
      Add({.Name = std::string(turns[p]) + suffix, .Handler = [p](TForm1& f, QObject* s) { f.N902Click(s, p); },
           .Changes = ccImageObjects});
  }
  for (const char* name : {"ON1", "OFF4"}) Add({.Name = name, .Handler = On(&TForm1::OFF4Click)});
  Add({.Name = "Properties1", .Handler = On(&TForm1::Properties1Click), .Changes = ccImageObjects});
}

void TCommandTable::AddButtonRows() {
  Add({.Name = "_NewWorkSpace", .Handler = On(&TForm1::_NewWorkSpaceClick), .Changes = ccPage, .NoUndo = kNewPage,
       .Button = true});
  Add({.Name = "tbOpen", .Handler = On(&TForm1::_OpenClick), .Changes = ccPage,
       .NoUndo = "an opened document replaces the page and its undo", .Button = true});
  Add({.Name = "tbSave", .Handler = On(&TForm1::_SaveClick), .Button = true});
  Add({.Name = "tbPrint", .Handler = On(&TForm1::Print1Click), .Button = true});
  Add({.Name = "tbPrintPreview", .Handler = On(&TForm1::Print1Click), .Button = true});
  Add({.Name = "tbUndo", .Handler = On(&TForm1::tbUndoClick), .Changes = ccPage, .NoUndo = kUndoItself, .Button = true});
  Add({.Name = "tbCopy", .Handler = On(&TForm1::tbCopyClick), .Button = true});
  Add({.Name = "tbCutText", .Handler = On(&TTextPage::CutSelectedText1Click), .Changes = ccText, .Button = true});
  Add({.Name = "tbPaste", .Handler = On(&TTextPage::PasteSelectedText1Click), .Changes = ccPage, .Button = true});
  Add({.Name = "tbBold", .Handler = On(&TTextPage::tbBoldClick), .Changes = ccText, .Button = true});
  Add({.Name = "tbItalics", .Handler = On(&TTextPage::tbItalicsClick), .Changes = ccText, .Button = true});
  Add({.Name = "tbUnderline", .Handler = On(&TTextPage::Underline2Click), .Changes = ccText, .Button = true});
  Add({.Name = "tbStrikeOut", .Handler = On(&TTextPage::Strikeout2Click), .Changes = ccText, .Button = true});
  Add({.Name = "tbSuperScript", .Handler = On(&TTextPage::_SuperScriptClick), .Changes = ccText, .Button = true});
  Add({.Name = "tbSubscript", .Handler = On(&TTextPage::_SubscriptsClick), .Changes = ccText, .Button = true});
  Add({.Name = "tbMidscript", .Handler = On(&TTextPage::_MidScriptClick), .Changes = ccText, .Button = true});
  Add({.Name = "FontUp", .Handler = On(&TTextPage::FontUpClick), .Changes = ccText, .Button = true});
  Add({.Name = "FontDown1", .Handler = On(&TTextPage::FontDown1Click), .Changes = ccText, .Button = true});
  Add({.Name = "tbText", .Handler = On(&TForm1::tbTextClick), .Button = true});
  Add({.Name = "tbSelect", .Handler = On(&TForm1::tbSelectClick), .Button = true});
  Add({.Name = "tbDraw", .Handler = On(&TForm1::tbDrawClick), .Button = true});
  Add({.Name = "tbMove", .Handler = On(&TForm1::tbMoveClick), .Button = true});
  Add({.Name = "DrawShapeTicks1", .Handler = On(&TForm1::DrawshapeTicks1Click), .Button = true});
  // The drop-down buttons open their menus below their left edges.
  const std::pair<const char*, const char*> dropDowns[] = {{"tbShapes", "Shapes1"},
                                                           {"tbLineWidth", "LineThickness"},
                                                           {"tbLineStyle", "LineStyles1"},
                                                           {"tbPenMode", "PenMode1"},
                                                           {"tbBrushProperties", "BrushStyles1"}};
  for (const auto& [button, menu] : dropDowns)
    Add({.Name = button,
         .Handler = [menu](TForm1& f, QObject* s) { f.PopupUnder(qobject_cast<TZQVSpeedButton*>(s), menu); },
         .Button = true});
  Add({.Name = "tbPenColor", .Handler = On(&TForm1::tbPenColorClick), .Changes = ccShapes | ccSettings, .Button = true});
  Add({.Name = "WriteMacros1", .Handler = On(&TForm1::WriteMacros1Click), .Button = true});
  for (const char* name : {"tbPickPen", "tbPickBrush", "tbPickBackground", "tbPickDimFontColor", "tbPickMnFontClr",
                           "tbAddColorToPalette"})
    Add({.Name = name, .Handler = On(&TForm1::tbPickMnFontClrClick), .Button = true});
  Add({.Name = "SpeedButton1", .Handler = On(&TForm1::SpeedButton1Click), .Button = true});
}
