#include "widgets/TDataSource.h"

#include "data/TableView.h"
#include "widgets/Prompts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

namespace pelmora::app {

TDataSource::TDataSource(data::TableView& view, QObject* parent)
    : QObject(parent)
    , m_view(view)
{
    using data::ViewEvent;
    m_subscriptions.push_back(m_view.subscribe(ViewEvent::CurrentChanged, [this] { emit currentChanged(); }));
    m_subscriptions.push_back(m_view.subscribe(ViewEvent::DataChanged, [this] { emit dataChanged(); }));
    m_subscriptions.push_back(m_view.subscribe(ViewEvent::StateChanged, [this] { emit stateChanged(); }));
    m_subscriptions.push_back(m_view.subscribe(ViewEvent::ListChanged, [this] { emit listChanged(); }));
    if (data::TableView* master = m_view.master())
        m_masterSubscription = master->subscribe(ViewEvent::CurrentChanged, [this] { emit listChanged(); });
}

TDataSource::~TDataSource()
{
    for (int id : m_subscriptions)
        m_view.unsubscribe(id);
    if (m_masterSubscription && m_view.master())
        m_view.master()->unsubscribe(m_masterSubscription);
}

bool TDataSource::guarded(QWidget* parent, const std::function<void()>& change) const
{
    try {
        change();
        return true;
    } catch (const std::exception& error) {
        prompts().showError(parent, QCoreApplication::applicationName(), QString::fromUtf8(error.what()));
        return false;
    }
}

bool TDataSource::storePending()
{
    m_postRefused = false;
    emit flushing();
    return !m_postRefused;
}

bool TDataSource::post(QWidget* parent)
{
    if (!m_view.isEditing())
        return true;
    m_postRefused = false;
    emit flushing();
    if (m_postRefused)
        return false; // the error was shown; the record stays in edit with the text typed
    const bool stored = guarded(parent, [this] {
        if (m_view.isEditing())
            m_view.post();
    });
    if (stored)
        emit posted();
    return stored;
}

bool TDataSource::leave(QWidget* parent)
{
    if (m_view.state() == data::ViewState::Insert) {
        if (!storePending())
            return false; // typed text that cannot be stored keeps the record to mend it
        if (!m_view.modified()) {
            m_view.cancel(); // an untouched new record would be stored blank
            emit discarded();
            return true;
        }
    }
    return post(parent);
}

// With no record to change, typing into a bound field starts the first one, so what the user
// types into an empty database is kept instead of refused at every key.
void TDataSource::ensureEditing() const
{
    if (m_view.isEditing())
        return;
    if (m_view.isEmpty()) {
        // The new record's rules may move the focus to its first field; the typing goes on
        // where the user is.
        QPointer<QWidget> typingIn = QApplication::focusWidget();
        m_view.insert();
        if (typingIn && QApplication::focusWidget() != typingIn)
            typingIn->setFocus();
    } else
        m_view.edit();
}

} // namespace pelmora::app
