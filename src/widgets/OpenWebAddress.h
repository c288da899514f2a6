#pragma once

#include <QString>

class QWidget;

namespace pelmora::app {

// Hands a web or ftp address to the desktop's browser ("http://" added when it has no scheme).
// Any other kind of address is refused with a message over `parent` and false returned, so a
// stored text can never make the desktop open a local file or start a program. An empty text
// does nothing.
bool openWebAddress(QWidget* parent, const QString& text);

} // namespace pelmora::app
