#include "records/TfrmCategory.h"

namespace pelmora::records {

TfrmCategory::TfrmCategory(QWidget* parent)
    : TLookupListForm(QStringLiteral("TfrmCategory"), tr("Categories"), tr("Category List"),
        tr("Do You Want to Delete the Item ?"), parent)
{
}

} // namespace pelmora::records
