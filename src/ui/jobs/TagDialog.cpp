#include "ui/jobs/TagDialog.h"

#include "jobs/TagMaxMin.h"
#include "ui/common/UiText.h"
#include "ui/jobs/DeviceInformationDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CTagDialog::CTagDialog(const QString& tag, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(UiText(monitortext::kTagSetting));
    auto* label = new QLabel(UiText(monitortext::kTagNo), this);
    m_edit = new QLineEdit(this);
    m_edit->setObjectName(QStringLiteral("tag"));
    m_edit->setMaxLength(static_cast<int>(meter_registers::kTagLength));
    m_edit->setText(tag);
    m_edit->selectAll();
    // Room for 16 wide characters.
    m_edit->setMinimumWidth(m_edit->fontMetrics().horizontalAdvance(QString(16, QChar(0x30A2))) + 12);
    label->setBuddy(m_edit);
    m_edit->setAccessibleName(label->text());

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(UiText(uitext::kOk), QDialogButtonBox::AcceptRole);
    m_ok->setDefault(true);
    buttons->addButton(UiText(uitext::kCancel), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(label, m_edit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString CTagDialog::Tag() const
{
    return m_edit->text();
}
