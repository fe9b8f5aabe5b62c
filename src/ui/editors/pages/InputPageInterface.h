#pragma once
// The "Input" area of the main window shows one page for the input kind of
// the model. A page edits the main window's register image directly: its
// controls hold edits until Store, type choices go into the image at once,
// and its buttons open the input sub-setting dialogs on that image.
//
// What the page needs of the main window it says with its signals:
// typeChanged (the image changed under the window's other controls),
// decimalPointRequested (the window commits, runs the dialog, shows again)
// and fieldEdited (a value the window takes as one step of its undo).

#include "model/RegisterImage.h"
#include "ui/editors/WordBinder.h"

#include <QWidget>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// String numbers of the pages' captions.
namespace pagetext {
inline constexpr unsigned kType = 12860;
inline constexpr unsigned kInputScaling = 12890;
inline constexpr unsigned kDisplayScaling = 12891;
inline constexpr unsigned kZero = 12892;
inline constexpr unsigned kSpan = 12893;
inline constexpr unsigned kDecimalPoint = 12894;
inline constexpr unsigned kLowEndCut = 12895;
inline constexpr unsigned kFilter = 12896;
inline constexpr unsigned kForcedZero = 12897;
inline constexpr unsigned kBurnout = 12898;
inline constexpr unsigned kAdjust = 12899;
inline constexpr unsigned kColdJunction = 12900;
inline constexpr unsigned kPotentiometer = 12901;
inline constexpr unsigned kTemperatureUnit = 12902;
// Parameter names, for the range message and as accessible names.
inline constexpr unsigned kInputZeroName = 15002;
inline constexpr unsigned kInputSpanName = 15003;
inline constexpr unsigned kDisplayZeroName = 15004;
inline constexpr unsigned kDisplaySpanName = 15005;
} // namespace pagetext

// The input kinds, each with its page, in the order a model's flags are
// asked for them.
enum class EInputKind { None, DC, TC, RTD, PTM, AC };
EInputKind InputKindOf(std::uint32_t capabilityFlags);

// The input sub-setting dialogs a page button opens.
enum class EInputSubDialog { DecimalPoint, LowEndCut, Filter, ForcedZero, Adjust, Burnout, ColdJunction };

// Runs the sub-dialog on `image` itself (OK writes straight into it); true
// on OK.
bool RunInputSubDialog(QWidget* parent, EInputSubDialog kind, CRegisterImage& image);

class CInputPageInterface
{
public:
    virtual ~CInputPageInterface() = default;

    // Shows the image in the page's controls.
    virtual void Load() = 0;
    // Reads the controls into the image, in the page's order; the first
    // rejected edit throws CPrivateException (range message, edit focused).
    virtual void Store() = 0;

    // Set by the main window right after creating the page; not owned.
    void SetImage(CRegisterImage* image)
    {
        m_image = image;
        m_binder.SetImage(image);
    }
    CRegisterImage* Image() const { return m_image; }

protected:
    CRegisterImage* m_image = nullptr;
    // The page's controls bound to their words, in the page's store order.
    CWordBinder m_binder;
};

// What the five pages have in common: a widget with a grid of captioned
// controls and a row of sub-dialog buttons.
class CInputPage : public QWidget, public CInputPageInterface
{
    Q_OBJECT
public:
    explicit CInputPage(QWidget* parent = nullptr);
    virtual EInputKind Kind() const = 0;

    // Connects every field of the page to fieldEdited, after the page's own
    // handlers; CreateInputPage does it once the page is made.
    void AnnounceEdits();

signals:
    // A type choice changed words the window shows elsewhere (a sensor's
    // range went into the bar graph and the analog output).
    void typeChanged();
    // The Decimal Pnt. button: the window commits its edits first and shows
    // the image again after the dialog, since every display value changes
    // its format with the decimal point.
    void decimalPointRequested();
    // A field was left, a list chosen or a button's dialog closed, after the
    // page's own handling of it.
    void fieldEdited(QWidget* field);

protected:
    // A list with its caption as its buddy, at `row` of the grid.
    QComboBox* AddList(int row, unsigned captionId, int controlId);
    // A button of the sub-dialog row; `kind` is run on the image.
    QPushButton* AddSubDialogButton(unsigned captionId, int controlId, EInputSubDialog kind);
    // The Decimal Pnt. button; it asks with decimalPointRequested.
    QPushButton* AddDecimalPointButton();
    // A numeric edit named by parameter `nameId` for screen readers.
    QLineEdit* MakeEdit(int controlId, unsigned nameId);

    QGridLayout* Grid() const { return m_grid; }

private:
    QGridLayout* m_grid;
    class QHBoxLayout* m_buttons;
};

// The page of `kind`; null for EInputKind::None.
CInputPage* CreateInputPage(EInputKind kind, QWidget* parent);
