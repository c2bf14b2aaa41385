// Builds the grids, the field boxes, the log, the format groups and the send controls at their
// fixed places (15 twips to the pixel).
#include <QButtonGroup>
#include <QCheckBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>

#include "serial/port_settings.h"
#include "window/main/cell_edit.h"
#include "window/main/main_window.h"

namespace {

constexpr int kTwipsPerPixel = 15;

QRect Twips(int left, int top, int width, int height) {
    auto px = [](int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; };
    return QRect(px(left), px(top), px(width), px(height));
}

// The window's texts are Chinese, Latin letters, digits and control pictures, none of which
// needs text shaping: laid out without it, the log lines, cells and readings that change many
// times a second cost less to set.
QFont WindowFont(double points, bool bold) {
    QFont font;
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

QString Indexed(const char* name, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

template <typename Widget>
Widget* Place(Widget* widget, const QString& name, const QRect& geometry) {
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    return widget;
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption,
                  const QRect& geometry, const QFont& font) {
    auto* label = Place(new QLabel(caption, parent), name, geometry);
    label->setFont(font);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption,
                        const QRect& geometry, const QFont& font) {
    auto* button = Place(new QPushButton(caption, parent), name, geometry);
    button->setFont(font);
    button->setAccessibleName(caption.simplified());
    return button;
}

QLineEdit* MakeBox(QWidget* parent, const QString& name, const QRect& geometry,
                   const QString& accessibleName, int maxLength = 32767,
                   Qt::Alignment alignment = Qt::AlignLeft) {
    auto* box = Place(new QLineEdit(parent), name, geometry);
    box->setFont(WindowFont(9.75, false));
    box->setMaxLength(maxLength);
    box->setAlignment(alignment | Qt::AlignVCenter);
    box->setAccessibleName(accessibleName);
    return box;
}

// Grid cells are tiny: no frame, no inner margins, so two digits or one character still fit.
template <typename Edit>
Edit* MakeCell(QWidget* parent, const QString& name, const QRect& geometry, int maxLength,
               bool readOnly, bool tabStop, const QString& accessibleName) {
    auto* cell = Place(new Edit(parent), name, geometry);
    cell->setFont(WindowFont(9.75, true));
    cell->setMaxLength(maxLength);
    cell->setAlignment(Qt::AlignCenter);
    cell->setReadOnly(readOnly);
    cell->setTextMargins(0, 0, 0, 0);
    cell->setContentsMargins(0, 0, 0, 0);
    cell->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
    cell->setAccessibleName(accessibleName);
    return cell;
}

}  // namespace

void MainWindow::buildGrids() {
    auto* border = Place(new QFrame(this), QStringLiteral("Line1(0)"), Twips(45, 45, 9630, 4320));
    border->setFrameStyle(QFrame::Box | QFrame::Sunken);
    border->setLineWidth(2);

    auto* header = MakeLabel(this, QStringLiteral("Label1"),
                             QStringLiteral("    ") + QString(44, QLatin1Char('-')) +
                                 QStringLiteral("  H   E   X   ") + QString(43, QLatin1Char('-')) +
                                 QString(10, QLatin1Char(' ')) + QString(8, QLatin1Char('-')) +
                                 QStringLiteral("    A S C I I  ") + QString(8, QLatin1Char('-')),
                             Twips(630, 180, 9000, 240), WindowFont(9.75, false));
    // The header's dashes were measured for the original font; tighten the spacing where this
    // font draws them wider, so the "A S C I I" part stays over the character cells.
    // Rounding at a display scaling such as 150 % can leave it a little wide: tightened further.
    const int natural = header->fontMetrics().horizontalAdvance(header->text());
    for (double spacing = 100.0 * header->width() / natural;
         header->fontMetrics().horizontalAdvance(header->text()) > header->width() && spacing > 50;
         spacing -= 1) {
        QFont tighter = header->font();
        tighter.setLetterSpacing(QFont::PercentageSpacing, std::min(100.0, spacing));
        header->setFont(tighter);
    }
    const QString digits = QStringLiteral("0123456789ABCDEF");
    // The character column is narrower than a 12-point letter in most fonts: the letters are
    // made smaller, all alike, until the widest fits, rather than cut.
    QFont charFont = WindowFont(12, false);
    const int charWidth = Twips(0, 0, 150, 300).width();
    const auto widest = [&digits](const QFont& font) {
        const QFontMetrics metrics(font);
        int most = 0;
        for (const QChar digit : digits) most = std::max(most, metrics.horizontalAdvance(digit));
        return most;
    };
    while (widest(charFont) > charWidth && charFont.pointSizeF() > 6)
        charFont.setPointSizeF(charFont.pointSizeF() - 0.5);
    for (int c = 0; c < 16; ++c) {
        auto* hexDigit = MakeLabel(this, Indexed("Label3", c), digits.mid(c, 1),
                                   Twips(630 + 405 * c, 405, 405, 300), WindowFont(12, true));
        hexDigit->setAlignment(Qt::AlignLeft);
        auto* charDigit = MakeLabel(this, Indexed("Label3", 16 + c), digits.mid(c, 1),
                                    Twips(7245 + 135 * c, 405, 150, 300), charFont);
        charDigit->setAlignment(Qt::AlignCenter);
    }
    auto* sendLabel = MakeLabel(this, QStringLiteral("Label4"), QStringLiteral("发送数据"),
                                Twips(270, 900, 300, 1230), WindowFont(12, true));
    sendLabel->setAlignment(Qt::AlignCenter);
    sendLabel->setWordWrap(true);  // one character per line in the narrow label
    replyGridLabel = MakeLabel(this, QStringLiteral("Label2"), QStringLiteral("接收数据"),
                               Twips(270, 2745, 300, 1275), WindowFont(12, true));
    replyGridLabel->setAlignment(Qt::AlignCenter);
    replyGridLabel->setWordWrap(true);

    auto* separator =
        Place(new QFrame(this), QStringLiteral("Line5(0)"), Twips(60, 2350, 9600, 60));
    separator->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    separator->setLineWidth(1);
    separator->setMidLineWidth(1);

    // Boxes round the character rows: Line2 for the send rows, Line3 for the receive rows.
    for (int row = 0; row < 4; ++row) {
        for (int top : {765 + 405 * row, 2610 + 405 * row}) {
            auto* rowBox = new QFrame(this);
            rowBox->setObjectName(Indexed(top < 2400 ? "Line2" : "Line3", row));
            rowBox->setGeometry(Twips(7215, top - 30, 2190, 340));
            rowBox->setFrameStyle(QFrame::Box | QFrame::Plain);
        }
    }

    auto* tooltips = new ByteTooltips(this);
    for (int i = 0; i < kCellCount; ++i) {
        const int r = i / 16;
        const int c = i % 16;
        const QString where = QStringLiteral(" %1").arg(i);
        byteCells[i] = MakeCell<CellEdit>(this, Indexed("TX", i),
                                          Twips(630 + 405 * c, 720 + 405 * r, 420, 360), 2, false,
                                          true, QStringLiteral("发送数据") + where);
        charCells[i] = MakeCell<CellEdit>(this, Indexed("TXS", i),
                                          Twips(7245 + 135 * c, 765 + 405 * r, 150, 280), 1, false,
                                          false, QStringLiteral("发送字符") + where);
        charCells[i]->setFrame(false);
        charCells[i]->setValidator(new ByteCharValidator(charCells[i]));
        byteCells[i]->setValidator(new HexByteValidator(byteCells[i]));
        replyCells[i] = MakeCell<QLineEdit>(this, Indexed("RX", i),
                                            Twips(630 + 405 * c, 2565 + 405 * r, 420, 360), 2, true,
                                            true, QStringLiteral("接收数据") + where);
        replyCharCells[i] = MakeCell<QLineEdit>(this, Indexed("RXS", i),
                                                Twips(7245 + 135 * c, 2610 + 405 * r, 150, 280), 1,
                                                true, false, QStringLiteral("接收字符") + where);
        replyCharCells[i]->setFrame(false);
        tooltips->watch(byteCells[i], true);
        tooltips->watch(charCells[i], false);
        tooltips->watch(replyCells[i], true);
        tooltips->watch(replyCharCells[i], false);
    }
}

void MainWindow::buildFieldBoxes() {
    auto* frame3 =
        Place(new QGroupBox(this), QStringLiteral("Frame3"), Twips(3195, 4545, 5145, 1185));
    const QFont font = WindowFont(9.75, false);
    struct Field {
        const char* label;
        const char* labelName;
        const char* caption;
        QLineEdit** box;
        const char* boxName;
        int maxLength;
    };
    const Field fields[] = {{"Label6", "Label6", "地址", &addressField, "Text1", 3},
                            {"Label7", "Label7", "命令", &commandField, "Text2", 3},
                            {"Label8", "Label8", "长度", &lengthField, "Text3", 2},
                            {"Label5", "Label5", "功能", &functionField, "Text4", 3}};
    int left = 120;
    for (const Field& field : fields) {
        auto* label = MakeLabel(frame3, QLatin1String(field.labelName),
                                QString::fromUtf8(field.caption), Twips(left, 180, 480, 300), font);
        *field.box = MakeBox(frame3, QLatin1String(field.boxName), Twips(left + 480, 150, 630, 330),
                             QString::fromUtf8(field.caption), field.maxLength, Qt::AlignHCenter);
        if (field.box == &functionField) functionLabel = label;
        left += 1260;
    }
    dataLabel = MakeLabel(frame3, QStringLiteral("Label9"), QStringLiteral("数据"),
                          Twips(120, 720, 480, 300), font);
    for (int i = 0; i < 5; ++i)
        dataFields[i] = MakeBox(frame3, Indexed("Text5", i), Twips(600 + 900 * i, 690, 840, 330),
                                QStringLiteral("数据 %1").arg(i), 5, Qt::AlignLeft);
    functionLabel->hide();
    functionField->hide();
    dataLabel->hide();
    for (QLineEdit* box : dataFields) box->hide();
}

void MainWindow::buildLogAndFormats() {
    auto* frame4 =
        Place(new QGroupBox(this), QStringLiteral("Frame4"), Twips(3195, 5715, 5145, 1185));
    const char* names[] = {"Text10", "Text11", "Text13"};
    for (int i = 0; i < 3; ++i) {
        // A static sunken panel holds a frameless, opaque line: the line changes on every
        // exchange, and a styled frame would have the group box beneath redrawn each time.
        auto* panel = new QFrame(frame4);
        panel->setGeometry(Twips(150, 120 + 330 * i, 4850, 315));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        QLineEdit* line = MakeBox(panel, QLatin1String(names[i]), panel->contentsRect(),
                                  QStringLiteral("通讯记录 %1").arg(i + 1));
        line->setFrame(false);
        // One font that has the control pictures of a logged frame (␍␊) as well as its letters
        // spares the lines a fallback font on every change.
        QFont font = line->font();
        font.setFamilies({QStringLiteral("FreeSans"), font.family()});
        line->setFont(font);
        line->setReadOnly(true);
        line->setFocusPolicy(Qt::ClickFocus);
        line->setAttribute(Qt::WA_OpaquePaintEvent);
        QPalette palette = line->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Button));
        line->setPalette(palette);
        logLines[i] = line;
    }

