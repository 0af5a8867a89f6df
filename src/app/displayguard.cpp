#include "displayguard.h"

#include <QApplication>
#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::string environmentValue(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

// A value from the environment or the command line, fit for one line:
// control characters shown as '?', very long values cut.
std::string shown(const std::string &value)
{
    std::string text = value.substr(0, 60);
    for (char &c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            c = '?';
    }
    if (value.size() > text.size())
        text += "...";
    return "'" + text + "'";
}

// A message Qt sent while the application object started, kept back until
// it is known whether the start failed.
struct HeldMessage {
    QtMsgType type;
    QByteArray file;
    QByteArray function;
    QByteArray category;
    int line;
    QString text;
};

struct StartWatch {
    QtMessageHandler previous = nullptr;
    std::vector<HeldMessage> held;
    DisplayGuard::Environment environment;
};

StartWatch *watch = nullptr;

const char *orNull(const QByteArray &bytes)
{
    return bytes.isNull() ? nullptr : bytes.constData();
}

void holdOrFail(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtFatalMsg) {
        // Qt aborts as soon as this returns; the half-built application
        // must not be torn down either, so leave at once.
        const std::string line =
                watch->environment.platformChosen()
                        ? DisplayGuard::platformFailureLine(watch->environment,
                                                            text.toStdString())
                        : DisplayGuard::noDisplayLine(watch->environment, true);
        std::fputs(line.c_str(), stderr);
        std::fputc('\n', stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    watch->held.push_back({ type, QByteArray(context.file), QByteArray(context.function),
                            QByteArray(context.category), context.line, text });
}

} // namespace

bool DisplayGuard::Environment::platformChosen() const
{
    return !qpaPlatform.empty() || !platformArgument.empty();
}

DisplayGuard::Environment DisplayGuard::current(int argc, char **argv)
{
    Environment environment;
    environment.display = environmentValue("DISPLAY");
    environment.waylandDisplay = environmentValue("WAYLAND_DISPLAY");
    environment.qpaPlatform = environmentValue("QT_QPA_PLATFORM");
    // Qt reads both forms, with one dash or two, each with its value as the
    // next argument.
    for (int i = 1; i + 1 < argc; ++i) {
        const char *arg = argv[i];
        if (std::strncmp(arg, "--", 2) == 0)
            ++arg;
        if (std::strcmp(arg, "-platform") == 0)
            environment.platformArgument = argv[++i];
        else if (std::strcmp(arg, "-display") == 0)
            environment.displayArgument = argv[++i];
    }
    return environment;
}

std::string DisplayGuard::noDisplayLine(const Environment &environment, bool triedToOpen)
{
    const std::string advice = ": run it on a desktop, under xvfb-run (xvfb-run kestrune), "
                               "or use kestrune-sim for runs without a window";
    if (triedToOpen) {
        std::string named;
        const auto name = [&named](const char *what, const std::string &value) {
            if (value.empty())
                return;
            named += (named.empty() ? "" : ", ") + std::string(what) + shown(value);
        };
        name("-display ", environment.displayArgument);
        name("DISPLAY=", environment.display);
        name("WAYLAND_DISPLAY=", environment.waylandDisplay);
        return "kestrune: cannot open a display to show the window on (" + named + ")" + advice;
    }
    if (environment.platformChosen() || !environment.display.empty()
        || !environment.waylandDisplay.empty() || !environment.displayArgument.empty())
        return {};
    return "kestrune: no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY "
           "is set)"
            + advice;
}

std::string DisplayGuard::platformFailureLine(const Environment &environment,
                                             const std::string &qtMessage)
{
    const std::string name = environment.platformArgument.empty() ? environment.qpaPlatform
                                                                 : environment.platformArgument;
    const std::string from = environment.platformArgument.empty() ? "QT_QPA_PLATFORM"
                                                                  : "-platform";
    // Qt ends its message with "Available platform plugins are: a, b, c."
    const std::string marker = "Available platform plugins are: ";
    std::string available;
    if (const std::size_t at = qtMessage.find(marker); at != std::string::npos) {
        available = qtMessage.substr(at + marker.size());
        available = available.substr(0, available.find_first_of(".\n"));
    }
    const bool exists = (", " + available + ",").find(", " + name + ",") != std::string::npos;
    std::string reason = exists ? "it failed to start" : "no such platform plugin";
    if (exists && name == "xcb" && environment.display.empty()
        && environment.displayArgument.empty())
        reason += " without DISPLAY";
    std::string line = "kestrune: cannot start the window on the Qt platform " + shown(name)
            + " (" + from + "): " + reason;
    if (!available.empty())
        line += "; the platforms here are " + available;
    return line + ": choose one of them, run it on a desktop, under xvfb-run (xvfb-run "
                  "kestrune), or use kestrune-sim for runs without a window";
}

std::unique_ptr<QApplication> DisplayGuard::openApplication(int &argc, char **argv)
{
    const Environment environment = current(argc, argv);
    if (const std::string line = noDisplayLine(environment, false); !line.empty()) {
        std::fprintf(stderr, "%s\n", line.c_str());
        return nullptr;
    }

    StartWatch started;
    started.environment = environment;
    watch = &started;
    started.previous = qInstallMessageHandler(holdOrFail);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(started.previous);
    watch = nullptr;

    // The start went well: what Qt said meanwhile goes out as it would have.
    for (const HeldMessage &m : started.held) {
        const QMessageLogContext context(orNull(m.file), m.line, orNull(m.function),
                                         orNull(m.category));
        qt_message_output(m.type, context, m.text);
    }
    return app;
}
