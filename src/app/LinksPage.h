#pragma once

#include "app/GridPage.h"

namespace pelmora::app {

// Page 2: the contact's web links.
class LinksPage : public GridPage {
    Q_OBJECT
public:
    explicit LinksPage(QWidget* parent = nullptr);
};

} // namespace pelmora::app
