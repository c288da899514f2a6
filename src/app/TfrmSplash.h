#pragma once

#include <QSplashScreen>

namespace pelmora::app {

// The borderless window shown, centred, while the other windows are built at start.
class TfrmSplash : public QSplashScreen {
    Q_OBJECT
public:
    TfrmSplash();

private:
    static QPixmap artwork(qreal devicePixelRatio);
};

} // namespace pelmora::app
