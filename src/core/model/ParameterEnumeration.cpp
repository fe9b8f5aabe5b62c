#include "model/ParameterEnumeration.h"

#include "app/StringTable.h"
#include "model/CapabilityFlags.h"
#include "model/DeviceType.h"
#include "model/OptionListTable.h"
#include "model/ParameterDescriptorTable.h"
#include "model/RegisterImage.h"
#include "model/ScalingParameterResolver.h"

static_assert(kParameterRows == CRegisterImage::kWordCount, "one descriptor row per image word");
static_assert(CParameterEnumerationInterface::kLastRow == kParameterRows - 1);

namespace {

const CParameterDescriptor& RowOf(int n)
{
    return kParameterDescriptors.at(static_cast<std::size_t>(n));
}

} // namespace

int CParameterEnumerationInterface::NextParameter(int n) const
{
    return IsWideKind(RowOf(n).kind) ? n + 2 : n + 1;
}

std::string CParameterEnumerationInterface::GroupText(int n) const
{
    return CStringTable::Get(RowOf(n).groupId);
}

std::string CParameterEnumerationInterface::NameText(int n) const
{
    return CStringTable::Get(RowOf(n).nameId);
}

unsigned CParameterEnumerationInterface::OptionBase(int n, std::uint32_t flags)
{
    const CParameterDescriptor& row = RowOf(n);
    if (n != 0)
        return static_cast<unsigned>(row.argument);
    const bool current = (flags & CAP_CURRENT_INPUT) != 0;
    if (flags & CAP_DC_INPUT)
        return current ? ids::kInputTypesDcCurrent : static_cast<unsigned>(row.argument);
    if (flags & CAP_TC_INPUT)
        return ids::kInputTypesTc;
    if (flags & CAP_RTD_INPUT)
        return ids::kInputTypesRtd;
    if (flags & CAP_AC_INPUT)
        return current ? ids::kInputTypesAcCurrent : ids::kInputTypesAcVoltage;
    return static_cast<unsigned>(row.argument);
}

std::string CParameterEnumerationInterface::ValueText(const CRegisterImage& image, int n) const
{
    const CParameterDescriptor& row = RowOf(n);
    const std::uint32_t flags = image.CapabilityFlags();
    // A parameter the model lacks shows nothing, whatever its word holds.
    if ((flags & row.mask) == 0)
        return std::string();

    const std::uint16_t word = image.GetWord(n);
    switch (row.kind) {
    case VK_INT16: return CScalingParameterResolver::FormatScaled(static_cast<std::int16_t>(word), row.argument);
    case VK_INT32: return CScalingParameterResolver::FormatScaled(image.GetLong(n), row.argument);
    case VK_OPTION: {
        // Bounded by the list's own length: past its end lie the texts of
        // the next list, which would name a setting the word does not mean.
        const unsigned base = OptionBase(n, flags);
        return word < OptionCount(base) ? CStringTable::Get(base + word) : std::string();
    }
    case VK_DISPLAY32:
        return CScalingParameterResolver::FormatScaled(image.GetLong(n),
                                                       CScalingParameterResolver(image).DisplayScale());
    case VK_DISPLAY16:
        return CScalingParameterResolver::FormatScaled(word, CScalingParameterResolver(image).DisplayScale());
    case VK_INPUT32:
        return CScalingParameterResolver::FormatScaled(image.GetLong(n), CScalingParameterResolver(image).InputScale());
    }
    return std::string();
}

CParameterEnumerationInterface::ECompare
CParameterEnumerationInterface::Compare(int n, const CRegisterImage& comparison, const CRegisterImage& working) const
{
    const CParameterDescriptor& row = RowOf(n);
    // A parameter either model lacks is never counted as different.
    if ((comparison.CapabilityFlags() & working.CapabilityFlags() & row.mask) == 0)
        return COMPARE_NOT_APPLICABLE;
    if (IsWideKind(row.kind))
        return comparison.GetLong(n) != working.GetLong(n) ? COMPARE_DIFFERENT : COMPARE_EQUAL;
    if (n == 0 && comparison.Identity().InputKindTextId() != working.Identity().InputKindTextId())
        return COMPARE_DIFFERENT; // the same number means another input type on another family
    return comparison.GetWord(n) != working.GetWord(n) ? COMPARE_DIFFERENT : COMPARE_EQUAL;
}

std::string ParameterListing(const CRegisterImage& image)
{
    const CParameterEnumerationInterface params;
    std::string out;
    for (int n = CParameterEnumerationInterface::kFirstParameter; CParameterEnumerationInterface::IsParameter(n);
         n = params.NextParameter(n)) {
        out += params.GroupText(n);
        out += '\t';
        out += params.NameText(n);
        out += '\t';
        out += params.ValueText(image, n);
        out += '\n';
    }
    return out;
}

std::string ParameterListingForModel(int modelCode)
{
    if (!CDeviceType::FromCode(modelCode).IsKnown())
        return std::string();
    CRegisterImage image;
    image.ResetForModel(modelCode, true);
    return ParameterListing(image);
}
