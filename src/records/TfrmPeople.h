#pragma once

#include "records/TDetailEditor.h"

namespace pelmora::records {

// The editor of one person who works at the contact.
class TfrmPeople : public TDetailEditor {
    Q_OBJECT
public:
    explicit TfrmPeople(app::TDataSource* source = nullptr, QWidget* parent = nullptr);
};

} // namespace pelmora::records
