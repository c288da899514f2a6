#include "records/TfrmJobTitle.h"

namespace pelmora::records {

TfrmJobTitle::TfrmJobTitle(QWidget* parent)
    : TLookupListForm(QStringLiteral("TfrmJobTitle"), tr("Job Title"), tr("Job Title"),
        tr("Do You Want to Delete the Item ?"), parent)
{
}

} // namespace pelmora::records
