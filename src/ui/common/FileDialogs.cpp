#include "ui/common/FileDialogs.h"

#include "ui/common/UiText.h"

#include <QFileDialog>
#include <QStringList>

QString QtFileFilter(unsigned stringId)
{
    const QStringList parts = UiText(stringId).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i];
    return filters.join(QLatin1String(";;"));
}

QString AskFilePath(QWidget* parent, unsigned filterId, const QString& suffix, bool save)
{
    QFileDialog dialog(parent);
    dialog.setNameFilter(QtFileFilter(filterId));
    dialog.setDefaultSuffix(suffix);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().front();
}
