#pragma once
// What a download changes in the meter, shown before anything is written
// ("Download Preview": Download or Cancel), and after a download what the
// meter does not hold of what it was sent ("Verification Failed"). Both
// list the parameters concerned as the parameter report does, grouped, the
// window's value ("PC") beside the meter's ("Device").

#include "files/ParameterReport.h"

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

class CCompareList;
class CSafeDownload;
class QLabel;
class QPushButton;
class QTreeWidget;
struct SLineChange;
struct ComSettings;

namespace downloadtext {
inline constexpr unsigned kPreviewTitle = 14030;
inline constexpr unsigned kPreviewHeading = 14031; // model, description, serial, where, count
inline constexpr unsigned kAtAddress = 14032;
inline constexpr unsigned kAtInfrared = 14033;
inline constexpr unsigned kBackupNote = 14034;
inline constexpr unsigned kDownload = 12851;
inline constexpr unsigned kNotHeldTitle = 14036;
inline constexpr unsigned kNotHeldHeading = 14037; // count
inline constexpr unsigned kNotHeldNote = 14038;    // backup path
inline constexpr unsigned kClose = 12955;
inline constexpr unsigned kParameters = 12958;
inline constexpr unsigned kLineHeading = 17126;  // meters, parameters
inline constexpr unsigned kMetersColumn = 17117; // on how many meters a parameter changes

} // namespace downloadtext

class CDownloadPreviewDialog : public QDialog
{
    Q_OBJECT
public:
    enum class EMode { Preview, NotHeld };

    // `report` holds the image sent (or to be sent) as its working image and
    // the meter's as its comparison; only the rows that differ are listed.
    CDownloadPreviewDialog(EMode mode, const CParameterReport& report, const QString& heading, const QString& warning,
                           const QString& note, QWidget* parent = nullptr);

    // One preview for a download to several meters, each read: every
    // parameter that changes on any of them, with on how many.
    CDownloadPreviewDialog(const std::vector<SLineChange>& changes, const QString& heading, QWidget* parent = nullptr);

    // The preview of a download whose meter was read: true for Download.
    static bool Confirm(QWidget* parent, const CSafeDownload& job, const ComSettings& link);
    // The preview of a download to the meters of `jobs`, each read: true for
    // Download.
    static bool ConfirmLine(QWidget* parent, const std::vector<const CSafeDownload*>& jobs);
    // After a verification that found parameters the meter does not hold.
    static void ShowNotHeld(QWidget* parent, const CSafeDownload& job);

    // The two windows from their parts: what the meter held (`meter`) or
    // holds after the download (`after`), and what was to be sent.
    static std::unique_ptr<CDownloadPreviewDialog> MakePreview(const CRegisterImage& meter,
                                                               const CRegisterImage& toWrite, const std::string& serial,
                                                               const ComSettings& link, const std::string& linkChange,
                                                               QWidget* parent);
    static std::unique_ptr<CDownloadPreviewDialog> MakeNotHeld(const CRegisterImage& toWrite,
                                                               const CRegisterImage& after,
                                                               const std::string& backupPath, QWidget* parent);

    CCompareList* List() const { return m_list; }
    QTreeWidget* LineList() const { return m_lineList; } // the preview for several meters
    QLabel* Heading() const { return m_heading; }
    QLabel* Warning() const { return m_warning; }
    QPushButton* AcceptButton() const { return m_accept; }
    // Parameters listed.
    int ShownCount() const;

private:
    void Lay(EMode mode, const QString& heading, const QString& warning, QWidget* list, const QString& note);

    CCompareList* m_list = nullptr;
    QTreeWidget* m_lineList = nullptr;
    QLabel* m_heading = nullptr;
    QLabel* m_warning = nullptr;
    QPushButton* m_accept = nullptr;
};
