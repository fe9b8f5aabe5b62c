#pragma once
// Controls bound to words of a register image. A binding shows its word in
// its control and reads it back; what the control shows of the word (the
// option texts and their number, the scale, the width, the name in the range
// message) comes from the word's row of the parameter descriptor table, the
// one place it is written. The setting dialogs, the main window's own fields
// and the input pages bind their words through one of these:
//
//     m_binder.BindOptionList(m_pattern, kPatternWord, EOptionRule::TwoWay);
//     m_binder.BindNumber(m_lower, kLowerWord, LimitsDisplayValue());
//     m_binder.Load();   // the image into the controls
//     m_binder.Store();  // the controls into the image, in the order bound

#include "model/RegisterImage.h"

#include <concepts>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class QComboBox;
class QLineEdit;
class QWidget;

// How a stored word maps to the shown option of a list.
enum class EOptionRule {
    Clamped, // min(word, N - 1): a value beyond the list shows the last option
    TwoWay,  // 0 shows the first option, anything else the second
    Exact,   // the option whose index is the word; none for a word beyond the list.
             // OK with none chosen stores the last option, the nearest one
             // the list offers: only offered options are valid values.
};

// Shown option index of `word` in a list of `count` options; -1 for none.
int ShownOptionIndex(std::uint16_t word, int count, EOptionRule rule);

// Appends strings baseId ... baseId + count - 1 to `combo`, in order.
void FillOptionList(QComboBox* combo, unsigned baseId, int count);

enum class ENumberWidth {
    Word, // one word; read as signed 16-bit when the lower limit is negative
    Long, // two words, low half first
};

// Scale factors and limits of numeric edits, taken from the image when the
// edit is shown and again when it is read.
using ScaleSource = std::function<std::int32_t(const CRegisterImage&)>;
using LimitsSource = std::function<std::pair<std::int32_t, std::int32_t>(const CRegisterImage&)>;

ScaleSource ScaleFixed(std::int32_t divisor); // 1, 10, 100 or 1000
ScaleSource ScaleDisplay();                   // display scale of the image
ScaleSource ScaleInput();                     // input scale of the image
LimitsSource LimitsFixed(std::int32_t minimum, std::int32_t maximum);
LimitsSource LimitsDisplayValue(); // -20000 ... 100000, or -99999 ... 999999 (TC, RTD)
LimitsSource LimitsInputRange();   // the input range row of the image
// A lower limit that depends on a value read earlier in the same store: the
// value just stored at `word`, plus `margin`; the upper limit is `maximum`.
// The binding of `word` must come before the one that uses this.
//     t3.5 above t1.5:           LimitsAbove(74, ENumberWidth::Word, 1, 60)
//     100 % at least 5.000 over: LimitsAbove(66, ENumberWidth::Long, 5000, 105000)
LimitsSource LimitsAbove(int word, ENumberWidth width, std::int32_t margin, std::int32_t maximum);

// Whether a binding is offered, asked of the image when it is loaded.
using AvailabilitySource = std::function<bool(const CRegisterImage&)>;
// The model has any of the capability bits of `mask`.
AvailabilitySource HasCapability(std::uint32_t mask);

// ---- What the descriptor table says of word `word` (the first word of a
// parameter).
unsigned ParameterNameId(int word);
ENumberWidth ParameterWidth(int word);
// The scale of the value kind: a fixed divisor, or the image's display or
// input scale.
ScaleSource ParameterScale(int word);
// The first option text and the number of options on a model with `flags`
// (word 0 has a list per input family).
unsigned ParameterOptionBase(int word, std::uint32_t flags);
int ParameterOptionCount(int word, std::uint32_t flags);

// Number of options of a list: the descriptor table's (empty), fixed, or
// taken from the image when it is loaded (lists whose length depends on the
// model):
//     {}                                                        // the table's
//     4                                                         // always four
//     [](const CRegisterImage& image) { return IsRtd(image) ? 3 : 2; }
class COptionCount
{
public:
    COptionCount() = default;
    COptionCount(int count) : m_source([count](const CRegisterImage&) { return count; }) {}
    template <typename F>
    requires std::invocable<const F&, const CRegisterImage&> COptionCount(F source) : m_source(std::move(source)) {}
    // The count for `image`: the table's for `word` when none was given.
    int operator()(const CRegisterImage& image, int word) const
    {
        return m_source ? m_source(image) : ParameterOptionCount(word, image.CapabilityFlags());
    }
    bool IsTableCount() const { return !m_source; }

private:
    std::function<int(const CRegisterImage&)> m_source;
};

class CWordBinder
{
public:
    struct SBinding
    {
        int word = -1;                 // the bound word; -1 for a custom control or a rule
        QWidget* control = nullptr;    // null for a rule
        std::vector<QWidget*> widgets; // disabled together when unavailable
        AvailabilitySource available;  // empty: always available
        std::function<void(bool available)> load;
        std::function<void()> store;
        std::function<QWidget*()> focus; // where the focus goes first (default: control)
        bool isAvailable = true;
    };

    // `image` may be set later (a page gets its image after it is made).
    explicit CWordBinder(CRegisterImage* image = nullptr) : m_image(image) {}
    CWordBinder(const CWordBinder&) = delete;
    CWordBinder& operator=(const CWordBinder&) = delete;

    void SetImage(CRegisterImage* image) { m_image = image; }
    CRegisterImage* Image() const { return m_image; }

    // A list of the word's option texts. Filled when loaded, not when bound:
    // the options may depend on the model, and an unavailable list offers
    // nothing.
    QComboBox* BindOptionList(QComboBox* combo, int word, EOptionRule rule, COptionCount count = {});
    // An edit of the word's scaled value, checked against `limits` when stored.
    QLineEdit* BindNumber(QLineEdit* edit, int word, LimitsSource limits);
    // `load` shows the image in `control` (told whether it is available),
    // `store` reads it back (and may throw CPrivateException); either may be
    // empty.
    SBinding& BindCustom(QWidget* control, std::function<void(bool available)> load, std::function<void()> store);
    // A rule applied to the image at this place of the store order.
    void AddStoreRule(std::function<void(CRegisterImage&)> rule);
    // Forgets every binding (the controls are being rebuilt).
    void Clear() { m_bindings.clear(); }

    // Every binding from the image: asks availability, enables or disables
    // its widgets, shows its word.
    void Load();
    // The bindings of `control` alone, again.
    void Load(QWidget* control);
    // Every available and enabled binding into the image, in the order bound;
    // the first rejected value throws (its edit focused, unless quiet).
    void Store();

    std::vector<SBinding>& Bindings() { return m_bindings; }
    const std::vector<SBinding>& Bindings() const { return m_bindings; }
    // The binding of `control`; null when it has none.
    SBinding* Find(const QWidget* control);

private:
    SBinding& Bind(QWidget* control, int word, std::function<void(bool)> load, std::function<void()> store);
    void LoadOne(SBinding& binding);

    CRegisterImage* m_image;
    std::vector<SBinding> m_bindings;
};
