#pragma once
// Numbers of the string table texts of the commissioning report.

namespace report_ids {
inline constexpr unsigned kTitle = 17200;
inline constexpr unsigned kProgram = 17204;
inline constexpr unsigned kTime = 17205;
inline constexpr unsigned kUser = 17206;
inline constexpr unsigned kTechnician = 17207;
inline constexpr unsigned kLink = 17208;
inline constexpr unsigned kAddress = 17209;
inline constexpr unsigned kMeter = 17210;
inline constexpr unsigned kModel = 17211;
inline constexpr unsigned kSerialNumber = 17212;
inline constexpr unsigned kHardwareVersion = 17213;
inline constexpr unsigned kFirmwareVersion = 17214;
inline constexpr unsigned kTag = 17215;
inline constexpr unsigned kResult = 17216;
inline constexpr unsigned kComparedWith = 17217;
inline constexpr unsigned kNotCompared = 17218;
inline constexpr unsigned kLastDownload = 17219;
inline constexpr unsigned kDownloadedFile = 17220;
inline constexpr unsigned kBackupKept = 17221;
inline constexpr unsigned kNoDownload = 17222;
inline constexpr unsigned kParameters = 17223;
inline constexpr unsigned kPageOf = 17224;     // %1 page, %2 pages
inline constexpr unsigned kPageSerial = 17225; // %1 serial number
inline constexpr unsigned kNotRead = 17226;
inline constexpr unsigned kPdfFileFilter = 17227;
inline constexpr unsigned kLegend = 17228;
inline constexpr unsigned kSettingsReported = 17229;
inline constexpr unsigned kWindowSettings = 17230;
inline constexpr unsigned kIdentity = 17231;
inline constexpr unsigned kFromMeter = 17232;
inline constexpr unsigned kFromSettings = 17233;
inline constexpr unsigned kValue = 17234;
inline constexpr unsigned kComparedValue = 17235;
inline constexpr unsigned kParameter = 17236;
inline constexpr unsigned kNoLink = 17237;
inline constexpr unsigned kCannotWrite = 17238; // %1 path
inline constexpr unsigned kDifferences = 17239;
} // namespace report_ids
