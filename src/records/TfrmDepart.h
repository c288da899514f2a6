#pragma once

#include "records/TLookupListForm.h"

namespace pelmora::records {

// The departments offered by the contact's department box.
class TfrmDepart : public TLookupListForm {
    Q_OBJECT
public:
    explicit TfrmDepart(QWidget* parent = nullptr);
};

} // namespace pelmora::records
