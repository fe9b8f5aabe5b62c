#include "model/DeviceType.h"

#include "app/MessageFormat.h"
#include "app/PrivateException.h"
#include "app/StringTable.h"
#include "model/DeviceTable.h"

const SDeviceRow* CDeviceType::Row() const
{
    return FindDeviceRow(static_cast<std::uint16_t>(m_deviceId), static_cast<std::uint16_t>(m_extensionId));
}

CDeviceType CDeviceType::FromCode(int code)
{
    CDeviceType type;
    type.SetByCode(code);
    return type;
}

void CDeviceType::SetByCode(int code)
{
    if (const SDeviceRow* row = DeviceRowByCode(code))
        Set(static_cast<std::int16_t>(row->deviceId), static_cast<std::int16_t>(row->extensionId));
}

int CDeviceType::Code() const
{
    const SDeviceRow* row = Row();
    return row ? row->code : 0;
}

std::uint32_t CDeviceType::CapabilityFlags() const
{
    const SDeviceRow* row = Row();
    return row ? row->flags : 0;
}

unsigned CDeviceType::ModelNameTextId() const
{
    const SDeviceRow* row = Row();
    return row ? row->modelNameId : 0;
}

unsigned CDeviceType::InputKindTextId() const
{
    const SDeviceRow* row = Row();
    return row ? row->inputKindId : 0;
}

unsigned CDeviceType::OutputTextId() const
{
    const SDeviceRow* row = Row();
    return row ? row->outputId : 0;
}

unsigned CDeviceType::OptionTextId() const
{
    const SDeviceRow* row = Row();
    return row ? row->optionId : 0;
}

int CDeviceType::OptionCode() const
{
    const SDeviceRow* row = Row();
    return row ? static_cast<int>(row->optionId - model_ids::kOptionTextBase) : 0;
}

std::string CDeviceType::ModelName() const
{
    const SDeviceRow* row = Row();
    return row ? CStringTable::Get(row->modelNameId) : std::string();
}

std::string CDeviceType::ModelDescription() const
{
    const SDeviceRow* row = Row();
    if (!row)
        return {};
    std::string text = CStringTable::Get(row->modelNameId);
    text += FormatPrintf("%X", {static_cast<int>(row->optionId - model_ids::kOptionTextBase)});
    text += ' ';
    text += CStringTable::Get(row->inputKindId);
    // A single blank is how the table says "none".
    std::string output = CStringTable::Get(row->outputId);
    if (output != " ")
        text += ", " + output;
    std::string option = CStringTable::Get(row->optionId);
    if (option != " ")
        text += ", " + option;
    return text;
}

void CDeviceType::IdentifyFrom(std::uint16_t deviceId, std::uint16_t extensionId)
{
    Set(static_cast<std::int16_t>(deviceId), static_cast<std::int16_t>(extensionId));
    if (!IsKnown())
        throw CPrivateException(
            LoadPrintfMessage(model_ids::kDeviceNotSupported, {unsigned{deviceId}, unsigned{extensionId}}));
}
