#pragma once
// The dialogs of the meter's optional outputs and interfaces, behind the
// main window's "External interface" buttons (each enabled only on models
// with the option):
//
//   CAnalogOutputDialog    type (60), function mode (61), 0 % and 100 % (62-65,
//                          display units), their adjustments (66-69); the main
//                          window commits first, since the values are shown
//                          in its display scale
//   CBCDOutputDialog       the logic of REQ (52), DAV (53), data (54), status (55)
//   CEventInputDialog      trigger mode (56), ON and OFF timing delays (57, 58),
//                          startup timer (59); OK also makes alarms trip at
//                          over-range (83)
//   CModbusDialog          device address (70), baud rate (71), parity (72),
//                          stop bits (73), and "Advanced":
//   CAdvancedModbusDialog  long register order (76), t1.5 (74), t3.5 (75), run
//                          on the Modbus dialog's own copy, so that Cancel
//                          there drops what Advanced changed

#include "ui/editors/SettingDialog.h"

class CAnalogOutputDialog : public CSettingDialog
{
    Q_OBJECT
public:
    explicit CAnalogOutputDialog(QWidget* parent = nullptr);
};

class CBCDOutputDialog : public CSettingDialog
{
    Q_OBJECT
public:
    explicit CBCDOutputDialog(QWidget* parent = nullptr);
};

class CEventInputDialog : public CSettingDialog
{
    Q_OBJECT
public:
    explicit CEventInputDialog(QWidget* parent = nullptr);
};

class CModbusDialog : public CSettingDialog
{
    Q_OBJECT
public:
    explicit CModbusDialog(QWidget* parent = nullptr);
};

class CAdvancedModbusDialog : public CSettingDialog
{
    Q_OBJECT
public:
    explicit CAdvancedModbusDialog(QWidget* parent = nullptr);
};
