#pragma once
// The Language Setting dialog and the start-up helper that reports a language
// module that cannot be loaded.
//
// Language command of the main window:
//
//     COptionDialog dialog(CurrentSettings(), this);
//     if (dialog.exec() == QDialog::Accepted) {
//         CurrentSettings() = dialog.Settings();
//         if (dialog.Settings().m_displayLanguage != LoadedLanguage()) {
//             LoadLanguageReporting(dialog.Settings().m_displayLanguage, this);
//             ... rebuild the main window from the new texts
//         }
//     }

#include "app/AppSettings.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

// Caption numbers of the dialog; the list holds the language table's names.
namespace optiontext {
inline constexpr unsigned kLanguageSetting = 12802;
inline constexpr unsigned kDisplayLanguage = 12803;
} // namespace optiontext

class COptionDialog : public QDialog
{
    Q_OBJECT

public:
    // Works on a copy of `settings`; the list starts on the loaded language.
    explicit COptionDialog(const CAppSettings& settings, QWidget* parent = nullptr);

    // The copy: after OK its display language is the chosen list entry; after
    // Cancel it is as given.
    const CAppSettings& Settings() const { return m_settings; }

private:
    void OnOk();

    CAppSettings m_settings;
    QLabel* m_languageLabel = nullptr;
    QComboBox* m_language = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

// LoadLanguage(index) (app/Language.h), and Qt's own texts (file dialogs,
// standard buttons, text field menus) in the same language when Qt's
// translation for it is installed (Debian's qt6-translations-l10n).
bool LoadDisplayLanguage(int index);

// LoadDisplayLanguage(index); when the language module cannot be
// loaded, shows "Can't load language module" with the stop icon and returns
// false (the program goes on in English).
bool LoadLanguageReporting(int index, QWidget* parent = nullptr);
