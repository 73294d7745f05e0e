// The numeric field of every dialog: an edit holding a number as text, with a spin button that
// steps it. Dialogs read and write the number through Value.
#pragma once

#include <QDoubleSpinBox>
#include <functional>

enum TValueType { vtInteger, vtFloat, vtHex };

class TNumSpinEdit : public QDoubleSpinBox {
  Q_OBJECT
public:
  explicit TNumSpinEdit(QWidget* parent = nullptr);

  double Value() const { return value(); }
  void SetValue(double v) { setValue(v); }
  int AsInteger() const { return int(value() < 0 ? value() - 0.5 : value() + 0.5); }
  double MinValue() const { return FMin; }
  double MaxValue() const { return FMax; }
  // Bounds are used only when they differ.
  void SetMinValue(double v);
  void SetMaxValue(double v);
  double Increment() const { return singleStep(); }
  void SetIncrement(double v) { setSingleStep(v); }
  int Decimal() const { return FDecimal; }
  void SetDecimal(int d);
  TValueType ValueType() const { return FValueType; }
  void SetValueType(TValueType t);

  std::function<void(QObject*)> OnChange;

protected:
  QString textFromValue(double value) const override;
  double valueFromText(const QString& text) const override;
  QValidator::State validate(QString& input, int& pos) const override;

private:
  void ApplyBounds();
  double FMin = 0;
  double FMax = 0;
  int FDecimal = 2;
  TValueType FValueType = vtInteger;
};
