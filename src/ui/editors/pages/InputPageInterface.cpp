#include "ui/editors/pages/InputPageInterface.h"

#include "model/CapabilityFlags.h"
#include "ui/common/ErrorReport.h"
#include "ui/common/UiText.h"
#include "ui/editors/pages/InputACPage.h"
#include "ui/editors/pages/InputMPage.h"
#include "ui/editors/pages/InputRPage.h"
#include "ui/editors/pages/InputTPage.h"
#include "ui/editors/pages/InputVPage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

EInputKind InputKindOf(std::uint32_t flags)
{
    if (flags & CAP_DC_INPUT)
        return EInputKind::DC;
    if (flags & CAP_TC_INPUT)
        return EInputKind::TC;
    if (flags & CAP_RTD_INPUT)
        return EInputKind::RTD;
    if (flags & CAP_PTM_INPUT)
        return EInputKind::PTM;
    if (flags & CAP_AC_INPUT)
        return EInputKind::AC;
    return EInputKind::None;
}

CInputPage* CreateInputPage(EInputKind kind, QWidget* parent)
{
    switch (kind) {
    case EInputKind::DC: return new CInputVPage(parent);
    case EInputKind::TC: return new CInputTPage(parent);
    case EInputKind::RTD: return new CInputRPage(parent);
    case EInputKind::PTM: return new CInputMPage(parent);
    case EInputKind::AC: return new CInputACPage(parent);
    case EInputKind::None: break;
    }
    return nullptr;
}

CInputPage::CInputPage(QWidget* parent) : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    m_grid = new QGridLayout;
    outer->addLayout(m_grid);
    m_buttons = new QHBoxLayout;
    outer->addLayout(m_buttons);
    outer->addStretch(1);
}

QComboBox* CInputPage::AddList(int row, unsigned captionId, int controlId)
{
    auto* label = new QLabel(UiText(captionId), this);
    auto* list = new QComboBox(this);
    list->setProperty("controlId", controlId);
    label->setBuddy(list);
    list->setAccessibleName(label->text()); // not its current entry
    m_grid->addWidget(label, row, 0);
    m_grid->addWidget(list, row, 1, 1, 2);
    return list;
}

QLineEdit* CInputPage::MakeEdit(int controlId, unsigned nameId)
{
    auto* edit = new QLineEdit(this);
    edit->setProperty("controlId", controlId);
    edit->setAccessibleName(UiText(nameId));
    return edit;
}

QPushButton* CInputPage::AddSubDialogButton(unsigned captionId, int controlId, EInputSubDialog kind)
{
    auto* button = new QPushButton(UiText(captionId), this);
    button->setProperty("controlId", controlId);
    button->setAutoDefault(false);
    m_buttons->addWidget(button);
    connect(button, &QPushButton::clicked, this, [this, kind] {
        RunCommand(this, [this, kind] {
            if (m_image)
                RunInputSubDialog(this, kind, *m_image);
        });
    });
    return button;
}

QPushButton* CInputPage::AddDecimalPointButton()
{
    auto* button = new QPushButton(UiText(pagetext::kDecimalPoint), this);
    button->setProperty("controlId", 1013);
    button->setAutoDefault(false);
    m_buttons->addWidget(button);
    connect(button, &QPushButton::clicked, this, &CInputPage::decimalPointRequested);
    return button;
}
