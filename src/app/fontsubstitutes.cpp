#include "fontsubstitutes.h"

#include <QFont>
#include <QString>
#include <QStringList>

void installFontSubstitutes()
{
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               { QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                                 QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica") });
}
