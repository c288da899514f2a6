// Wires the two faces of Pelmora: with a command it runs the command line on the core and
// exits; without one it starts the desktop application.
#include "cli/Cli.h"
#include "cli/ReportCommand.h"

#ifdef PELMORA_WITH_GUI
#include "app/Application.h"
#include "reports/ReportPainter.h"
#include "widgets/DateText.h"
#endif

int main(int argc, char** argv)
{
#ifdef PELMORA_WITH_GUI
    pelmora::cli::setPdfExporter(&pelmora::reports::exportPdfHeadless);
    pelmora::cli::setDisplayDateFormat([] { return pelmora::app::engineDateFormat(); });
    if (pelmora::app::isGuiCommand(argc, argv))
        return pelmora::app::run(argc, argv);
#endif
    if (pelmora::cli::isCommandLine(argc, argv))
        return pelmora::cli::run(argc, argv);
#ifdef PELMORA_WITH_GUI
    return pelmora::app::run(argc, argv);
#else
    return pelmora::cli::run(argc, argv);
#endif
}
