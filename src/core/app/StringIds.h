#pragma once
// Named numbers of the string table texts that code refers to.

namespace ids {
inline constexpr unsigned kLanguageModuleFailed = 12010;
inline constexpr unsigned kSettingsNotWritten = 12011;
// A settings value or file not used: %1 file, %2 section, %3 key, %4 value;
// %1 file, %2 why (one of the three reasons, or the system's text).
inline constexpr unsigned kSettingIgnored = 12440;
inline constexpr unsigned kSettingsUnreadable = 12441;
inline constexpr unsigned kNoPortChosen = 12442; // %1 settings file
inline constexpr unsigned kNoPortSelected = 12446;
inline constexpr unsigned kSettingsNotText = 12443;
inline constexpr unsigned kSettingsUtf16 = 12444;
inline constexpr unsigned kSettingsTooLarge = 12445; // %1 the bound
// Display names of the language table's rows.
inline constexpr unsigned kLanguageEnglish = 12800;
inline constexpr unsigned kLanguageJapanese = 12801;

inline constexpr unsigned kPortNotOpened = 12000;
inline constexpr unsigned kPortSettingsFailed = 12001;
inline constexpr unsigned kModbusCommandFailed = 12002;
inline constexpr unsigned kReasonTimeout = 12003;
inline constexpr unsigned kReasonInvalidTransaction = 12004;
inline constexpr unsigned kReasonInvalidResponse = 12005;
inline constexpr unsigned kReasonCrcError = 12006;
inline constexpr unsigned kReasonException = 12007;
inline constexpr unsigned kModbusTcpError = 12008;
inline constexpr unsigned kCommunicationError = 12009;
inline constexpr unsigned kDeviceDisconnected = 12013;
inline constexpr unsigned kPortLost = 12014;
inline constexpr unsigned kPortGroupHint = 12015;
// A serial device server: %1 the reason, %2 "host:port"; then "host:port".
inline constexpr unsigned kDeviceServerNotReached = 12610;
inline constexpr unsigned kDeviceServerClosed = 12611;
} // namespace ids
