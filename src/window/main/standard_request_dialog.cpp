#include "window/main/standard_request_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

StandardRequestDialog::StandardRequestDialog(
    std::function<QString(const frame::StandardRequestFields&)> compose, QWidget* parent)
    : QDialog(parent), compose_(std::move(compose)) {
    setWindowTitle(tr("Standard request"));
    addressBox = new QLineEdit(QStringLiteral("1"), this);
    functionBox = new QComboBox(this);
    for (std::size_t i = 0; i < std::size(frame::kStandardFunctions); ++i)
        functionBox->addItem(QStringLiteral("%1 %2")
                                 .arg(frame::kStandardFunctions[i], 2, 16, QLatin1Char('0'))
                                 .toUpper()
                                 .arg(frame::StandardFunctionName(frame::kStandardFunctions[i])),
                             frame::kStandardFunctions[i]);
    functionBox->setCurrentIndex(2);  // 03
    startBox = new QLineEdit(QStringLiteral("0"), this);
    valuesBox = new QLineEdit(QStringLiteral("1"), this);
    problemLabel = new QLabel(this);
    problemLabel->setStyleSheet(QStringLiteral("color: #d00000;"));
    problemLabel->setWordWrap(true);
    valuesLabel_ = new QLabel(this);

    auto* form = new QFormLayout(this);
    form->addRow(tr("Slave address"), addressBox);
    form->addRow(tr("Function"), functionBox);
    form->addRow(tr("Start address (decimal, or hex as 0x0300)"), startBox);
    form->addRow(valuesLabel_, valuesBox);
    form->addRow(problemLabel);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &StandardRequestDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(functionBox, &QComboBox::currentIndexChanged, this,
            &StandardRequestDialog::showValuesHint);
    showValuesHint();
}

frame::StandardRequestFields StandardRequestDialog::fields() const {
    return {addressBox->text(), functionBox->currentData().toInt(), startBox->text(),
            valuesBox->text()};
}

void StandardRequestDialog::showValuesHint() {
    switch (functionBox->currentData().toInt()) {
        case 0x05:
            valuesLabel_->setText(tr("State (1 or 0)"));
            break;
        case 0x06:
            valuesLabel_->setText(tr("Value"));
            break;
        case 0x0F:
            valuesLabel_->setText(tr("States (1 0 1 …)"));
            break;
        case 0x10:
            valuesLabel_->setText(tr("Values (100 0x1A …)"));
            break;
        default:
            valuesLabel_->setText(tr("Quantity"));
            break;
    }
}

void StandardRequestDialog::accept() {
    const QString problem = compose_(fields());
    problemLabel->setText(problem);
    if (problem.isEmpty()) QDialog::accept();
}
