// Builds the quick-command column, the port group and the tab order.
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "window/main/cell_edit.h"
#include "window/main/main_window.h"

namespace {

QRect Twips(int left, int top, int width, int height) {
    auto px = [](int twips) { return (twips + 7) / 15; };
    return QRect(px(left), px(top), px(width), px(height));
}

QFont BoldButtonFont() {
    QFont font;
    font.setPointSizeF(9.75);
    font.setBold(true);
    return font;
}

}  // namespace

void MainWindow::buildQuickCommands() {
    constexpr int kButtonLeft = 9840;
    constexpr int kBoxLeft = 11400;
    auto button = [this](QPushButton** slot, const char* name, const char* caption, int top) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(Twips(kButtonLeft, top, 1200, 380));
        b->setFont(BoldButtonFont());
        b->setAccessibleName(QString::fromUtf8(caption).simplified());
        *slot = b;
    };
    auto box = [this](const char* name, int left, int top, int width, const QString& accessible) {
        auto* b = new QLineEdit(this);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(Twips(left, top, width, 375));
        b->setAccessibleName(accessible);
        return b;
    };

    button(&addressButton, "Command35(0)", "变频地址", 120);
    inverterAddress = box("Text24", kBoxLeft, 120, 1935, QStringLiteral("变频地址"));
    button(&setFrequencyButton, "Command21(1)", "设定频率", 600);
    frequencyEntry = box("Text6", kBoxLeft, 600, 1935, QStringLiteral("设定频率 Hz"));
    button(&readParameterButton, "Command22(2)", "读取功能", 960);
    readParameterNumber = box("Text7", kBoxLeft, 960, 615, QStringLiteral("读取功能号"));
    parameterValueBox = box("Text23", 12240, 960, 1095, QStringLiteral("读取功能值"));
    parameterValueBox->setEnabled(false);
    button(&writeParameterButton, "Command23(3)", "设定功能", 1320);
    writeParameterNumber = box("Text12", kBoxLeft, 1320, 615, QStringLiteral("设定功能号"));
    writeParameterValue = box("Text8", 12240, 1320, 1095, QStringLiteral("设定功能值"));
    button(&startButton, "Command24(4)", "启        动", 1800);
    button(&stopButton, "Command25(5)", "停        止", 2160);

    // One row per reading, in monitor item order; the fault code reads item 8 below them.
    struct Reading {
        const char* name;
        const char* caption;
    };
    const Reading readings[kReadingCount] = {
        {"Command26(6)", "设定频率"},    {"Command27(7)", "输出频率"},
        {"Command28(8)", "输出电流"},    {"Command20(10)", "输出转速"},
        {"Command29(9)", "母线电压"},    {"Command41", "输出电压"},
        {"Command42(11)", "计  数  器"}, {"Command45(12)", "变频温度"},
        {"Command48(13)", "故障代码"}};
    for (int i = 0; i < kReadingCount; ++i) {
        const int top = 2640 + 360 * i;
        button(&readingButtons[i], readings[i].name, readings[i].caption, top);
        const QByteArray name = QByteArray("Text") + QByteArray::number(14 + i);
        readingBoxes[i] =
            box(name.constData(), kBoxLeft, top, 1935,
                QString::fromUtf8(readings[i].caption).simplified() + QStringLiteral(" 结果"));
        readingBoxes[i]->setReadOnly(true);
    }
}

void MainWindow::buildPortGroup() {
    auto* frame5 = new QGroupBox(QStringLiteral("通讯口"), this);
    frame5->setObjectName(QStringLiteral("Frame5"));
    frame5->setGeometry(Twips(9840, 6000, 3540, 900));
    const char* labelNames[] = {"Label10", "Label13", "Label12", "Label14"};
    portGroup = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        auto* option = new QRadioButton(frame5);
        option->setObjectName(QStringLiteral("Option3(%1)").arg(i));
        option->setGeometry(Twips(90 + 860 * i, 390, 270, 300));
        option->setAccessibleName(QStringLiteral("COM%1").arg(i + 1));
        portGroup->addButton(option, i);
        auto* label = new QLabel(QStringLiteral("COM%1").arg(i + 1), frame5);
        label->setObjectName(QLatin1String(labelNames[i]));
        label->setGeometry(Twips(330 + 860 * i, 390, 530, 300));
        portLabels[i] = label;
    }
}

void MainWindow::setTabOrderChain() {
    std::vector<QWidget*> chain{sendButton};
    chain.insert(chain.end(), byteCells.begin(), byteCells.end());
    chain.insert(chain.end(), replyCells.begin(), replyCells.end());
    chain.push_back(exitButton);
    for (auto* group : {baudGroup, formatGroup})
        for (QAbstractButton* b : group->buttons()) chain.push_back(b);
    const auto& reading = readingButtons;
    chain.insert(
        chain.end(),
        {addressField,        commandField,        lengthField,          functionField,
         dataFields[0],       dataFields[1],       dataFields[2],        dataFields[3],
         composeButton,       timedModeBox,        intervalBox,          dataFields[4],
         reading[5],          setFrequencyButton,  readParameterButton,  writeParameterButton,
         startButton,         stopButton,          frequencyEntry,       reading[0],
         reading[1],          reading[2],          reading[4],           reading[3],
         readParameterNumber, writeParameterValue, writeParameterNumber, reading[6],
         reading[7],          reading[8]});
    chain.insert(chain.end(), readingBoxes.begin(), readingBoxes.end());
    for (QAbstractButton* b : portGroup->buttons()) chain.push_back(b);
    chain.insert(chain.end(), {addressButton, inverterAddress});
    for (std::size_t i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);
}
