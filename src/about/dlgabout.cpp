#include "dlgabout.h"

#include <QString>
#include <QWidget>

DlgAbout::DlgAbout(QWidget *parent)
    : QDialog(parent)
{
    setupUi(this);

    // The build line names the compiler's own date and time texts
    // ("Jul 15 2011", "01:19:41") and is deliberately left untranslated.
    lblBuildInfo->setText(QStringLiteral("Version %1. Build time: %2 %3")
                              .arg(QStringLiteral(KESTRUNE_VERSION), 0, QLatin1Char(' '))
                              .arg(QStringLiteral(__DATE__), 0, QLatin1Char(' '))
                              .arg(QStringLiteral(__TIME__), 0, QLatin1Char(' ')));

    adjustSize();
    setWindowFlags(windowFlags() & ~(Qt::WindowMaximizeButtonHint | Qt::CustomizeWindowHint));
    setFixedSize(width(), height());
}

DlgAbout::~DlgAbout() = default;
