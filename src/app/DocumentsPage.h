#pragma once

#include "app/GridPage.h"

namespace pelmora::app {

// Page 7: the documents linked to the contact.
class DocumentsPage : public GridPage {
    Q_OBJECT
public:
    explicit DocumentsPage(QWidget* parent = nullptr);
};

} // namespace pelmora::app
