#pragma once

class QString;

// The file formats of a figure, and the one a file name asks for by its
// extension: .png, .svg or .pdf, in any case. Qt Core only, so that the
// command line can check a figure's path in a build that cannot draw one.
class FigureFormat
{
public:
    enum Format { Png, Svg, Pdf };

    // False for any other name; format is then left as it was.
    static bool formatOf(const QString &path, Format &format);
};
