#pragma once

#include <QObject>

#include <functional>
#include <vector>

class QWidget;

namespace pelmora::data {
class TableView;
}

namespace pelmora::app {

// Connects one view of the data module to the windows: the view's notifications become Qt
// signals that grids and bound controls follow. A detail view's list changes whenever its master
// moves, so the master's moves are passed on as listChanged too.
class TDataSource : public QObject {
    Q_OBJECT
public:
    explicit TDataSource(data::TableView& view, QObject* parent = nullptr);
    ~TDataSource() override;

    data::TableView& view() const { return m_view; }

    // Runs a change of the view; an error of the engine is shown in its own words (over
    // `parent`) and false returned, leaving the view as the engine left it.
    bool guarded(QWidget* parent, const std::function<void()>& change) const;
    // Puts the view into edit state unless it already is being edited or inserted; an empty
    // view gets a new record instead.
    void ensureEditing() const;
    // Posts the record being edited, after the bound controls have stored what is still typed
    // in them. True when nothing was being edited or the post succeeded.
    bool post(QWidget* parent);
    // What leaving the record does (moving, adding another, changing page, closing): a new
    // record nobody changed is dropped, anything else is posted as post() does.
    bool leave(QWidget* parent);
    // Has the bound controls store what is still typed in them; false when one could not (its
    // error has been shown).
    bool storePending();
    // A control could not store its text while flushing; the post does not go ahead.
    void refusePost() { m_postRefused = true; }

signals:
    // About to post: controls holding typed text that is not stored yet store it now.
    void flushing();
    void currentChanged();
    void dataChanged();
    void stateChanged();
    void listChanged();
    // The record was stored by post() or leave(); a new record nobody changed was dropped.
    void posted();
    void discarded();

private:
    data::TableView& m_view;
    std::vector<int> m_subscriptions;
    int m_masterSubscription = 0;
    bool m_postRefused = false;
};

} // namespace pelmora::app
