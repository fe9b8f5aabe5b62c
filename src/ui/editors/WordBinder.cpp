#include "ui/editors/WordBinder.h"

#include "model/OptionListTable.h"
#include "model/ParameterDescriptorTable.h"
#include "model/ParameterEnumeration.h"
#include "model/ScalingParameterResolver.h"
#include "ui/common/UiText.h"
#include "ui/editors/ScaledEdit.h"

#include <QComboBox>
#include <QLineEdit>

#include <algorithm>

int ShownOptionIndex(std::uint16_t word, int count, EOptionRule rule)
{
    if (count <= 0)
        return -1;
    switch (rule) {
    case EOptionRule::TwoWay: return std::min(word == 0 ? 0 : 1, count - 1);
    case EOptionRule::Exact: return word < count ? int(word) : -1;
    case EOptionRule::Clamped: break;
    }
    return std::min<int>(word, count - 1);
}

void FillOptionList(QComboBox* combo, unsigned baseId, int count)
{
    for (int i = 0; i < count; ++i)
        combo->addItem(UiText(baseId + static_cast<unsigned>(i)));
}

ScaleSource ScaleFixed(std::int32_t divisor)
{
    return [divisor](const CRegisterImage&) { return divisor; };
}

ScaleSource ScaleDisplay()
{
    return [](const CRegisterImage& image) { return CScalingParameterResolver(image).DisplayScale(); };
}

ScaleSource ScaleInput()
{
    return [](const CRegisterImage& image) { return CScalingParameterResolver(image).InputScale(); };
}

LimitsSource LimitsFixed(std::int32_t minimum, std::int32_t maximum)
{
    return [minimum, maximum](const CRegisterImage&) { return std::pair{minimum, maximum}; };
}

LimitsSource LimitsDisplayValue()
{
    return [](const CRegisterImage& image) {
        const CScalingParameterResolver resolver(image);
        return std::pair{resolver.DisplayValueMinimum(), resolver.DisplayValueMaximum()};
    };
}

LimitsSource LimitsInputRange()
{
    return [](const CRegisterImage& image) {
        const CScalingParameterResolver resolver(image);
        return std::pair{resolver.InputRangeMinimum(), resolver.InputRangeMaximum()};
    };
}

LimitsSource LimitsAbove(int word, ENumberWidth width, std::int32_t margin, std::int32_t maximum)
{
    return [word, width, margin, maximum](const CRegisterImage& image) {
        const std::int64_t base = width == ENumberWidth::Long ? image.GetLong(word) : image.GetWord(word);
        // A stored value near the 32-bit edge must not wrap into a low limit.
        const std::int64_t lower = std::min<std::int64_t>(base + margin, INT32_MAX);
        return std::pair{static_cast<std::int32_t>(lower), maximum};
    };
}

AvailabilitySource HasCapability(std::uint32_t mask)
{
    return [mask](const CRegisterImage& image) { return (image.CapabilityFlags() & mask) != 0; };
}

// ---------------------------------------------------------------------------
// The descriptor table's row of a word

namespace {
const CParameterDescriptor& RowOf(int word)
{
    return kParameterDescriptors.at(static_cast<std::size_t>(word));
}
} // namespace

unsigned ParameterNameId(int word)
{
    return RowOf(word).nameId;
}

ENumberWidth ParameterWidth(int word)
{
    return IsWideKind(RowOf(word).kind) ? ENumberWidth::Long : ENumberWidth::Word;
}

ScaleSource ParameterScale(int word)
{
    const CParameterDescriptor& row = RowOf(word);
    switch (row.kind) {
    case VK_DISPLAY16:
    case VK_DISPLAY32: return ScaleDisplay();
    case VK_INPUT32: return ScaleInput();
    default: break;
    }
    return ScaleFixed(row.argument);
}

unsigned ParameterOptionBase(int word, std::uint32_t flags)
{
    return CParameterEnumerationInterface::OptionBase(word, flags);
}

int ParameterOptionCount(int word, std::uint32_t flags)
{
    return static_cast<int>(OptionCount(ParameterOptionBase(word, flags)));
}

