#pragma once
// The thermocouple and RTD pages: sensor type, temperature unit, and the
// filter, burnout, adjust and low-end cut buttons (cold junction on the
// thermocouple page).

#include "ui/editors/pages/InputPageInterface.h"

class CInputTemperaturePage : public CInputPage
{
    Q_OBJECT
public:
    void Load() override;
    void Store() override;

    QComboBox* TypeList() const { return m_type; }
    QComboBox* UnitList() const { return m_unit; }

protected:
    // The type texts are the model's sensors.
    explicit CInputTemperaturePage(QWidget* parent);
    // Rules across words after the store.
    virtual void AfterStore() {}

private:
    void OnTypeChosen(int index);

    QComboBox* m_type;
    QComboBox* m_unit;
};
