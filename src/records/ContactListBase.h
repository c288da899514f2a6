#pragma once

#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

class QComboBox;

namespace pelmora::data {
class TfrmDataModule;
}

namespace pelmora::app {
class TDBGrid;
class TDataSource;
} // namespace pelmora::app

namespace pelmora::records {

// What the contact list and the URL list share: the main window's own contact view in one wide
// grid, narrowed by the three categories while the window is active. Each category chosen adds
// a condition to the view's condition list; whatever conditions the view had before activation
// are kept under them and are all it holds again once the window is left, so the main window
// never keeps a list's narrowing or loses its own.
class ContactListBase : public QWidget {
    Q_OBJECT
public:
    struct Setup {
        QString objectName;
        QString caption;
        QStringList hints;
        bool userFields = false; // the 20 user fields after the contact's own
        QString helpFile;
        std::vector<std::string> ownConditions; // kept while active, under the categories
    };

    ContactListBase(data::TfrmDataModule& data, app::TDataSource* contacts, Setup setup, QWidget* parent);

    app::TDBGrid* grid() const { return m_grid; }
    QComboBox* categoryList(int index) const { return m_categories[index]; }
    bool isListActive() const { return m_active; }

    // Each activation: the categories read anew, all three on "All", the list's own conditions on.
    virtual void activate();
    // Leaving the window: the view back to the conditions it had, on the same contact.
    void deactivate();
    // Rebuilds the conditions from the three category lists.
    void applyCategories();
    // The Browse button of a URL cell: notes the visit and opens the contact's web address.
    void browse();
    // The Send E-mail button of an e-mail cell.
    void sendEmailToContact();

signals:
    // The main window is to show its current contact in front.
    void showContact();
    // A message is to be written to `address` for the current contact.
    void sendEmail(const QString& address);

protected:
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // A double-click on a cell that is not a memo.
    virtual void recordChosen() = 0;
    virtual void closeList();
    app::TDataSource* contacts() const { return m_contacts; }

private:
    bool ownsActiveWindow() const;
    void fillCategories();

    data::TfrmDataModule& m_data;
    app::TDataSource* m_contacts;
    Setup m_setup;
    app::TDBGrid* m_grid;
    QComboBox* m_categories[3] = {};
    std::vector<std::string> m_savedConditions;
    bool m_active = false;
};

} // namespace pelmora::records
