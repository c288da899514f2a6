#include "records/TfrmNotes.h"

namespace pelmora::records {

TfrmNotes::TfrmNotes(app::TDataSource* source, QWidget* parent)
    : TDetailEditor(QStringLiteral("TfrmNotes"), tr("Note"), source, parent)
{
    addEdit(tr("Subject"), "Subject", 50);
    addMemo(tr("Memo"), "Memo", tr("Memo"));
    addDateBox(tr("Date Created"), "DateCreated");
    resize(460, 360);
}

} // namespace pelmora::records
