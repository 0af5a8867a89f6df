#pragma once

#include <memory>
#include <string>

class QApplication;

// Starts the window's application object where there is a display to show
// it on, and otherwise ends with one line that says so and what to do
// instead of Qt's abort (a core dump after advice to reinstall).
//
// Before QApplication exists it looks at what Qt picks its platform from:
// with none of DISPLAY, WAYLAND_DISPLAY, QT_QPA_PLATFORM, -platform or
// -display there is plainly nothing to open. When a display is named but
// cannot be opened (a stale DISPLAY), or a platform chosen with
// QT_QPA_PLATFORM or -platform cannot start (no such plugin, xcb without a
// display), Qt's fatal failure is caught while QApplication starts and
// replaced by one line that names what failed and what to do.
class DisplayGuard
{
public:
    // The settings Qt chooses and opens its platform by.
    struct Environment {
        std::string display;        // DISPLAY
        std::string waylandDisplay; // WAYLAND_DISPLAY
        std::string qpaPlatform;    // QT_QPA_PLATFORM
        std::string platformArgument; // the value of -platform or --platform
        std::string displayArgument;  // the value of -display or --display
        bool platformChosen() const;
    };

    static Environment current(int argc, char **argv);

    // The line to print when the window has no display to open, naming what
    // was tried; empty when the settings name one.
    static std::string noDisplayLine(const Environment &environment, bool triedToOpen);

    // The line for a chosen platform that failed to start, from Qt's fatal
    // message (which lists the platforms this Qt has).
    static std::string platformFailureLine(const Environment &environment,
                                           const std::string &qtMessage);

    // The application object, or null after printing the line to stderr
    // (the caller then exits with status 1). A named display or a chosen
    // platform that fails to open ends the process with status 1 from
    // inside Qt's start.
    static std::unique_ptr<QApplication> openApplication(int &argc, char **argv);
};
