#include "displayguard.h"
#include "fontsubstitutes.h"
#include "mainwindow.h"

#include <QApplication>

#include <clocale>

int main(int argc, char **argv)
{
    const std::unique_ptr<QApplication> app = DisplayGuard::openApplication(argc, argv);
    if (!app)
        return 1;
    // The C runtime formats numbers by the user's locale from here on; Qt's
    // own number formatting does not depend on it.
    std::setlocale(LC_ALL, "");
    installFontSubstitutes();

    MainWindow window;
    window.show();
    return app->exec();
}
