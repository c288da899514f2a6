#pragma once

#include "GuiTest.h"
#include "TestSupport.h"

#include "widgets/DateText.h"
#include "app/GuiDataPrompts.h"
#include "app/TfrmMainForm.h"
#include "data/TfrmDataModule.h"
#include "settings/Paths.h"

#include <memory>

namespace pelmora::test {

// The main window over a fresh Sample database in a directory of its own, with the prompts
// answered by the test.
class SampleMainFormTest : public GuiTestBase {
protected:
    SampleMainFormTest()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        paths.createDirectories();
        data = std::make_unique<data::TfrmDataModule>(dataPrompts, paths.dataDir(), paths.attachDir());
        data->setDateFormat(app::engineDateFormat());
        data->openDatabase(paths.dataDir());
        form = std::make_unique<app::TfrmMainForm>(paths);
        form->attachDataModule(*data, dataPrompts);
        form->show();
    }
    ~SampleMainFormTest() override { form.reset(); }

    ScriptedPrompts* prompts = installScriptedPrompts();
    TempDir home;
    settings::Paths paths = settings::Paths::forProgramDir(home.path());
    app::GuiDataPrompts dataPrompts { nullptr };
    std::unique_ptr<data::TfrmDataModule> data;
    std::unique_ptr<app::TfrmMainForm> form;
};

} // namespace pelmora::test
