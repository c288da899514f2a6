#include "app/Application.h"

#include "app/Prompts.h"
#include "app/Screenshots.h"
#include "app/TfrmMainForm.h"
#include "app/TfrmSplash.h"
#include "app/TOnlyOpenOnce.h"
#include "base/Error.h"
#include "settings/Paths.h"

#include <QApplication>

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

int runScreenshots(const QStringList& words, const settings::Paths& paths)
{
    if (words.size() != 2) {
        std::fputs("pelmora: usage: pelmora screenshots DIR\n", stderr);
        return 2;
    }
    try {
        renderScreenshots(words.at(1), paths);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}

} // namespace

bool isGuiCommand(int argc, char** argv)
{
    const StartOptions options = parseOptions(argc, argv);
    return !options.words.isEmpty() && options.words.front() == QLatin1String("screenshots");
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
    std::optional<std::filesystem::path> home;
    if (!options.home.isEmpty())
        home = std::filesystem::path(options.home.toStdString());
    const settings::Paths paths = settings::Paths::resolve(home);
    if (screenshots)
        return runScreenshots(options.words, paths);

    TfrmSplash splash;
    splash.show();
    QApplication::processEvents();
    TOnlyOpenOnce onlyOpenOnce(QString::fromLatin1(UniqueString));
    if (!onlyOpenOnce.claim())
        return 0; // the running copy has been told to come forward
    TfrmMainForm mainForm(paths);
    onlyOpenOnce.setWindow(&mainForm);
    splash.finish(&mainForm);
    mainForm.showMaximized();
    return QApplication::exec();
}

} // namespace pelmora::app
