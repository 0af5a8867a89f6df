#pragma once

class QFont;

// The window's form asks for Tahoma, a Windows font. Where it is missing,
// one of the common Arial-metric fonts takes its place: their widths keep
// the rows of the configuration panel within the dock's 400 pixels, where
// the usual default sans would push the spin boxes past its edge. Call once
// after the application object exists and before the window is built, or
// before a figure is drawn.
void installFontSubstitutes();

// The font that the window's form gives the window and so every chart in
// it: Tahoma, antialiased where possible, at the application's default
// size. A chart drawn outside the window takes it to look the same.
QFont windowFont();
