#include "settings/KPExportPathView.h"

#include "settings/KPExportFolder.h"
#include "settings/KPPathComboBox.h"
#include "settings/KPSettings.h"
#include "ui/KPLocalization.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

KPExportPathView::KPExportPathView(KPExportFolder& folder, QWidget* parent)
    : QWidget(parent), m_folder(folder), m_exportLB(new QLabel(this)), m_pathCB(new KPPathComboBox(this)),
      m_choosePathBT(new QPushButton(this)), m_openPathBT(new QPushButton(this))
{
    m_exportLB->setBuddy(m_pathCB);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_exportLB);
    layout->addWidget(m_pathCB, 1);
    layout->addWidget(m_choosePathBT);
    layout->addWidget(m_openPathBT);
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
}

void KPExportPathView::changed()
{
    m_folder.setText(m_pathCB->currentText());
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
    const QString path = KPExportFolder::expandTilde(m_pathCB->currentText());
    if (!KPExportFolder::checkExPath(path))
        return;
    if (m_opener)
        m_opener(path);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
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
    const QString current = KPExportFolder::expandTilde(m_pathCB->currentText());
    if (QFileInfo(current).isDir())
        dialog->setDirectory(current);
    connect(dialog, &QFileDialog::accepted, this, [dialog, done] { done(dialog->selectedFiles()); });
    dialog->open();
}
