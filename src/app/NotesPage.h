#pragma once

#include "app/GridPage.h"

namespace pelmora::app {

// Page 6: the contact's notes.
class NotesPage : public GridPage {
    Q_OBJECT
public:
    explicit NotesPage(QWidget* parent = nullptr);
};

} // namespace pelmora::app
