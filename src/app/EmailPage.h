#pragma once

#include "app/GridPage.h"

class QComboBox;
class QPlainTextEdit;
class QSplitter;

namespace pelmora::app {

// Page 1: the contact's messages, with the body of the current one below a splitter.
class EmailPage : public GridPage {
    Q_OBJECT
public:
    explicit EmailPage(QWidget* parent = nullptr);

    QSplitter* splitter() const { return m_splitter; }

private:
    QSplitter* m_splitter;
    QPlainTextEdit* m_body;
};

} // namespace pelmora::app
