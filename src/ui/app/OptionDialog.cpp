#include "ui/app/OptionDialog.h"

#include "app/Language.h"
#include "app/StringIds.h"
#include "ui/app/ErrorReport.h"
#include "ui/app/UiText.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

COptionDialog::COptionDialog(const CAppSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings)
{
    setWindowTitle(UiText(optiontext::kLanguageSetting));

    m_languageLabel = new QLabel(UiText(optiontext::kDisplayLanguage), this);
    m_languageLabel->setObjectName(QStringLiteral("displayLanguageLabel"));
    m_language = new QComboBox(this);
    m_language->setObjectName(QStringLiteral("displayLanguage"));
    m_languageLabel->setBuddy(m_language);
    // A row without a name ends the list, so a row may be made ready in the
    // table before its name is given.
    for (const CLanguageRow& row : kLanguageTable) {
        const QString name = UiText(row.m_nameId);
        if (name.isEmpty())
            break;
        m_language->addItem(name);
    }
    m_language->setCurrentIndex(LoadedLanguage() < m_language->count() ? LoadedLanguage() : -1);

    m_okButton = new QPushButton(UiText(uitext::kOk), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(UiText(uitext::kCancel), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));

    auto* row = new QHBoxLayout;
    row->addWidget(m_languageLabel);
    row->addWidget(m_language, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    auto* top = new QVBoxLayout(this);
    top->addLayout(row);
    top->addStretch();
    top->addLayout(buttons);

    connect(m_okButton, &QPushButton::clicked, this, &COptionDialog::OnOk);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void COptionDialog::OnOk()
{
    if (m_language->currentIndex() >= 0)
        m_settings.m_displayLanguage = m_language->currentIndex();
    accept();
}

bool LoadLanguageReporting(int index, QWidget* parent)
{
    if (LoadLanguage(index))
        return true;
    ShowMessage(parent, UiText(ids::kLanguageModuleFailed), MessageIcon::Stop);
    return false;
}