    auto* frame1 = Place(new QGroupBox(QStringLiteral(" 资料格式 "), this),
                         QStringLiteral("Frame1"), Twips(45, 4545, 1665, 2370));
    frame1->setFont(WindowFont(9.75, false));
    formatGroup = new QButtonGroup(this);
    for (int i = 0; i < 6; ++i) {
        auto* option = Place(new QRadioButton(serial::FormatCaption(i), frame1),
                             Indexed("Option1", i), Twips(120, 300 + 330 * i, 1500, 300));
        option->setAccessibleName(serial::FormatName(i));
        formatGroup->addButton(option, i);
    }
    formatGroup->button(0)->setChecked(true);

    auto* frame2 = Place(new QGroupBox(QStringLiteral(" 波特率 "), this), QStringLiteral("Frame2"),
                         Twips(1800, 4545, 1305, 1620));
    frame2->setFont(WindowFont(9.75, false));
    const char* rates[] = {"4800", "9600", "19200", "38400"};
    baudGroup = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        auto* option = Place(new QRadioButton(QLatin1String(rates[i]), frame2),
                             Indexed("Option2", i), Twips(150, 300 + 330 * i, 1100, 300));
        option->setAccessibleName(QLatin1String(rates[i]));
        baudGroup->addButton(option, i);
    }
    baudGroup->button(1)->setChecked(true);
}

