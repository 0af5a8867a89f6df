// kestrune-bench-figures: how long kestrune-sim takes to write a figure, as
// a whole process started from a shell, against a floor measured in the
// same run.
//
//   plot     kestrune-sim --plot x.png (1200 x 800, the start values)
//   floor    this program with --floor x.png: a QApplication on the
//            offscreen platform that writes one empty QwtPlot of the same
//            size to PNG through QwtPlotRenderer, which every figure needs
//            at the least
//   surface  kestrune-sim --surface s.csv --surface-points 1001 (a million
//            rows, 15 MB)
//   sweep    kestrune-sim --sweep kp=0:99.999:0.0001 > /dev/null (a million
//            points, T = 20 s), without and with --plot w.png: the sweep is
//            run once for both and its figure keeps a few values per pixel
//            column, so --plot may cost at most 1.2 x the time and 1.5 x
//            the peak resident memory
//
// Each sample is one fresh process, from its start until it has exited;
// the three take turns so that they see the same load on the machine.
//
// Options: --iterations N (default 30), --smoke (each once, checking that
//          each wrote its file), --floor FILE (the floor itself).

#include <qwt_plot.h>
#include <qwt_plot_renderer.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kWidth = 1200;
constexpr int kHeight = 800;

int floorMain(int argc, char **argv, const char *path)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QwtPlot plot;
    plot.resize(kWidth, kHeight);
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QwtPlotRenderer().render(&plot, &painter, QRectF(0, 0, kWidth, kHeight));
    painter.end();
    return image.save(QString::fromLocal8Bit(path), "PNG") ? 0 : 1;
}

[[noreturn]] void fail(const QString &what)
{
    std::fprintf(stderr, "kestrune-bench-figures: %s\n", qPrintable(what));
    std::exit(2);
}

// One process from start to exit, in milliseconds; it must succeed, print
// nothing on stderr and leave its file.
double timed(const QString &program, const QStringList &arguments, const QString &file,
             const QProcessEnvironment &environment)
{
    QFile::remove(file);
    QProcess process;
    process.setProcessEnvironment(environment);
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        fail(program + QStringLiteral(" did not finish"));
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    const QByteArray err = process.readAllStandardError();
    if (process.exitCode() != 0 || !err.isEmpty() || QFileInfo(file).size() == 0)
        fail(program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(err));
    return ms;
}

struct Usage {
    double ms = 0.0;
    double peakMb = 0.0;
};

