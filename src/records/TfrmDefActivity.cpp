#include "records/TfrmDefActivity.h"

namespace pelmora::records {

TfrmDefActivity::TfrmDefActivity(QWidget* parent)
    : TLookupListForm(QStringLiteral("TfrmDefActivity"), tr("Activities"), tr("Activities"),
        tr("Do You Want to Delete the Record ?"), parent)
{
}

} // namespace pelmora::records
