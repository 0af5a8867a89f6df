#include "figureplatform.h"

#include "fontsubstitutes.h"

#include <QDir>
#include <QLoggingCategory>
#include <QtGlobal>

#include <cstdlib>

#include <unistd.h>

FigurePlatform::FigurePlatform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        QByteArray name = QFile::encodeName(QDir::tempPath()) + "/kestrune-sim-XXXXXX";
        // mkdtemp makes it with mode 0700, as a runtime directory must be.
        if (::mkdtemp(name.data())) {
            runtimeDirectory = name;
            qputenv("XDG_RUNTIME_DIR", runtimeDirectory);
        }
    }
    // QT_LOGGING_RULES, read later, can still turn them on.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.qpa.*=false"));
}

FigurePlatform::~FigurePlatform()
{
    if (!runtimeDirectory.isEmpty())
        QDir(QFile::decodeName(runtimeDirectory)).removeRecursively();
}

void FigurePlatform::applicationStarted()
{
    installFontSubstitutes();
}
