// Builds the quick-command column, the port group and the tab order.
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "window/cell_edit.h"
#include "window/form1.h"

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

void Form1::buildQuickCommands() {
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

    button(&Command35, "Command35(0)", "变频地址", 120);
    Text24 = box("Text24", kBoxLeft, 120, 1935, QStringLiteral("变频地址"));
    button(&Command21, "Command21(1)", "设定频率", 600);
    Text6 = box("Text6", kBoxLeft, 600, 1935, QStringLiteral("设定频率 Hz"));
    button(&Command22, "Command22(2)", "读取功能", 960);
    Text7 = box("Text7", kBoxLeft, 960, 615, QStringLiteral("读取功能号"));
    Text23 = box("Text23", 12240, 960, 1095, QStringLiteral("读取功能值"));
    Text23->setEnabled(false);
    button(&Command23, "Command23(3)", "设定功能", 1320);
    Text12 = box("Text12", kBoxLeft, 1320, 615, QStringLiteral("设定功能号"));
    Text8 = box("Text8", 12240, 1320, 1095, QStringLiteral("设定功能值"));
    button(&Command24, "Command24(4)", "启        动", 1800);
    button(&Command25, "Command25(5)", "停        止", 2160);

    struct Reading {
        QPushButton** slot;
        const char* name;
        const char* caption;
        int top;
    };
    const Reading readings[] = {{&Command26, "Command26(6)", "设定频率", 2640},
                                {&Command27, "Command27(7)", "输出频率", 3000},
                                {&Command28, "Command28(8)", "输出电流", 3360},
                                {&Command20, "Command20(10)", "输出转速", 3720},
                                {&Command29, "Command29(9)", "母线电压", 4080},
                                {&Command41, "Command41", "输出电压", 4440},
                                {&Command42, "Command42(11)", "计  数  器", 4800},
                                {&Command45, "Command45(12)", "变频温度", 5160},
                                {&Command48, "Command48(13)", "故障代码", 5520}};
    for (std::size_t i = 0; i < resultBoxes.size(); ++i) {
        const Reading& r = readings[i];
        button(r.slot, r.name, r.caption, r.top);
        const QByteArray name = QByteArray("Text") + QByteArray::number(14 + static_cast<int>(i));
        resultBoxes[i] = box(name.constData(), kBoxLeft, r.top, 1935,
                             QString::fromUtf8(r.caption).simplified() + QStringLiteral(" 结果"));
        resultBoxes[i]->setReadOnly(true);
    }
}

void Form1::buildPortGroup() {
    auto* frame5 = new QGroupBox(QStringLiteral("通讯口"), this);
    frame5->setObjectName(QStringLiteral("Frame5"));
    frame5->setGeometry(Twips(9840, 6000, 3540, 900));
    const char* labelNames[] = {"Label10", "Label13", "Label12", "Label14"};
    Option3 = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        auto* option = new QRadioButton(frame5);
        option->setObjectName(QStringLiteral("Option3(%1)").arg(i));
        option->setGeometry(Twips(90 + 860 * i, 390, 270, 300));
        option->setAccessibleName(QStringLiteral("COM%1").arg(i + 1));
        Option3->addButton(option, i);
        auto* label = new QLabel(QStringLiteral("COM%1").arg(i + 1), frame5);
        label->setObjectName(QLatin1String(labelNames[i]));
        label->setGeometry(Twips(330 + 860 * i, 390, 530, 300));
        portLabels[i] = label;
    }
}

void Form1::setTabOrderChain() {
    std::vector<QWidget*> chain{Command2};
    chain.insert(chain.end(), TX.begin(), TX.end());
    chain.insert(chain.end(), RX.begin(), RX.end());
    chain.push_back(Command1);
    for (auto* group : {Option2, Option1})
        for (QAbstractButton* b : group->buttons()) chain.push_back(b);
    chain.insert(chain.end(), {Text1,     Text2,     Text3,     Text4,     Text5[0],  Text5[1],
                               Text5[2],  Text5[3],  Command3,  Check3,    Text9,     Text5[4],
                               Command41, Command21, Command22, Command23, Command24, Command25,
                               Text6,     Command26, Command27, Command28, Command29, Command20,
                               Text7,     Text8,     Text12,    Command42, Command45, Command48});
    chain.insert(chain.end(), resultBoxes.begin(), resultBoxes.end());
    for (QAbstractButton* b : Option3->buttons()) chain.push_back(b);
    chain.insert(chain.end(), {Command35, Text24});
    for (std::size_t i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);
}
