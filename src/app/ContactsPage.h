#pragma once

#include "app/GridPage.h"

namespace pelmora::app {

// Page 5: the people who work at the contact.
class ContactsPage : public GridPage {
    Q_OBJECT
public:
    explicit ContactsPage(QWidget* parent = nullptr);
};

} // namespace pelmora::app
