#include "mainwindow.h"

#include <QApplication>
#include <QFont>

#include <clocale>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // The C runtime formats numbers by the user's locale from here on; Qt's
    // own number formatting does not depend on it.
    std::setlocale(LC_ALL, "");
    // The window asks for Tahoma, a Windows font. Where it is missing, one of
    // the common Arial-metric fonts takes its place: their widths keep the
    // rows of the configuration panel within the dock's 400 pixels, where the
    // usual default sans would push the spin boxes past its edge.
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica")});

    MainWindow window;
    window.show();
    return app.exec();
}
