#include "records/TfrmDepart.h"

namespace pelmora::records {

TfrmDepart::TfrmDepart(QWidget* parent)
    : TLookupListForm(QStringLiteral("TfrmDepart"), tr("Department"), tr("Department"),
        tr("Do You Want to Delete the Item ?"), parent)
{
}

} // namespace pelmora::records