// ---------------------------------------------------------------------------

CWordBinder::SBinding& CWordBinder::Bind(QWidget* control, int word, std::function<void(bool)> load,
                                         std::function<void()> store)
{
    SBinding binding;
    binding.word = word;
    binding.control = control;
    if (control)
        binding.widgets.push_back(control);
    binding.load = std::move(load);
    binding.store = std::move(store);
    m_bindings.push_back(std::move(binding));
    return m_bindings.back();
}

QComboBox* CWordBinder::BindOptionList(QComboBox* combo, int word, EOptionRule rule, COptionCount count)
{
    Bind(
        combo, word,
        [this, combo, word, count = std::move(count), rule](bool available) {
            combo->clear();
            if (!available)
                return;
            const int n = count(*m_image, word);
            FillOptionList(combo, ParameterOptionBase(word, m_image->CapabilityFlags()), n);
            combo->setCurrentIndex(ShownOptionIndex(m_image->GetWord(word), n, rule));
        },
        [this, combo, word] {
            // A list without a selection (a word that is no option of an
            // exact list) gets its last option, the nearest valid value,
            // rather than keep a value the meter has no meaning for.
            const int index = combo->currentIndex() >= 0 ? combo->currentIndex() : combo->count() - 1;
            if (index >= 0)
                m_image->SetWord(word, static_cast<std::uint16_t>(index));
        });
    return combo;
}

QLineEdit* CWordBinder::BindNumber(QLineEdit* edit, int word, LimitsSource limits)
{
    const ENumberWidth width = ParameterWidth(word);
    const ScaleSource scale = ParameterScale(word);
    const unsigned nameId = ParameterNameId(word);
    auto load = [this, edit, word, width, scale, limits](bool available) {
        if (!available) {
            edit->clear();
            return;
        }
        std::int32_t value = 0;
        if (width == ENumberWidth::Long)
            value = m_image->GetLong(word);
        else if (limits(*m_image).first < 0)
            value = static_cast<std::int16_t>(m_image->GetWord(word));
        else
            value = m_image->GetWord(word);
        SetScaledText(edit, value, scale(*m_image));
    };
    auto store = [this, edit, word, width, scale, limits, nameId] {
        const auto [minimum, maximum] = limits(*m_image);
        const std::int32_t value = ReadScaledText(edit, minimum, maximum, scale(*m_image), nameId);
        if (width == ENumberWidth::Long)
            m_image->SetLong(word, value);
        else
            m_image->SetWord(word, static_cast<std::uint16_t>(value));
    };
    Bind(edit, word, std::move(load), std::move(store));
    return edit;
}

CWordBinder::SBinding& CWordBinder::BindCustom(QWidget* control, std::function<void(bool)> load,
                                               std::function<void()> store)
{
    return Bind(control, -1, std::move(load), std::move(store));
}

void CWordBinder::AddStoreRule(std::function<void(CRegisterImage&)> rule)
{
    Bind(nullptr, -1, {}, [this, rule = std::move(rule)] { rule(*m_image); });
}

void CWordBinder::LoadOne(SBinding& binding)
{
    binding.isAvailable = !binding.available || binding.available(*m_image);
    for (QWidget* w : binding.widgets)
        w->setEnabled(binding.isAvailable);
    if (binding.load)
        binding.load(binding.isAvailable);
}

void CWordBinder::Load()
{
    for (SBinding& binding : m_bindings)
        LoadOne(binding);
}

void CWordBinder::Load(QWidget* control)
{
    for (SBinding& binding : m_bindings)
        if (binding.control == control)
            LoadOne(binding);
}

void CWordBinder::Store()
{
    // What the user cannot edit is not written.
    for (const SBinding& binding : m_bindings) {
        if (!binding.isAvailable || (binding.control && !binding.control->isEnabled()))
            continue;
        if (binding.store)
            binding.store();
    }
}

CWordBinder::SBinding* CWordBinder::Find(const QWidget* control)
{
    for (SBinding& binding : m_bindings)
        if (binding.control == control)
            return &binding;
    return nullptr;
}
