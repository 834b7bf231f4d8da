#include "DrawnSize.h"

#include <QFontMetrics>
#include <QString>
#include <QtGlobal>

namespace DrawnSize {

int width(const QFontMetrics& metrics, int drawn)
{
    const double factor = qMax(1.0, metrics.horizontalAdvance(QStringLiteral("0000")) / 24.0);
    return qRound(drawn * factor);
}

int height(const QFontMetrics& metrics, int drawn)
{
    const double factor = qMax(1.0, metrics.height() / 13.0);
    return qRound(drawn * factor);
}

} // namespace DrawnSize
