#include "helpers/num_spin_edit.h"

#include <cfloat>
#include <cmath>

TNumSpinEdit::TNumSpinEdit(QWidget* parent) : QDoubleSpinBox(parent) {
  setKeyboardTracking(true);
  SetValueType(vtInteger);
  ApplyBounds();
  connect(this, &QDoubleSpinBox::valueChanged, this, [this](double) {
    if (OnChange) OnChange(this);
  });
}

void TNumSpinEdit::ApplyBounds() {
  if (FMin != FMax) setRange(FMin, FMax);
  else setRange(-1e12, 1e12);
}

void TNumSpinEdit::SetMinValue(double v) {
  FMin = v;
  ApplyBounds();
}

void TNumSpinEdit::SetMaxValue(double v) {
  FMax = v;
  ApplyBounds();
}

void TNumSpinEdit::SetDecimal(int d) {
  FDecimal = d;
  if (FValueType == vtFloat) setDecimals(d);
}

void TNumSpinEdit::SetValueType(TValueType t) {
  FValueType = t;
  setDecimals(t == vtFloat ? FDecimal : 0);
}

QString TNumSpinEdit::textFromValue(double value) const {
  if (FValueType == vtHex) return QString::number(qint64(std::llround(value)), 16).toUpper();
  if (FValueType == vtInteger) return QString::number(qint64(std::llround(value)));
  return QString::number(value, 'f', FDecimal);
}

double TNumSpinEdit::valueFromText(const QString& text) const {
  bool ok = false;
  if (FValueType == vtHex) {
    const qint64 v = text.trimmed().toLongLong(&ok, 16);
    return ok ? double(v) : value();
  }
  const double v = locale().toDouble(text.trimmed(), &ok);
  if (ok) return v;
  const double c = text.trimmed().toDouble(&ok);
  return ok ? c : value();
}

QValidator::State TNumSpinEdit::validate(QString& input, int& pos) const {
  if (FValueType == vtHex) {
    for (QChar c : input)
      if (!c.isDigit() && !QString("abcdefABCDEF").contains(c)) return QValidator::Invalid;
    return QValidator::Acceptable;
  }
  return QDoubleSpinBox::validate(input, pos);
}
