#include "comms/FaxRuler.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QResizeEvent>

namespace pelmora::comms {

namespace {
constexpr int kLineY = 14;
}

FaxRuler::FaxRuler(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("Ruler"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMouseTracking(false);
}

QSize FaxRuler::sizeHint() const
{
    return { 400, 26 };
}

void FaxRuler::setMarkerLeft(int marker, int left)
{
    m_left[marker] = left;
    update();
}

void FaxRuler::setTabStop(double pixels)
{
    m_tabStop = pixels > 4 ? pixels : 80;
    update();
}

QRect FaxRuler::markerRect(int marker) const
{
    // The first-line marker hangs from the top, the two others stand on the bottom.
    int top = marker == FirstIndent ? 0 : height() - 10;
    return { m_left[marker], top, kMarkerWidth, 10 };
}

void FaxRuler::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.setPen(palette().color(QPalette::Mid));
    for (double x = 6 + m_tabStop; x < width(); x += m_tabStop)
        painter.drawLine(QPointF(x, kLineY - 4), QPointF(x, kLineY + 2));
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(0, kLineY + 3, width(), kLineY + 3);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(palette().color(QPalette::Button));
    painter.setPen(palette().color(QPalette::WindowText));
    for (int marker = 0; marker < 3; ++marker) {
        QRect r = markerRect(marker);
        QPolygon shape;
        if (marker == FirstIndent)
            shape << r.topLeft() << r.topRight() << QPoint(r.center().x(), r.bottom());
        else
            shape << r.bottomLeft() << r.bottomRight() << QPoint(r.center().x(), r.top());
        painter.drawPolygon(shape);
    }
}

void FaxRuler::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (resized && m_dragged < 0)
        resized();
}

void FaxRuler::mousePressEvent(QMouseEvent* event)
{
    QPoint at = event->position().toPoint();
    for (int marker = 0; marker < 3; ++marker) {
        if (markerRect(marker).adjusted(-1, -1, 1, 1).contains(at)) {
            m_dragged = marker;
            m_offset = kMarkerWidth / 2;
            setMarkerLeft(marker, at.x() - m_offset);
            return;
        }
    }
}

void FaxRuler::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragged >= 0)
        setMarkerLeft(m_dragged, qBound(-m_offset, event->position().toPoint().x(), width()) - m_offset);
}

void FaxRuler::mouseReleaseEvent(QMouseEvent*)
{
    if (m_dragged < 0)
        return;
    int marker = m_dragged;
    m_dragged = -1;
    if (released)
        released(marker, m_left[marker], m_offset);
}

} // namespace pelmora::comms
