#include "ui/KPAbout.h"

#include "ui/KPInlineMessage.h"
#include "ui/KPLocalization.h"
#include "ui/KPProductInfo.h"

#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

KPAbout::KPAbout(QWidget* parent)
    : QDialog(parent), m_copyrightTF(new QLabel(this)), m_curVersionTF(new QLabel(this)),
      m_licenceTF(new QLabel(this)), m_homepageBT(new QPushButton(this)),
      m_problem(new KPInlineMessage(this))
{
    setModal(false);
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/pictures/Pictaro.svg")).pixmap(96, 96));
    icon->setAlignment(Qt::AlignCenter);
    icon->setAccessibleName(QStringLiteral("Pictaro"));
    auto* name = new QLabel(QStringLiteral("Pictaro"), this);
    QFont font = name->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    font.setBold(true);
    name->setFont(font);
    name->setAlignment(Qt::AlignCenter);
    m_curVersionTF->setAlignment(Qt::AlignCenter);
    m_copyrightTF->setAlignment(Qt::AlignCenter);
    m_copyrightTF->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_licenceTF->setAlignment(Qt::AlignCenter);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_homepageBT, QDialogButtonBox::ActionRole);
    buttons->setCenterButtons(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(icon);
    layout->addWidget(name);
    layout->addWidget(m_curVersionTF);
    layout->addSpacing(8);
    layout->addWidget(m_copyrightTF);
    layout->addWidget(m_licenceTF);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    layout->addWidget(m_problem);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_homepageBT, &QPushButton::clicked, this, &KPAbout::gotoHomepage);
}

void KPAbout::awakeFromNib()
{
    refreshLang();
    m_copyrightTF->setText(KPProductInfo::copyRight());
}

void KPAbout::refreshLang()
{
    m_homepageBT->setText(KPLocalization::text("L_BTHomePage"));
    setWindowTitle(KPLocalization::text("L_AboutMenu"));
    m_licenceTF->setText(KPLocalization::text("L_AboutLicence"));
    // The one text made of two: the word for version, a space and the number.
    m_curVersionTF->setText(
        QStringLiteral("%1 %2").arg(KPLocalization::text("L_Version"), KPProductInfo::version()));
}

void KPAbout::showMe()
{
    show();
    raise();
    activateWindow();
}

void KPAbout::gotoHomepage()
{
    const QUrl url = KPProductInfo::homepage();
    if (KPDesktop::open(url, m_opener))
        m_problem->clearMessage();
    else
        m_problem->showMessage(
            KPLocalization::text("L_PageNotOpened").arg(KPDesktop::shownPath(url)));
}
