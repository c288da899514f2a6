#include "app/Application.h"

#include <QApplication>
#include <QMainWindow>

namespace pelmora::app {

int run(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelmora"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Pelmora"));
    window.showMaximized();
    return application.exec();
}

} // namespace pelmora::app
