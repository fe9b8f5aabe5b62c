#include "ui/app/OptionDialog.h"

#include "app/Language.h"
#include "app/StringIds.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QPushButton>
#include <QTranslator>
#include <QVBoxLayout>

#include <memory>

COptionDialog::COptionDialog(const CAppSettings& settings, QWidget* parent) : QDialog(parent), m_settings(settings)
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

namespace {

// Qt's texts follow the language our own texts are shown in: none (Qt's
// English) when our module did not load.
void LoadQtTranslation(bool moduleLoaded)
{
    static QTranslator* current = nullptr;
    if (current) {
        QCoreApplication::removeTranslator(current);
        delete current;
        current = nullptr;
    }
    const char* runtimeLocale = kLanguageTable[LoadedLanguage()].m_runtimeLocale;
    if (!moduleLoaded || !*kLanguageTable[LoadedLanguage()].m_moduleSuffix || !*runtimeLocale)
        return;
    const QLocale locale(QString::fromLatin1(runtimeLocale).section(QLatin1Char('.'), 0, 0));
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return; // Qt's English: not worth a message, our own texts are translated
    QCoreApplication::installTranslator(translator.get());
    current = translator.release();
}

} // namespace

bool LoadDisplayLanguage(int index)
{
    const bool loaded = LoadLanguage(index);
    LoadQtTranslation(loaded);
    return loaded;
}

bool LoadLanguageReporting(int index, QWidget* parent)
{
    if (LoadDisplayLanguage(index))
        return true;
    ShowMessage(parent, UiText(ids::kLanguageModuleFailed), MessageIcon::Stop);
    return false;
}
