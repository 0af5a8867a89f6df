#pragma once

// The window's form asks for Tahoma, a Windows font. Where it is missing,
// one of the common Arial-metric fonts takes its place: their widths keep
// the rows of the configuration panel within the dock's 400 pixels, where
// the usual default sans would push the spin boxes past its edge. Call once
// after the application object exists and before the window is built.
void installFontSubstitutes();
