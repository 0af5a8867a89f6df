#include "figureplatform.h"

#include "fontsubstitutes.h"

#include <QDir>
#include <QRegularExpression>
#include <QString>
#include <QLoggingCategory>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace {

const FigurePlatform *starting = nullptr;
QByteArray startingDirectory;
QtMessageHandler previousHandler = nullptr;

// While the QApplication starts: Qt's fatal failure to open its platform
// becomes one line, and the program ends before Qt aborts it.
void watchStart(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtFatalMsg) {
        if (previousHandler)
            previousHandler(type, context, text);
        return;
    }
    const QByteArray line =
            FigurePlatform::failureLine(qgetenv("QT_QPA_PLATFORM"), text) + '\n';
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
    std::fflush(stderr);
    if (!startingDirectory.isEmpty())
        QDir(QFile::decodeName(startingDirectory)).removeRecursively();
    std::_Exit(2);
}

} // namespace

QByteArray FigurePlatform::failureLine(const QByteArray &platform, const QString &qtMessage)
{
    const QString marker = QStringLiteral("Available platform plugins are: ");
    QString available;
    const int at = qtMessage.indexOf(marker);
    if (at >= 0) {
        available = qtMessage.mid(at + marker.size());
        available = available.left(available.indexOf(QRegularExpression(QStringLiteral("[.\n]"))));
    }
    QByteArray line = "kestrune-sim: cannot start the Qt platform '" + platform.left(60)
            + "' (QT_QPA_PLATFORM) to draw figures";
    if (!available.isEmpty())
        line += "; the platforms here are " + available.toLocal8Bit();
    return line + "; unset QT_QPA_PLATFORM to draw them on the offscreen platform";
}

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
    starting = this;
    startingDirectory = runtimeDirectory;
    previousHandler = qInstallMessageHandler(watchStart);
}

FigurePlatform::~FigurePlatform()
{
    if (!runtimeDirectory.isEmpty())
        QDir(QFile::decodeName(runtimeDirectory)).removeRecursively();
}

void FigurePlatform::applicationStarted()
{
    if (starting) {
        qInstallMessageHandler(previousHandler);
        starting = nullptr;
    }
    installFontSubstitutes();
}
