#pragma once

#include "widgets/TCustomEditAndBtn.h"

#include <QIcon>

#include <functional>

namespace pelmora::comms {

enum TEditAndDialBtnKind { dkCustom = 0, dkStandard = 1 };

// An edit whose button dials the number typed into it. The main window keeps one hidden
// instance through which every dial button of the program places its call.
class TEditAndDial : public TCustomEditAndBtn {
    Q_OBJECT
public:
    // May fill in the called party (by reference) before the call is requested.
    using TBeforeDialEvent = std::function<void(TEditAndDial* sender, QString& calledParty)>;

    explicit TEditAndDial(QWidget* parent = nullptr);

    TEditAndDialBtnKind buttonKind() const { return m_kind; }
    void setButtonKind(TEditAndDialBtnKind kind);
    QIcon buttonGlyphDial() const { return m_glyph; }
    void setButtonGlyphDial(const QIcon& glyph);
    void setBeforeDial(TBeforeDialEvent handler) { m_beforeDial = std::move(handler); }

    // The standard dial glyph, shared by every dial button of the program.
    static QIcon standardGlyph();

public slots:
    void dial();

private:
    TEditAndDialBtnKind m_kind = dkStandard;
    QIcon m_glyph;
    TBeforeDialEvent m_beforeDial;
};

} // namespace pelmora::comms
