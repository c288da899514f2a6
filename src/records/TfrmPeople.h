#pragma once

#include "records/TDetailEditor.h"

namespace pelmora::records {

// The editor of one person who works at the contact.
class TfrmPeople : public TDetailEditor {
    Q_OBJECT
public:
    explicit TfrmPeople(app::TDataSource* source = nullptr, QWidget* parent = nullptr);

signals:
    // The e-mail button: the window that owns the send window writes to `to`, the address shown.
    void sendEmail(const QString& to);
};

} // namespace pelmora::records
