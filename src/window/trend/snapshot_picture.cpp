#include "window/trend/snapshot_picture.h"

#include <QBuffer>
#include <QChart>
#include <QCoreApplication>
#include <QGraphicsLayout>
#include <QImage>
#include <QPainter>

#include "window/trend/trend_chart.h"

namespace {

constexpr int kWidth = 1200;
constexpr int kHeight = 700;

QtMessageHandler gPreviousHandler = nullptr;

void DropSizeHintWarning(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text.contains(QLatin1String("propagateSizeHints"))) return;
    if (gPreviousHandler) gPreviousHandler(type, context, text);
}

}  // namespace

QByteArray SnapshotPicture(const trip::SnapshotSpan& span) {
    exchange::SampleStore store(span.samples.size() + 1);
    for (const exchange::Sample& sample : span.samples) store.append(sample);
    TrendChart chart(store);
    chart.setAttribute(Qt::WA_DontShowOnScreen);
    // Without a window on show, this one closing would otherwise end the program.
    chart.setAttribute(Qt::WA_QuitOnClose, false);
    chart.resize(kWidth, kHeight);
    chart.setChannels(span.channels);
    // A chart view lays itself out for its size only once shown; shown off the screen, it
    // would make the platform without a display complain of size hints every time.
    gPreviousHandler = qInstallMessageHandler(DropSizeHintWarning);
    chart.show();
    qInstallMessageHandler(gPreviousHandler);
    chart.showStretch(span.fromMs, span.toMs);
    chart.setMarks({span.momentMs});
    // The chart lays itself out from posted events; only those are delivered here, so nothing
    // else (a reply, a timer) runs while the picture is taken.
    for (int round = 0; round < 3; ++round) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::Polish);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::GraphicsSceneResize);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    }
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    chart.render(&painter);
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}
