#pragma once

#include "records/TDetailEditor.h"

namespace pelmora::records {

// The editor of one note.
class TfrmNotes : public TDetailEditor {
    Q_OBJECT
public:
    explicit TfrmNotes(app::TDataSource* source = nullptr, QWidget* parent = nullptr);
};

} // namespace pelmora::records
