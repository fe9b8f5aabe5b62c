#pragma once
// Numbers of the string table texts of the configuration file, the parameter
// report and its CSV export.

namespace file_ids {
inline constexpr unsigned kConfigFileFilter = 1000; // "Configuration Files (*.cfg)|..."
inline constexpr unsigned kCsvFileFilter = 1001;    // "Csv Files (*.csv)|..."

// Column headers of the report.
inline constexpr unsigned kColumnGroup = 2450;
inline constexpr unsigned kColumnName = 2451;
// The CSV header row names the name column "Parameter", as scripts expect.
inline constexpr unsigned kCsvColumnParameter = 17315;
inline constexpr unsigned kColumnPc = 2452;
inline constexpr unsigned kColumnDevice = 2453; // also the comparison title after a meter comparison

inline constexpr unsigned kAllMatching = 11004;   // "All parameters matching."
inline constexpr unsigned kNotMatching = 11005;   // "%1!d! parameter(s) not matching."
inline constexpr unsigned kSaveError = 11006;     // "Save error. %1!s!"
inline constexpr unsigned kLoadError = 11007;     // "Load error. %1!s!"
inline constexpr unsigned kInvalidFormat = 11008; // "Load error. Invalid file format."

// Reasons put into kLoadError.
inline constexpr unsigned kUnknownModel = 12300;  // %1 Model, %2 DeviceExtension
inline constexpr unsigned kMissingKey = 12301;    // %1 key name
inline constexpr unsigned kCsvWriteError = 12302; // %1 system text
inline constexpr unsigned kNotConfigFile = 12500; // %1 path
// The second line of kInvalidFormat: %1 key, %2 line number, %3 the text found.
inline constexpr unsigned kBrokenValue = 12501;
// Put before the count of a comparison across models: %1 code, %2 description of each.
inline constexpr unsigned kDifferentModels = 12502;
// The meter history: %1 folder or file, %2 system text.
inline constexpr unsigned kBackupFailed = 12503;
inline constexpr unsigned kLogFailed = 12504;
// Values a meter would not take: %1 path, %2 count; then a line per value
// (%1 parameter, %2 key, %3 line, %4 value, %5 one of the two reasons).
inline constexpr unsigned kValuesRefused = 12430;
inline constexpr unsigned kValueProblem = 12431;
inline constexpr unsigned kNotPlainInteger = 12432;
inline constexpr unsigned kAllowedRange = 12433; // %1 minimum, %2 maximum
inline constexpr unsigned kMoreProblems = 12434; // %1 count not listed
// Files that are not read: %1 path, %2 size, %3 the bound; %1 path.
inline constexpr unsigned kFileTooLarge = 12435;
inline constexpr unsigned kSavedAsUtf16 = 12436;
// The report's status line for a file read with such values: %1 count.
inline constexpr unsigned kReportMarked = 12437;
} // namespace file_ids
