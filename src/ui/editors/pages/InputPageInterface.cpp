#include "ui/editors/pages/InputPageInterface.h"

#include "model/CapabilityFlags.h"
#include "ui/common/AccessKeys.h"
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
    CInputPage* page = nullptr;
    switch (kind) {
    case EInputKind::DC: page = new CInputVPage(parent); break;
    case EInputKind::TC: page = new CInputTPage(parent); break;
    case EInputKind::RTD: page = new CInputRPage(parent); break;
    case EInputKind::PTM: page = new CInputMPage(parent); break;
    case EInputKind::AC: page = new CInputACPage(parent); break;
    case EInputKind::None: break;
    }
    if (page)
        page->AnnounceEdits();
    return page;
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

void CInputPage::AnnounceEdits()
{
    // Connected after the page's own handlers (type rules, sub-dialog
    // buttons), so that what they did is part of the step.
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] { emit fieldEdited(edit); });
    for (QComboBox* list : findChildren<QComboBox*>())
        connect(list, &QComboBox::activated, this, [this, list] { emit fieldEdited(list); });
    for (QPushButton* button : findChildren<QPushButton*>())
        connect(button, &QPushButton::clicked, this, [this, button] { emit fieldEdited(button); });
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
    auto* button = new QPushButton(CommandCaption(captionId), this);
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
    auto* button = new QPushButton(CommandCaption(pagetext::kDecimalPoint), this);
    button->setProperty("controlId", 1013);
    button->setAutoDefault(false);
    m_buttons->addWidget(button);
    connect(button, &QPushButton::clicked, this, &CInputPage::decimalPointRequested);
    return button;
}
