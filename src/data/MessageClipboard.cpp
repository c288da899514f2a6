// Copying messages and the message clipboard of the e-mail page and the inbox.
#include "data/DataError.h"
#include "data/TfrmDataModule.h"

namespace pelmora::data {

std::int64_t TfrmDataModule::copyMessage(std::int64_t counter)
{
    if (!m_database)
        throw EDatabaseError("No database is open");
    Transaction transaction(m_database->sql()); // a message is copied with all its attachment rows or not at all
    QURCopyEmail.setParam("Counter", counter);
    QURCopyEmail.open();
    if (QURCopyEmail.recordCount() == 0)
        return 0;
    const auto copies = BatchCopy.execute();
    const std::int64_t copy = copies.front();
    QURAttach.setParam("EmailNum", counter);
    QURAttach.open();
    if (QURAttach.recordCount() > 0) {
        // The copied rows name the same files; a file goes only when its last row goes.
        for (std::int64_t row : batchAttach.execute()) {
            m_database->sql()
                .prepare("UPDATE \"Attach\" SET \"EmailNum\" = ? WHERE rowid = ?")
                .bind(1, copy)
                .bind(2, row)
                .run();
        }
    }
    transaction.commit();
    TBLEmailFull.refresh();
    TBLAttach.refresh();
    return copy;
}

void TfrmDataModule::copyToClipboard(const TableView& messages)
{
    if (messages.isEmpty())
        return;
    m_clipboard.copied = messages.asInteger("Counter");
}

void TfrmDataModule::cutToClipboard(TableView& messages)
{
    if (messages.isEmpty())
        return;
    returnCutMessage(); // a message cut before and never pasted goes back where it was
    const std::int64_t counter = messages.asInteger("Counter");
    const std::int64_t from = messages.asInteger("Contact");
    messages.edit();
    messages.setInteger("Contact", 0);
    messages.post();
    m_clipboard.cut = counter;
    m_clipboard.cutFrom = from;
    messages.refresh();
}

void TfrmDataModule::returnCutMessage()
{
    if (m_clipboard.cut <= 0 || !m_database)
        return;
    m_database->sql()
        .prepare("UPDATE \"EMAIL\" SET \"Contact\" = ? WHERE rowid = ? AND \"Contact\" = 0")
        .bind(1, m_clipboard.cutFrom)
        .bind(2, m_clipboard.cut)
        .run();
    m_clipboard.cut = 0;
    m_clipboard.cutFrom = 0;
}

void TfrmDataModule::settleClipboard()
{
    returnCutMessage();
    m_clipboard = {};
}

std::int64_t TfrmDataModule::paste(std::int64_t target, TableView& targetView)
{
    if (m_clipboard.copied <= 0 && m_clipboard.cut <= 0)
        return 0;
    std::int64_t message = m_clipboard.cut;
    if (m_clipboard.copied > 0) {
        message = copyMessage(m_clipboard.copied);
        // The copy wins; the cut message must not stay where no window shows it.
        returnCutMessage();
    }
    bool found = false;
    if (message > 0) {
        TBLEmailFull.setFiltered(false);
        found = TBLEmailFull.gotoRowId(message);
        if (found) {
            TBLEmailFull.edit();
            TBLEmailFull.setInteger("Contact", target);
            TBLEmailFull.post();
        }
        TBLEmailFull.setFiltered(true);
    }
    m_clipboard = {};
    if (!found)
        return 0;
    targetView.refresh();
    targetView.gotoRowId(message);
    return message;
}

} // namespace pelmora::data
