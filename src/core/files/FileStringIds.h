#pragma once
// Numbers of the string table texts of the configuration file, the parameter
// report and its CSV export.

namespace file_ids {
inline constexpr unsigned kConfigFileFilter = 1000; // "Configuration Files (*.cfg)|..."
inline constexpr unsigned kCsvFileFilter = 1001;    // "Csv Files (*.csv)|..."

// Column headers of the report.
inline constexpr unsigned kColumnGroup = 2450;
inline constexpr unsigned kColumnName = 2451;
inline constexpr unsigned kColumnPc = 2452;
inline constexpr unsigned kColumnDevice = 2453; // also the comparison title after a meter comparison

inline constexpr unsigned kAllMatching = 11004;   // "All parameters matching."
inline constexpr unsigned kNotMatching = 11005;   // "%1!d! parameter(s) not matching."
inline constexpr unsigned kSaveError = 11006;     // "Save error. %1!s!"
inline constexpr unsigned kLoadError = 11007;     // "Load error. %1!s!"
inline constexpr unsigned kInvalidFormat = 11008; // "Load error. Invalid file format."

// Reasons put into kLoadError.
inline constexpr unsigned kUnknownModel = 12300; // %1 Model, %2 DeviceExtension
inline constexpr unsigned kMissingKey = 12301;   // %1 key name
inline constexpr unsigned kCsvWriteError = 12302; // %1 system text
} // namespace file_ids
