#include "app/Application.h"

#include "app/DesktopLinkCommands.h"
#include "app/GuiDataPrompts.h"
#include "app/Screenshots.h"
#include "app/TfrmMainForm.h"
#include "app/TfrmSplash.h"
#include "app/TOnlyOpenOnce.h"
#include "base/Error.h"
#include "data/TfrmDataModule.h"
#include "settings/HelpPages.h"
#include "settings/Paths.h"
#include "widgets/DateText.h"
#include "widgets/Prompts.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace pelmora::app {

namespace {

// The key by which copies of the program recognise each other.
const char* const UniqueString = "12345tovek";

struct StartOptions {
    QString home;
    QStringList words; // a command and its arguments, when one was given
};

StartOptions parseOptions(int argc, char** argv)
{
    StartOptions options;
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        if (std::strcmp(word, "--home") == 0 && i + 1 < argc)
            options.home = QString::fromLocal8Bit(argv[++i]);
        else if (std::strncmp(word, "--home=", 7) == 0)
            options.home = QString::fromLocal8Bit(word + 7);
        else if (word[0] != '-' || !options.words.isEmpty())
            options.words << QString::fromLocal8Bit(word);
    }
    return options;
}

// The one place where an error that no command caught reaches the user: the event it broke
// off is abandoned, the message is shown, and the windows stay usable.
class PelmoraApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            prompts().showError(activeWindow(), applicationName(), QString::fromUtf8(error.what()));
        }
        return false;
    }
};

int runScreenshots(const QStringList& words)
{
    if (words.size() != 2) {
        std::fputs("pelmora: usage: pelmora screenshots DIR\n", stderr);
        return 2;
    }
    try {
        renderScreenshots(words.at(1));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}

// The data module, second of the windows: the shared tables, then the database used last. An
// error of the engine is shown and the program runs on, with whatever could be opened.
std::unique_ptr<data::TfrmDataModule> openDataModule(TfrmMainForm& mainForm, GuiDataPrompts& dataPrompts)
{
    std::unique_ptr<data::TfrmDataModule> dataModule;
    try {
        mainForm.paths().createDirectories();
        // Pages the user edited are kept; only missing ones are written.
        settings::installHelpPages(mainForm.paths().helpDir());
    } catch (const std::exception& error) {
        prompts().showError(&mainForm, mainForm.windowTitle(), QString::fromUtf8(error.what()));
    }
    try {
        dataModule = std::make_unique<data::TfrmDataModule>(
            dataPrompts, mainForm.paths().dataDir(), mainForm.paths().attachDir());
        dataModule->setDateFormat(engineDateFormat());
        dataModule->openDatabase(mainForm.settings().lastData);
    } catch (const std::exception& error) {
        prompts().showError(&mainForm, mainForm.windowTitle(), QString::fromUtf8(error.what()));
    }
    if (dataModule)
        mainForm.attachDataModule(*dataModule, dataPrompts);
    return dataModule;
}

// A mailto: or tel: link the desktop started the program with (the Exec line's %u).
QString desktopLink(const StartOptions& options)
{
    if (options.words.size() != 1)
        return {};
    const QString& word = options.words.front();
    return word.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive)
            || word.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive)
        ? word
        : QString();
}

} // namespace

bool isGuiCommand(int argc, char** argv)
{
    const StartOptions options = parseOptions(argc, argv);
    return !options.words.isEmpty()
        && (options.words.front() == QLatin1String("screenshots") || !desktopLink(options).isEmpty());
}

int run(int argc, char** argv)
{
    const StartOptions options = parseOptions(argc, argv);
    const bool screenshots = !options.words.isEmpty() && options.words.front() == QLatin1String("screenshots");
    if (screenshots && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // pictures need no display
    PelmoraApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelmora"));
    QApplication::setApplicationVersion(QStringLiteral(PELMORA_VERSION));
    if (screenshots)
        return runScreenshots(options.words);
    std::optional<std::filesystem::path> home;
    if (!options.home.isEmpty())
        home = std::filesystem::path(options.home.toStdString());
    const settings::Paths paths = settings::Paths::resolve(home);

    TfrmSplash splash;
    splash.show();
    QApplication::processEvents();
    TOnlyOpenOnce onlyOpenOnce(QString::fromLatin1(UniqueString));
    const QString link = desktopLink(options);
    onlyOpenOnce.setLink(link);
    if (!onlyOpenOnce.claim()) {
        // The running copy has been told to come forward; when it could not, the user hears why
        // nothing appeared.
        if (!onlyOpenOnce.handOverNotice().isEmpty()) {
            splash.hide();
            prompts().inform(nullptr, QApplication::applicationName(), onlyOpenOnce.handOverNotice());
        }
        return 0;
    }
    // Declared before the main window so that it outlives the data sources bound to its views.
    std::unique_ptr<data::TfrmDataModule> dataModule;
    TfrmMainForm mainForm(paths);
    onlyOpenOnce.setWindow(&mainForm);
    GuiDataPrompts dataPrompts(&mainForm);
    dataModule = openDataModule(mainForm, dataPrompts);
    const bool maximized = mainForm.restoreWindowState();
    splash.finish(&mainForm);
    if (maximized)
        mainForm.showMaximized();
    else
        mainForm.show();
    // Links are opened once the window is up, whether this copy was started with one or a copy
    // started later handed one over.
    auto openLink = [&mainForm](const QString& given) {
        if (auto* links = mainForm.findChild<DesktopLinkCommands*>())
            links->open(given);
    };
    QObject::connect(&onlyOpenOnce, &TOnlyOpenOnce::linkHandedOver, &mainForm, openLink, Qt::QueuedConnection);
    if (!link.isEmpty())
        QTimer::singleShot(0, &mainForm, [openLink, link] { openLink(link); });
    return QApplication::exec();
}

} // namespace pelmora::app
