#pragma once
// The dialogs of the meter's front panel, behind the main window's "Control
// Functions" buttons:
//
//   COperationDialog  automatic return to Measuring Mode (36), hold time
//                     into Lockout Setting Mode (37)
//   CDisplayDialog    colour (38), round-off (39), reading type (41),
//                     refresh rate (40), backlight (42) and contrast (43) with
//                     their trackbars, decimal fractions (44) on thermocouple
//                     and RTD models; the main window commits first, since
//                     the fractions offered follow the temperature unit
//   CProtectDialog    the seven lockout levels (45-51); the Modbus one only on
//                     models with Modbus, the forced zero one only on models
//                     with scaled input

#include "ui/editors/SettingDialog.h"

class COperationDialog : public CSettingDialog
{
    Q_OBJECT
public:
    explicit COperationDialog(QWidget* parent = nullptr);
};

class CDisplayDialog : public CSettingDialog
{
    Q_OBJECT
public:
    explicit CDisplayDialog(QWidget* parent = nullptr);
};

class CProtectDialog : public CSettingDialog
{
    Q_OBJECT
public:
    explicit CProtectDialog(QWidget* parent = nullptr);
};
