// kestrune-sim-manpage TEMPLATE OUTPUT: the man page of kestrune-sim, made at
// build time from its hand-written sections in TEMPLATE, where the line
// @OPTIONS@ becomes the OPTIONS entries of the option table that --help
// lists, so that the two cannot drift apart.

#include "options.h"
#include "outputtarget.h"

#include <QFile>
#include <QIODevice>
#include <QString>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: kestrune-sim-manpage TEMPLATE OUTPUT\n");
        return 2;
    }
    QFile in(QFile::decodeName(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "kestrune-sim-manpage: %s: %s\n", argv[1],
                     qPrintable(in.errorString()));
        return 1;
    }
    QString page = QString::fromUtf8(in.readAll());
    const QString marker = QStringLiteral("@OPTIONS@\n");
    if (page.count(marker) != 1) {
        std::fprintf(stderr, "kestrune-sim-manpage: %s has no single line @OPTIONS@\n", argv[1]);
        return 1;
    }
    page.replace(marker, simcli::manOptions());
    OutputTarget out(QFile::decodeName(argv[2]));
    const QByteArray bytes = page.toUtf8();
    if (!out.open() || out.device()->write(bytes) != bytes.size() || !out.commit()) {
        std::fprintf(stderr, "kestrune-sim-manpage: %s: %s\n", argv[2],
                     qPrintable(out.errorString()));
        return 1;
    }
    return 0;
}
