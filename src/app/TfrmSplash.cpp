#include "app/TfrmSplash.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

namespace pelmora::app {

TfrmSplash::TfrmSplash()
    : QSplashScreen(
        artwork(QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->devicePixelRatio() : 1.0))
{
    setObjectName(QStringLiteral("TfrmSplash"));
}

// Drawn rather than loaded, so it is sharp on every screen scale and needs no image file.
QPixmap TfrmSplash::artwork(qreal devicePixelRatio)
{
    const QSize size(420, 220);
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient background(0, 0, 0, size.height());
    background.setColorAt(0.0, QColor(0x1f, 0x4e, 0x8c));
    background.setColorAt(1.0, QColor(0x10, 0x2a, 0x4f));
    painter.fillRect(QRect(QPoint(0, 0), size), background);
    painter.setPen(QColor(255, 255, 255));
    QFont title = QApplication::font();
    title.setPixelSize(52);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(QRect(0, 40, size.width(), 90), Qt::AlignCenter, QStringLiteral("Pelmora"));
    QFont line = QApplication::font();
    line.setPixelSize(15);
    painter.setFont(line);
    painter.setPen(QColor(0xd0, 0xdc, 0xec));
    painter.drawText(QRect(0, 130, size.width(), 30), Qt::AlignCenter,
        QApplication::translate("TfrmSplash", "Contacts, activities, documents and e-mail"));
    painter.drawText(QRect(0, 180, size.width() - 16, 28), Qt::AlignRight | Qt::AlignVCenter,
        QApplication::translate("TfrmSplash", "Version %1").arg(QApplication::applicationVersion()));
    return pixmap;
}

} // namespace pelmora::app
