#include "figureformat.h"

#include <QFileInfo>
#include <QString>

bool FigureFormat::formatOf(const QString &path, Format &format)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png"))
        format = Png;
    else if (suffix == QLatin1String("svg"))
        format = Svg;
    else if (suffix == QLatin1String("pdf"))
        format = Pdf;
    else
        return false;
    return true;
}
