#pragma once
// The meter history: the settings each meter held before this program wrote
// to it, kept as ordinary configuration files, and one change log of every
// write for all meters. It lives under $XDG_DATA_HOME/v6uvuv/ (by default
// ~/.local/share/v6uvuv/):
//   MODEL_SERIAL/meter.ini                  model code, description, serial number
//   MODEL_SERIAL/2026-12-08T11-43-05Z.cfg   a backup, named by its UTC time
//   changes.jsonl                           one JSON object per line
// Nothing here is ever deleted by the program.

#include "model/RegisterImage.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ComSettings;

class CMeterHistory
{
public:
    static std::string DefaultRoot();
    explicit CMeterHistory(std::string root = DefaultRoot());
    const std::string& Root() const { return m_root; }

    // Keeps `image` as a backup of the meter with this serial number (the
    // image's identity names the model) and returns the file's path. The file
    // holds the settings in the configuration file's format and nothing that
    // depends on the time, so identical settings give identical files.
    // Raises CPrivateException naming the folder and the system's reason.
    std::string KeepBackup(const CRegisterImage& image, const std::string& serial);

    // One write to a meter, as the change log keeps it.
    struct SChange
    {
        std::string group, name, oldValue, newValue;
    };
    struct SLogEntry
    {
        std::string time; // empty: now, UTC to the millisecond
        std::string user; // empty: the user running the program
        std::string host; // empty: this machine's name
        std::string link; // LinkText of the settings used
        int address = 0;
        int modelCode = 0;
        std::string modelDescription;
        std::string serial;
        std::string action; // "download", "tag", "maxmin-reset"
        std::string file;   // the file downloaded; empty: none
        std::vector<SChange> changes;
        std::optional<bool> verified; // nothing: not verified
        std::string backup;           // empty: none kept
        std::string message;          // why it failed; empty: it did not
    };
    // Appends the entry as one line of changes.jsonl, synced. Raises
    // CPrivateException naming the file and the system's reason; a line
    // that could not be written whole is taken back.
    void Append(const SLogEntry& entry);

    struct SBackup
    {
        std::string path;
        std::string time; // as in the name: 2026-12-08T11-43-05Z
    };
    struct SMeter
    {
        std::string folder;
        int modelCode = 0;
        std::string description;
        std::string serial;
        std::vector<SBackup> backups; // newest first
    };
    // Every meter folder, in name order; none when nothing was kept yet.
    std::vector<SMeter> Meters() const;
    std::string LogPath() const;

    // "rtu /dev/ttyUSB0 38400 8O1", "tcp 127.0.0.1:1502", "ir /dev/ttyUSB1".
    static std::string LinkText(const ComSettings& settings);
    // The entry as the log's JSON object, on one line without its end.
    static std::string EntryJson(const SLogEntry& entry);
    // The folder name of a meter: the model's name and option, then the
    // serial number, in characters every file system takes.
    static std::string FolderName(const CDeviceType& model, const std::string& serial);

private:
    std::string MeterFolder(const CDeviceType& model, const std::string& serial);

    std::string m_root;
};

// `text` as a JSON string with its quotes. Bytes that are not UTF-8 become
// U+FFFD, so that the document stays valid whatever a meter or a file name
// holds.
std::string JsonQuoted(std::string_view text);
// The login name of the user running the program.
std::string LoginName();
// The time now, UTC: "2026-12-08T11:43:05.123Z".
std::string UtcTimeText();
std::string UtcTimeText(std::chrono::system_clock::time_point time);
// Appends `line` to the end of the open file `fd` in one write and syncs it
// to the disk; a write that falls short is taken back, so the file ends
// with the last whole line. Returns 0 or the errno of the failure.
int AppendWholeLine(int fd, std::string_view line);
