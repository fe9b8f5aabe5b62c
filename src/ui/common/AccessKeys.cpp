#include "ui/common/AccessKeys.h"

#include "ui/common/UiText.h"

#include <iterator>

namespace {

struct SAccessKey
{
    unsigned captionId;
    char key;
};

// The letters are chosen so that the buttons of one window never share one:
// the main window's commands, its setting buttons and every input page's
// buttons together, and each dialog's commands. A window test checks it.
constexpr SAccessKey kAccessKeys[] = {
    // The main window
    {12850, 'U'}, // Upload
    {12851, 'D'}, // Download (also the download preview's command)
    {12852, 'R'}, // Report
    {12853, 'S'}, // Save File
    {12854, 'O'}, // Open File
    {12855, 'M'}, // Monitor
    {14015, 'H'}, // History
    {12856, 'L'}, // Language
    {17100, 'X'}, // Line (the letters of its name are taken)
    {12864, 'C'}, // Control
    {12865, 'Y'}, // Display
    {12866, 'K'}, // Lockout
    {12868, 'P'}, // BCD Output
    {12869, 'E'}, // Event Trig.
    {12870, 'G'}, // Analog Out
    {12871, 'B'}, // Modbus
    {12875, 'N'}, // Bank
    {12876, 'V'}, // Advanced (alarms)
    // The input pages' buttons, in the main window
    {12894, 'I'}, // Decimal Pnt.
    {12895, 'W'}, // Low-end cut
    {12896, 'F'}, // Filter
    {12897, 'Z'}, // Forced zero
    {12898, 'T'}, // Burnout
    {12899, 'A'}, // Adjust
    {12900, 'J'}, // Cold Junction
    // Dialogs
    {12750, 'A'}, // Advanced (the Modbus dialog)
    {12650, 'C'}, // Connect
    {12612, 'T'}, // Modbus-RTU over TCP (the Connect dialog's radio)
    {12631, 'F'}, // Find meter (Connect)
    {12964, 'T'}, // Tag (monitor)
    {12966, 'M'}, // Max/Min (monitor)
    {17300, 'R'}, // Record... (monitor)
    {17301, 'R'}, // Stop recording (monitor: the same button)
    {17303, 'S'}, // Save Trend... (monitor)
    {12951, 'E'}, // Export Csv (report)
    {2453, 'D'},  // Device (report)
    {12954, 'F'}, // File (report)
    {17311, 'H'}, // Header row (report)
    {17312, 'B'}, // UTF-8 with BOM (report)
    {17201, 'X'}, // Export PDF (report)
    {17202, 'P'}, // Print (report)
    {14052, 'O'}, // Open (history)
    {12955, 'C'}, // Close (monitor, report, history, download preview, line)
    {17104, 'S'}, // Scan (line)
    {17105, 'T'}, // Stop (line)
    {17106, 'P'}, // Compare (line)
    {17107, 'A'}, // Set Address (line)
};

char KeyOf(unsigned captionId)
{
    for (const SAccessKey& k : kAccessKeys)
        if (k.captionId == captionId)
            return k.key;
    return 0;
}

} // namespace

QString CommandCaption(unsigned captionId)
{
    QString text = UiText(captionId);
    const char key = KeyOf(captionId);
    if (!key)
        return text;
    text.replace(QLatin1Char('&'), QLatin1String("&&"));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.toLatin1() != 0 && c.toUpper() == QLatin1Char(key)) {
            text.insert(i, QLatin1Char('&'));
            return text;
        }
    }
    return text + QLatin1String("(&") + QLatin1Char(key) + QLatin1Char(')');
}

QChar AccessKeyOf(const QString& caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption.at(i) != QLatin1Char('&'))
            continue;
        if (caption.at(i + 1) != QLatin1Char('&'))
            return caption.at(i + 1).toUpper();
        ++i; // "&&" is a plain "&"
    }
    return QChar();
}
