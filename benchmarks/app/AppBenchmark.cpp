// The speed goals of the desktop windows on 100,000 contacts, each beside the same work done by
// the data module alone (no windows) in the same run, so the figures show what the windows add.
#include "../data/BenchmarkDatabase.h"
#include "../OffscreenApplication.h"
#include "app/GuiDataPrompts.h"
#include "app/MainCommands.h"
#include "app/TfrmMainForm.h"
#include "app/TfrmSearch.h"
#include "data/TfrmDataModule.h"
#include "settings/Paths.h"
#include "widgets/DateText.h"
#include "widgets/TDataSource.h"

#include <QAction>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace pelmora;

struct Program {
    app::GuiDataPrompts prompts { nullptr };
    std::unique_ptr<data::TfrmDataModule> data;
    std::unique_ptr<app::TfrmMainForm> form;

    explicit Program(bool windows)
    {
        const auto& dir = bench::benchmarkDataDirectory();
        data = std::make_unique<data::TfrmDataModule>(prompts, dir, dir / "attach");
        data->setDateFormat(app::engineDateFormat());
        data->openDatabase(dir);
        if (!windows)
            return;
        form = std::make_unique<app::TfrmMainForm>(settings::Paths::forProgramDir(dir.parent_path() / "gui-home"));
        form->attachDataModule(*data, prompts);
        form->resize(1280, 800);
        form->show();
        QApplication::processEvents();
    }
};

void BM_StartToMainWindowShown_Gui(benchmark::State& state)
{
    offscreenApplication();
    for (auto _ : state) {
        Program program(true);
        benchmark::DoNotOptimize(program.form.get());
    }
}

void BM_StartToMainWindowShown_Engine(benchmark::State& state)
{
    for (auto _ : state) {
        Program program(false);
        benchmark::DoNotOptimize(program.data.get());
    }
}

void BM_NextContactAllPagesFollow_Gui(benchmark::State& state)
{
    offscreenApplication();
    Program program(true);
    QAction* next = program.form->commands()->action(QStringLiteral("mnuNextRecord"));
    for (auto _ : state) {
        if (program.data->TBLCon.eof())
            program.data->TBLCon.first();
        next->trigger();
        QApplication::processEvents(); // the pages repaint
    }
}

void BM_NextContactAllPagesFollow_Engine(benchmark::State& state)
{
    Program program(false);
    for (auto _ : state) {
        if (!program.data->TBLCon.next())
            program.data->TBLCon.first();
    }
}

void BM_SearchKeystroke_Gui(benchmark::State& state)
{
    offscreenApplication();
    Program program(true);
    app::TfrmSearch search(program.data->TBLSearchCon, program.form->dsCon());
    search.show();
    const QString prefixes[] = { QStringLiteral("M"), QStringLiteral("Ma"), QStringLiteral("S"), QStringLiteral("Sm") };
    int i = 0;
    for (auto _ : state) {
        search.searchFor(prefixes[i++ % 4]);
        QApplication::processEvents();
    }
}

void BM_SearchKeystroke_Engine(benchmark::State& state)
{
    Program program(false);
    program.data->TBLSearchCon.open();
    const char* prefixes[] = { "M", "Ma", "S", "Sm" };
    int i = 0;
    for (auto _ : state) {
        program.data->TBLSearchCon.locate(
            { "LName" }, { data::Value(std::string(prefixes[i++ % 4])) }, { true, true, false });
    }
}

void toggle(data::TableView& contacts, bool on, const char* expression)
{
    contacts.setFilter(on ? expression : "");
    contacts.setFiltered(on);
    benchmark::DoNotOptimize(contacts.recordCount());
}

// A filter nothing matches, one 90% of the contacts match, and one on the view's own order that
// 11% match, all late in that order: the engine reads each differently.
void BM_FilterToggle_Gui(benchmark::State& state, const char* expression)
{
    offscreenApplication();
    Program program(true);
    bool on = false;
    for (auto _ : state) {
        on = !on;
        toggle(program.data->TBLCon, on, expression);
        QApplication::processEvents();
    }
}

void BM_FilterToggle_Engine(benchmark::State& state, const char* expression)
{
    Program program(false);
    bool on = false;
    for (auto _ : state) {
        on = !on;
        toggle(program.data->TBLCon, on, expression);
    }
}

} // namespace

BENCHMARK(BM_StartToMainWindowShown_Gui)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_StartToMainWindowShown_Engine)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_NextContactAllPagesFollow_Gui)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NextContactAllPagesFollow_Engine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchKeystroke_Gui)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchKeystroke_Engine)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FilterToggle_Gui, none_match, "CategoryA = 'Cust*'")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FilterToggle_Engine, none_match, "CategoryA = 'Cust*'")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FilterToggle_Gui, most_match, "CategoryA = 'Category*'")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FilterToggle_Engine, most_match, "CategoryA = 'Category*'")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FilterToggle_Gui, late_in_order, "LName = 'Name9*'")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FilterToggle_Engine, late_in_order, "LName = 'Name9*'")->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
