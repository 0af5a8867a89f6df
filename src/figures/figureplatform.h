#pragma once

#include <QByteArray>

class QString;

// Readies a process that draws figures, and shows no window, for its
// QApplication: Qt's offscreen platform, so that no display is needed and a
// figure does not depend on the display a user happens to sit at (unless
// QT_QPA_PLATFORM names a platform), a private runtime directory where
// XDG_RUNTIME_DIR is not set, and none of Qt's notes about the platform and
// its fonts, which say nothing about a figure. Construct it before the
// QApplication and keep it until the end; call applicationStarted() once the
// QApplication exists. A platform that cannot start in between (a
// QT_QPA_PLATFORM of a plugin that is not there, xcb without a display)
// ends the program with one line and exit status 2, where Qt would abort.
class FigurePlatform
{
public:
    FigurePlatform();
    // Removes the runtime directory it made.
    ~FigurePlatform();
    FigurePlatform(const FigurePlatform &) = delete;
    FigurePlatform &operator=(const FigurePlatform &) = delete;

    // The window's font stand-ins, so that the figures look like the window;
    // Qt's messages go their usual way again.
    static void applicationStarted();

    // The line for a platform that could not start, from Qt's fatal message.
    static QByteArray failureLine(const QByteArray &platform, const QString &qtMessage);

private:
    QByteArray runtimeDirectory; // made here; empty if none
};
