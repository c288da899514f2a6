#include "comms/TEditAndDial.h"

#include "comms/Telephony.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace pelmora::comms {

namespace {

// A handset drawn at run time, so the glyph stays sharp at any scale and needs no image file.
QPixmap handset(int size, qreal ratio, const QColor& colour)
{
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    QPainterPath path;
    path.moveTo(3.0, 2.0);
    path.cubicTo(1.5, 3.5, 1.5, 6.5, 5.0, 10.5);
    path.cubicTo(8.5, 14.0, 12.0, 14.5, 14.0, 13.0);
    path.lineTo(11.5, 10.5);
    path.lineTo(9.8, 11.2);
    path.cubicTo(8.0, 10.2, 5.8, 8.0, 4.8, 6.2);
    path.lineTo(5.5, 4.5);
    path.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPath(path);
    return pixmap;
}

} // namespace

QIcon TEditAndDial::standardGlyph()
{
    static const QIcon glyph = [] {
        QIcon icon;
        for (int size : { 16, 24, 32 }) {
            icon.addPixmap(handset(size, 1.0, QColor(0x1b, 0x6e, 0x2f)), QIcon::Normal);
            icon.addPixmap(handset(size, 1.0, QColor(0x9a, 0x9a, 0x9a)), QIcon::Disabled);
        }
        return icon;
    }();
    return glyph;
}

TEditAndDial::TEditAndDial(QWidget* parent)
    : TCustomEditAndBtn(parent)
{
    setButtonHint(tr("Dial Phone"));
    setButtonKind(dkStandard);
    connect(this, &TCustomEditAndBtn::buttonClicked, this, &TEditAndDial::dial);
}

void TEditAndDial::setButtonKind(TEditAndDialBtnKind kind)
{
    m_kind = kind;
    if (kind == dkStandard) {
        m_glyph = standardGlyph();
        setButtonIcon(m_glyph);
    }
}

void TEditAndDial::setButtonGlyphDial(const QIcon& glyph)
{
    m_glyph = glyph;
    m_kind = dkCustom;
    setButtonIcon(glyph);
}

void TEditAndDial::dial()
{
    QString calledParty;
    if (m_beforeDial)
        m_beforeDial(this, calledParty);
    // The number goes out as typed: the call manager, not this control, decides what it means.
    requestMakeCall({ text(), calledParty });
}

} // namespace pelmora::comms
