#pragma once

// The built kestrune-sim run as a user runs it, and its CSV read back: the
// helpers that the program's test suites share.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QVector>

#include <cmath>

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs program in environment to its end, at most timeoutMs; errPath, if
// given, takes its standard error instead of a pipe (err then stays empty).
inline Run runProgram(const QString &program, const QStringList &arguments,
                      const QProcessEnvironment &environment =
                              QProcessEnvironment::systemEnvironment(),
                      int timeoutMs = 30000, const QString &errPath = QString())
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(environment);
    if (!errPath.isEmpty())
        process.setStandardErrorFile(errPath);
    process.start();
    Run run;
    if (!process.waitForStarted(10000)) {
        run.err = "could not start " + program.toUtf8();
        return run;
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        run.err = "timed out";
        return run;
    }
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return run;
}

inline Run runSim(const QStringList &arguments,
                  const QProcessEnvironment &environment =
                          QProcessEnvironment::systemEnvironment())
{
    return runProgram(QStringLiteral(KESTRUNE_SIM_PATH), arguments, environment);
}

// A CSV table: its header and its rows of fields.
struct Table {
    QStringList header;
    QVector<QStringList> rows;

    int column(const QString &name) const { return header.indexOf(name); }
    double number(int row, const QString &name) const
    {
        bool ok = false;
        const double v = rows.at(row).at(column(name)).toDouble(&ok);
        return ok ? v : std::nan("");
    }
};

// A CSV without quoted fields, every line ended by '\n'.
inline bool parseCsv(const QByteArray &bytes, Table &table)
{
    if (!bytes.endsWith('\n'))
        return false;
    QStringList lines = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    lines.removeLast(); // after the final '\n'
    if (lines.isEmpty())
        return false;
    table.header = lines.takeFirst().split(QLatin1Char(','));
    for (const QString &line : qAsConst(lines)) {
        const QStringList fields = line.split(QLatin1Char(','));
        if (fields.size() != table.header.size())
            return false;
        table.rows.append(fields);
    }
    return true;
}
