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

QFont windowFont()
{
    // As the form's generated code builds it: only family and strategy set,
    // everything else resolved against the application font.
    QFont font;
    font.setFamily(QStringLiteral("Tahoma"));
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}