// One process with standard output to /dev/null, its time and its peak
// resident memory, which only the process's own wait4 can tell.
Usage measured(const QString &program, const QStringList &arguments)
{
    std::vector<QByteArray> args{ QFile::encodeName(program) };
    for (const QString &a : arguments)
        args.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        fail(program + QStringLiteral(" did not start"));
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    struct rusage usage {};
    if (::wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail(program + QStringLiteral(" failed: ") + arguments.join(QLatin1Char(' ')));
    return { static_cast<double>(clock.nsecsElapsed()) / 1e6, usage.ru_maxrss / 1024.0 };
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

void row(const char *what, const std::vector<double> &v, const char *goal, bool met)
{
    std::printf("%-52s %9.1f %9.1f %9.1f  ms  %-12s %s\n", what, median(v),
                *std::min_element(v.begin(), v.end()), *std::max_element(v.begin(), v.end()),
                goal, goal[0] ? (met ? "met" : "MISSED") : "");
}

} // namespace

int main(int argc, char **argv)
{
    int iterations = 30;
    bool smoke = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--floor") == 0 && i + 1 < argc)
            return floorMain(argc, argv, argv[i + 1]);
        if (std::strcmp(argv[i], "--smoke") == 0)
            smoke = true;
        else if (std::strcmp(argv[i], "--iterations") == 0 && i + 1 < argc)
            iterations = std::max(1, std::atoi(argv[++i]));
    }
    if (smoke)
        iterations = 1;

    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        fail(QStringLiteral("no temporary directory"));
    const QString sim = QStringLiteral(KESTRUNE_SIM_PATH);
    const QString self = QCoreApplication::applicationFilePath();
    const QString png = dir.filePath(QStringLiteral("x.png"));
    const QString floorPng = dir.filePath(QStringLiteral("floor.png"));
    const QString csv = dir.filePath(QStringLiteral("s.csv"));

    // Both as on a desktop session without a display: a runtime directory
    // of their own, no platform chosen.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());

    // A million points, or a thousand for the smoke test.
    const QStringList sweep{ QStringLiteral("--sweep"),
                             smoke ? QStringLiteral("kp=0:0.999:0.001")
                                   : QStringLiteral("kp=0:99.999:0.0001") };
    const QStringList sweepPlot = sweep + QStringList{ QStringLiteral("--plot"),
                                                       dir.filePath(QStringLiteral("w.png")) };
    std::vector<double> sweepMs, sweepPlotMs, sweepMb, sweepPlotMb;
    std::vector<double> plots, floors, surfaces;
    // One round to warm the caches, unmeasured.
    const int warmUp = smoke ? 0 : 1;
    for (int i = -warmUp; i < iterations; ++i) {
        const double f = timed(self, { QStringLiteral("--floor"), floorPng }, floorPng, environment);
        const double p = timed(sim, { QStringLiteral("--plot"), png }, png, environment);
        const double s = timed(sim,
                               { QStringLiteral("--surface"), csv,
                                 QStringLiteral("--surface-points"), QStringLiteral("1001") },
                               csv, environment);
        const Usage w = measured(sim, sweep);
        const Usage wp = measured(sim, sweepPlot);
        if (i < 0)
            continue;
        sweepMs.push_back(w.ms);
        sweepPlotMs.push_back(wp.ms);
        sweepMb.push_back(w.peakMb);
        sweepPlotMb.push_back(wp.peakMb);
        floors.push_back(f);
        plots.push_back(p);
        surfaces.push_back(s);
    }

    std::printf("kestrune-sim figures, whole processes; %d iterations\n\n", iterations);
    std::printf("%-52s %9s %9s %9s      %s\n", "", "median", "min", "max", "goal");
    row("floor: QApplication, empty QwtPlot 1200x800 to PNG", floors, "", true);
    row("kestrune-sim --plot x.png", plots, "< 150 ms", median(plots) < 150.0);
    const double ratio = median(plots) / median(floors);
    std::printf("%-52s %9.2f %9s %9s  x   %-12s %s\n", "--plot / floor (medians)", ratio, "", "",
                "<= 1.5 x", ratio <= 1.5 ? "met" : "MISSED");
    row("kestrune-sim --surface s.csv --surface-points 1001", surfaces, "< 1000 ms",
        median(surfaces) < 1000.0);
    row(smoke ? "kestrune-sim --sweep (1,000 points: a smoke run)"
              : "kestrune-sim --sweep (1,000,000 points)",
        sweepMs, "", true);
    row("the same with --plot", sweepPlotMs, "", true);
    const double timeRatio = median(sweepPlotMs) / median(sweepMs);
    const double memoryRatio = median(sweepPlotMb) / median(sweepMb);
    std::printf("%-52s %9.2f %9s %9s  x   %-12s %s\n", "--plot / without (time, medians)",
                timeRatio, "", "", "<= 1.2 x", timeRatio <= 1.2 ? "met" : "MISSED");
    std::printf("%-52s %9.1f %9.1f %9s  MB\n", "peak resident memory without / with --plot",
                median(sweepMb), median(sweepPlotMb), "");
    std::printf("%-52s %9.2f %9s %9s  x   %-12s %s\n", "--plot / without (memory, medians)",
                memoryRatio, "", "", "<= 1.5 x", memoryRatio <= 1.5 ? "met" : "MISSED");
    return 0;
}
