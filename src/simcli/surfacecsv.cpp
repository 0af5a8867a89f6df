#include "surfacecsv.h"

#include "decisionsurface.h"
#include "numberformat.h"
#include "options.h"

#include <QByteArray>
#include <QIODevice>

#include <vector>

namespace simcli {

DecisionSurface decisionSurface(const CliOptions &options)
{
    const StepParameters &params = options.params;
    return DecisionSurface(FuzzyController(params.errSets, params.dErrSets, params.amplification),
                           options.figures.surfacePoints, options.figures.surfaceLow,
                           options.figures.surfaceHigh);
}

bool writeSurfaceCsv(const DecisionSurface &surface, QIODevice &device)
{
    // A million rows at the largest grid: each coordinate is formatted once
    // and the rows are copied together in large blocks.
    constexpr int kBlock = 1 << 20;
    const int n = surface.points();
    std::vector<QByteArray> axis;
    axis.reserve(static_cast<std::size_t>(n));
    for (double v : surface.axis())
        axis.push_back(formatNumber(v).toLatin1() + ',');
    const QByteArray levels[3] = { "-1\n", "0\n", "1\n" };

    QByteArray block("e,de,level\n");
    block.reserve(kBlock + 64);
    for (int i = 0; i < n; ++i) {
        const QByteArray &e = axis[static_cast<std::size_t>(i)];
        for (int j = 0; j < n; ++j) {
            block += e;
            block += axis[static_cast<std::size_t>(j)];
            block += levels[surface.level(i, j) + 1];
            if (block.size() >= kBlock) {
                if (device.write(block) != block.size())
                    return false;
                block.resize(0);
            }
        }
    }
    return device.write(block) == block.size();
}

} // namespace simcli
