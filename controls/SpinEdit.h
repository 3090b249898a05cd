// TSpinEdit: an integer spin box whose typed digits stand as typed until the box loses
// the focus or a value is assigned; only then is the value forced into its range.
#pragma once

#include <QSpinBox>

class TSpinEdit : public QSpinBox {
    Q_OBJECT
  public:
    explicit TSpinEdit(QWidget* parent = nullptr);

    // The integer in the text as it stands, or the minimum when the text is not one.
    int ValueAsRead() const;

  protected:
    QValidator::State validate(QString& input, int& position) const override;
    void fixup(QString& input) const override;
};
