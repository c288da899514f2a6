#pragma once

#include "records/TLookupListForm.h"

namespace pelmora::records {

// The activity names offered by the activity editor and the activity filter.
class TfrmDefActivity : public TLookupListForm {
    Q_OBJECT
public:
    explicit TfrmDefActivity(QWidget* parent = nullptr);
};

} // namespace pelmora::records
