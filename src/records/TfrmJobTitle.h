#pragma once

#include "records/TLookupListForm.h"

namespace pelmora::records {

// The job titles offered by the contact's job-title box.
class TfrmJobTitle : public TLookupListForm {
    Q_OBJECT
public:
    explicit TfrmJobTitle(QWidget* parent = nullptr);
};

} // namespace pelmora::records
