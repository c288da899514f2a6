#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QToolButton;

namespace pelmora::comms {
class TCustomEditAndBtn;
}

namespace pelmora::app {

// Page 0 of the main window: the contact's own fields, its navigation buttons and the name of
// the open database.
class MainPage : public QWidget {
    Q_OBJECT
public:
    explicit MainPage(QWidget* parent = nullptr);

    void setDatabaseName(const QString& name);
    // The first field of a new contact; the cursor goes there after "Add a New Record".
    QLineEdit* firstNameEdit() const { return m_fName; }

private:
    QWidget* buildNavigationBar();
    QWidget* buildContactFields();
    QWidget* buildCommentsAndSite();
    QLineEdit* addEdit(QGridLayout* grid, int row, int column, const QString& label, const QString& name, int size);
    comms::TCustomEditAndBtn* addEditWithButton(
        QGridLayout* grid, int row, int column, const QString& label, const QString& name, int size);
    QComboBox* addList(
        QGridLayout* grid, int row, int column, const QString& label, const QString& name, const QString& editHint);
    comms::TCustomEditAndBtn* addDateBox(
        QGridLayout* grid, int row, int column, const QString& label, const QString& name);

    QLabel* m_dataName = nullptr;
    QLineEdit* m_fName = nullptr;
};

} // namespace pelmora::app
