// "标准请求…": a standard Modbus request from its fields, composed into the send cells.
#pragma once

#include <QDialog>
#include <functional>

#include "frame/standard_request.h"

class QComboBox;
class QLabel;
class QLineEdit;

class StandardRequestDialog : public QDialog {
    Q_OBJECT
  public:
    // `compose` puts the request into the cells, or says why it cannot (the dialog stays open
    // with the reason).
    StandardRequestDialog(std::function<QString(const frame::StandardRequestFields&)> compose,
                          QWidget* parent = nullptr);

    QLineEdit* addressBox = nullptr;
    QComboBox* functionBox = nullptr;
    QLineEdit* startBox = nullptr;
    QLineEdit* valuesBox = nullptr;
    QLabel* problemLabel = nullptr;

    frame::StandardRequestFields fields() const;
    void accept() override;

  private:
    void showValuesHint();
    std::function<QString(const frame::StandardRequestFields&)> compose_;
    QLabel* valuesLabel_ = nullptr;
};
