// The contact information report over 100,000 contacts: the preview from opening to its first
// page painted, beside the reading alone (the records' count and the first page's records) in
// the same run, so the figures show what the window and the painting add.
#include "../data/BenchmarkDatabase.h"
#include "../OffscreenApplication.h"
#include "data/DataPrompts.h"
#include "data/TfrmDataModule.h"
#include "reportcore/ReportLayout.h"
#include "reports/ReportPreview.h"

#include <QImage>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace pelmora;

struct Contacts {
    data::DefaultPrompts prompts;
    std::unique_ptr<data::TfrmDataModule> data;
    const reportcore::ReportDescription& report = *reportcore::findReport("contacts");

    Contacts()
    {
        const auto& dir = bench::benchmarkDataDirectory();
        data = std::make_unique<data::TfrmDataModule>(prompts, dir, dir / "attach");
        data->openDatabase(dir);
    }
};

void BM_PreviewFirstPageShown(benchmark::State& state)
{
    offscreenApplication();
    Contacts contacts;
    int pages = 0;
    for (auto _ : state) {
        reports::ReportPreview preview(nullptr, contacts.report, reports::viewRows(*contacts.data, contacts.report));
        preview.resize(1280, 900);
        preview.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(preview.grab().toImage());
        pages = preview.pageCount();
    }
    state.counters["pages"] = pages;
}

void BM_PreviewFirstPageRead_Engine(benchmark::State& state)
{
    Contacts contacts;
    const auto metrics = reportcore::PageMetrics::a4(contacts.report.orientation);
    for (auto _ : state) {
        reportcore::ViewRowReader rows(contacts.report, contacts.data->TBLCon, std::nullopt);
        benchmark::DoNotOptimize(rows.count());
        benchmark::DoNotOptimize(rows.readAt(0, reportcore::recordsPerPage(contacts.report, metrics)));
    }
}

void BM_PreviewLastPageShown(benchmark::State& state)
{
    offscreenApplication();
    Contacts contacts;
    reports::ReportPreview preview(nullptr, contacts.report, reports::viewRows(*contacts.data, contacts.report));
    preview.resize(1280, 900);
    preview.show();
    QApplication::processEvents();
    int page = preview.pageCount();
    for (auto _ : state) {
        preview.showPage(page);
        benchmark::DoNotOptimize(preview.grab().toImage());
        page = page == preview.pageCount() ? page - 100 : preview.pageCount(); // never one still painted
    }
}

} // namespace

BENCHMARK(BM_PreviewFirstPageShown)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PreviewFirstPageRead_Engine)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PreviewLastPageShown)->Unit(benchmark::kMillisecond)->Iterations(10);

BENCHMARK_MAIN();
