#pragma once

class DecisionSurface;
class QIODevice;

namespace simcli {

struct CliOptions;

// The surface that the command line asks for: its sets, grid points and
// range.
DecisionSurface decisionSurface(const CliOptions &options);

// The decision surface as CSV, written straight to the device: the header
// e,de,level and one row per grid point, e the outer loop and de the inner,
// both rising; e and de are written so that they read back as exactly the
// same doubles, level as -1, 0 or 1. Lines end in '\n'. False when a write
// fails.
bool writeSurfaceCsv(const DecisionSurface &surface, QIODevice &device);

} // namespace simcli
