#include "list/KPDupPathPanel.h"

#include "engine/KPPath.h"

#include "ui/KPLocalization.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

KPDupPathPanel::KPDupPathPanel(QWidget* parent)
    : QDialog(parent), m_dupTextV(new QPlainTextEdit(this)), m_okBT(new QPushButton(this)),
      m_note(new QLabel(this))
{
    setModal(false);
    m_note->setWordWrap(true);
    m_dupTextV->setReadOnly(true);
    m_dupTextV->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_dupTextV->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_okBT, QDialogButtonBox::AcceptRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_note);
    layout->addWidget(m_dupTextV, 1);
    layout->addWidget(buttons);
    resize(520, 300);
    connect(m_okBT, &QPushButton::clicked, this, &KPDupPathPanel::clickOkBT);
}

void KPDupPathPanel::awakeFromNib()
{
    refreshLang();
    hide();
}

void KPDupPathPanel::refreshLang()
{
    m_okBT->setText(KPLocalization::text("L_OKBT"));
}

QPoint KPDupPathPanel::centredOver(const QRect& main, const QRect& current)
{
    if (main.height() < current.height() || main.width() < current.width())
        return current.topLeft();
    return {main.x() + (main.width() - current.width()) / 2,
            main.y() + (main.height() - current.height()) / 2};
}

void KPDupPathPanel::showDupPanel(const QStringList& paths)
{
    setWindowTitle(KPLocalization::text("L_Warn"));
    m_note->setText(KPLocalization::text("L_RepeatAddFileFolder"));
    if (QWidget* main = parentWidget() ? parentWidget()->window() : nullptr)
        move(centredOver(main->frameGeometry(), frameGeometry()));
    show();
    raise();
    QString text;
    for (const QString& path : paths)
        text += KPPath::displayName(path) + QLatin1Char('\n'); // one line each, whatever the name
    m_dupTextV->setPlainText(text);
}

void KPDupPathPanel::clickOkBT()
{
    hide();
}
