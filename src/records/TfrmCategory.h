#pragma once

#include "records/TLookupListForm.h"

namespace pelmora::records {

// The categories offered by the contact's three category boxes.
class TfrmCategory : public TLookupListForm {
    Q_OBJECT
public:
    explicit TfrmCategory(QWidget* parent = nullptr);
};

} // namespace pelmora::records
