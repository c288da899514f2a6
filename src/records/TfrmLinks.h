#pragma once

#include "records/TDetailEditor.h"

namespace pelmora::records {

// The editor of one web link.
class TfrmLinks : public TDetailEditor {
    Q_OBJECT
public:
    explicit TfrmLinks(app::TDataSource* source = nullptr, QWidget* parent = nullptr);

private:
    void goToWebPage();
};

} // namespace pelmora::records
