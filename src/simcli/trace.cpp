#include "trace.h"

#include "numberformat.h"
#include "steprun.h"

namespace simcli {

namespace {

QString setName(FuzzySetKind kind)
{
    switch (kind) {
    case Negative:
        return QStringLiteral("Negative");
    case Zero:
        return QStringLiteral("Zero");
    case Positive:
        return QStringLiteral("Positive");
    }
    return QString::number(static_cast<int>(kind));
}

} // namespace

QString traceCsv(const StepParameters &params)
{
    const int steps = StepRun::stepCount(params.modellingTime);
    const FuzzyController controller(params.errSets, params.dErrSets, params.amplification);
    const StepRun::TracedLoop traced = StepRun::traceFuzzyLoop(params.setPoint, steps, controller);
    const auto &trace = traced.decisions;
    const StepRun::Response &response = traced.response;

    QString csv = QStringLiteral("t,e,de,mu_err_neg,mu_err_zero,mu_err_pos,"
                                 "mu_derr_neg,mu_derr_zero,mu_derr_pos,"
                                 "err_set,derr_set,level,u,y\n");
    const QChar comma = QLatin1Char(',');
    for (std::size_t k = 0; k < trace.size(); ++k) {
        const FuzzyController::Evaluation &ev = trace[k];
        csv += formatNumber(response.t[k]);
        csv += comma;
        csv += formatFloat(ev.error);
        csv += comma;
        csv += formatFloat(ev.derivative);
        for (double degree : ev.errorDegrees) {
            csv += comma;
            csv += formatNumber(degree);
        }
        for (double degree : ev.derivativeDegrees) {
            csv += comma;
            csv += formatNumber(degree);
        }
        csv += comma;
        csv += setName(ev.errorSet);
        csv += comma;
        csv += setName(ev.derivativeSet);
        csv += comma;
        csv += QString::number(ev.level);
        csv += comma;
        csv += formatNumber(ev.output);
        csv += comma;
        csv += formatNumber(response.y[k]);
        csv += QLatin1Char('\n');
    }
    return csv;
}

} // namespace simcli
