#include "ui/common/ApplicationIcon.h"

QIcon ApplicationIcon()
{
    static const int kSizes[] = {16, 24, 32, 48, 64, 128, 256};
    QIcon icon;
    for (int size : kSizes)
        icon.addFile(QStringLiteral(":/icons/hicolor/%1x%1/apps/v6uvuv.png").arg(size), QSize(size, size));
    return icon;
}