void MainWindow::buildSendControls() {
    timedModeBox = Place(new QCheckBox(QStringLiteral(" 定时方式"), this), QStringLiteral("Check3"),
                         Twips(8460, 4560, 1215, 300));
    timedModeBox->setFont(WindowFont(9.75, false));
    timedModeBox->setAccessibleName(QStringLiteral("定时方式"));
    intervalBox = MakeBox(this, QStringLiteral("Text9"), Twips(8460, 4920, 795, 330),
                          QStringLiteral("定时间隔 ms"));
    intervalBox->setText(QStringLiteral("1000"));
    MakeLabel(this, QStringLiteral("Label11"), QStringLiteral("ms"), Twips(9285, 4950, 390, 300),
              WindowFont(12, true));
    const QFont buttonFont = WindowFont(9.75, true);
    composeButton = MakeButton(this, QStringLiteral("Command3"), QStringLiteral("数据组织"),
                               Twips(8460, 5370, 1200, 420), buttonFont);
    sendButton = MakeButton(this, QStringLiteral("Command2(0)"), QStringLiteral("发        送"),
                            Twips(8460, 5880, 1200, 420), buttonFont);
    exitButton = MakeButton(this, QStringLiteral("Command1"), QStringLiteral("退        出"),
                            Twips(8460, 6390, 1200, 480), WindowFont(12, true));

    timedSendTimer = new QTimer(this);
    timedSendTimer->setObjectName(QStringLiteral("Timer2"));
    timedSendTimer->setInterval(1000);
    timedSendTimer->setTimerType(Qt::PreciseTimer);
}
