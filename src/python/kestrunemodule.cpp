// _kestrune: kestrune-sim's program run in the calling process, without
// the global interpreter lock, and the fuzzy sets' membership degrees, for
// the Python package kestrune.

#include "fuzzycontroller.h"
#include "options.h"
#include "simcli.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <string>
#include <vector>

namespace py = pybind11;

namespace {

// exit status, standard output, standard error of one call.
py::tuple runArguments(const std::vector<std::string> &arguments)
{
    QStringList list{ QStringLiteral("kestrune-sim") };
    for (const std::string &a : arguments)
        list << QString::fromStdString(a);
    simcli::ProgramOutput output;
    {
        py::gil_scoped_release release;
        output = simcli::runProgram(list);
    }
    return py::make_tuple(output.exitCode,
                          py::bytes(output.out.constData(), std::size_t(output.out.size())),
                          py::bytes(output.err.constData(), std::size_t(output.err.size())));
}

// The degrees the controller computes for x, each rounded to float first
// as the controller rounds its inputs; the bounds are floats too.
py::array_t<double> membership(int kind, float left, float right, py::array_t<double> x)
{
    const FuzzySet set{ static_cast<FuzzySetKind>(kind), left, right };
    auto in = x.unchecked<1>();
    py::array_t<double> out(in.shape(0));
    auto degrees = out.mutable_unchecked<1>();
    for (py::ssize_t k = 0; k < in.shape(0); ++k)
        degrees(k) = FuzzyController::membership(set, static_cast<float>(in(k)));
    return out;
}

} // namespace

PYBIND11_MODULE(_kestrune, m)
{
    m.doc() = "kestrune-sim's program and the controller's membership functions";
    m.def("run_arguments", &runArguments, py::arg("arguments"),
          "Runs kestrune-sim with these arguments (without the program's name) in this "
          "process; returns (exit status, standard output, standard error) as bytes.");
    m.def("help_text", [] { return simcli::helpText().toStdString(); },
          "kestrune-sim --help: every option, its range and its default.");
    m.def("membership", &membership, py::arg("kind"), py::arg("left"), py::arg("right"),
          py::arg("x"),
          "Degrees of membership of x in a set (kind 0 Negative, 1 Zero, 2 Positive) with "
          "bounds left and right, as the controller computes them.");
}
