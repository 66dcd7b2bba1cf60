#include "settings/KPExportPathView.h"

#include "engine/KPPath.h"
#include "settings/KPExportFolder.h"
#include "settings/KPPathComboBox.h"
#include "settings/KPSettings.h"
#include "ui/KPDesktop.h"
#include "ui/KPInlineMessage.h"
#include "ui/KPLocalization.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

KPExportPathView::KPExportPathView(KPExportFolder& folder, QWidget* parent)
    : QWidget(parent), m_folder(folder), m_exportLB(new QLabel(this)),
      m_pathCB(new KPPathComboBox(this)), m_choosePathBT(new QPushButton(this)),
      m_openPathBT(new QPushButton(this)), m_problem(new KPInlineMessage(this))
{
    m_exportLB->setBuddy(m_pathCB);
    auto* controls = new QHBoxLayout;
    controls->addWidget(m_exportLB);
    controls->addWidget(m_pathCB, 1);
    controls->addWidget(m_choosePathBT);
    controls->addWidget(m_openPathBT);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(controls);
    layout->addWidget(m_problem);
    connect(m_pathCB, &QComboBox::editTextChanged, this, &KPExportPathView::changed);
    connect(m_choosePathBT, &QPushButton::clicked, this, &KPExportPathView::choosePath);
    connect(m_openPathBT, &QPushButton::clicked, this, &KPExportPathView::openPath);
}

void KPExportPathView::awakeFromNib()
{
    refreshLang();
    m_pathCB->setCapacity(RecentCapacity);
    std::optional<QString> stored = KPSettings::stringForKey(KPSettingsKey::ExportPath);
    if (!stored || stored->isEmpty()) {
        stored = KPSettings::defaultExportPath();
        KPSettings::setObject(KPSettingsKey::ExportPath, *stored);
    }
    m_pathCB->setEditText(KPExportFolder::expandTilde(*stored));
    // The recent list's own set-up comes last, so a folder used before wins.
    m_pathCB->exportUserDef();
    changed();
}

void KPExportPathView::refreshLang()
{
    m_choosePathBT->setText(KPLocalization::text("L_Brows"));
    m_openPathBT->setText(KPLocalization::text("L_Open"));
    m_exportLB->setText(KPLocalization::text("L_ExportLB"));
    m_choosePathBT->setToolTip(KPLocalization::text("L_BrowsTip"));
    m_openPathBT->setToolTip(KPLocalization::text("L_OpenTip"));
    // What the field is, not the folder it holds.
    m_pathCB->setAccessibleName(KPLocalization::asName(m_exportLB->text()));
    m_pathCB->lineEdit()->setAccessibleName(m_pathCB->accessibleName());
    m_pathCB->setToolTip(KPLocalization::text("L_ExportTip"));
}

void KPExportPathView::changed()
{
    m_folder.setText(m_pathCB->currentText());
    m_problem->clearMessage();
    m_problem->setToolTip({});
    KPInlineMessage::markField(m_pathCB, false);
}

bool KPExportPathView::checkBeforeRun()
{
    // The folder the run will ask for, as the check of each picture sees it.
    const QString typed = m_folder.text();
    const KPExportFolder::Check check = KPExportFolder::checkExPathDetailed(typed);
    if (check == KPExportFolder::Check::Usable)
        return true;
    const QString folder = KPExportFolder::expandTilde(typed);
    // A long path would stretch the window; the whole of it is in the tool tip.
    const QString elided =
        m_problem->fontMetrics().elidedText(QDir::toNativeSeparators(folder), Qt::ElideMiddle, 360);
    m_problem->showMessage(KPExportFolder::problemText(check, folder, elided));
    m_problem->setToolTip(KPExportFolder::problemText(check, folder));
    KPInlineMessage::markField(m_pathCB, true);
    return false;
}

std::optional<QString> KPExportPathView::exportPath() const
{
    return m_folder.exportPath();
}

void KPExportPathView::addPathToComboBox()
{
    m_pathCB->savePath();
}

void KPExportPathView::openPath()
{
    // The same check as a run's, which makes a missing folder; what fails it is said.
    if (!checkBeforeRun())
        return;
    openFolder(KPExportFolder::expandTilde(m_folder.text()));
}

void KPExportPathView::openFolder(const QString& path)
{
    const bool opened = m_opener ? m_opener(path) : KPDesktop::open(KPPath::toUrl(path));
    if (opened)
        return;
    m_problem->showMessage(KPLocalization::text("L_FolderNotOpened")
                               .arg(KPPath::displayName(QDir::toNativeSeparators(path))));
}

void KPExportPathView::choosePath()
{
    auto done = [this](const QStringList& chosen) {
        if (chosen.isEmpty()) {
            qWarning("folderArray is nil");
            return;
        }
        const QString folder = chosen.last();
        if (KPExportFolder::checkExPath(folder))
            m_pathCB->setEditText(folder);
    };
    if (m_chooser) {
        m_chooser(done);
        return;
    }
    auto* dialog = new QFileDialog(this, KPLocalization::text("L_ChooseExportFolder"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setOption(QFileDialog::DontResolveSymlinks);
    // A new export folder can be made right there.
    dialog->setOption(QFileDialog::ReadOnly, false);
    dialog->setDirectory(KPSettings::chooserFolder(KPSettingsKey::BrowseFolder));
    connect(dialog, &QFileDialog::accepted, this, [dialog, done] {
        KPSettings::setObject(KPSettingsKey::BrowseFolder, dialog->directory().absolutePath());
        done(dialog->selectedFiles());
    });
    dialog->open();
}
