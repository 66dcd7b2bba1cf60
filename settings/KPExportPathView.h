#pragma once

#include "settings/KPExportFolder.h"

#include <QWidget>

#include <functional>
#include <optional>

class KPInlineMessage;
class KPPathComboBox;
class QLabel;
class QPushButton;

// The export folder in the main window: its editable text with the recent folders,
// Browse and Open. Every edit goes into a thread-safe copy that a run's worker checks
// once per picture.
class KPExportPathView : public QWidget
{
    Q_OBJECT
public:
    KPExportPathView(KPExportFolder& folder, QWidget* parent = nullptr);

    static constexpr quint32 RecentCapacity = 10;

    // Set-up: the folder offered at start is the most recent one used, or else the
    // stored export folder (~/Pictures at first).
    void awakeFromNib();
    void refreshLang();

    // The checked export folder, or nothing; safe on any thread.
    std::optional<QString> exportPath() const;
    // Puts the current folder at the front of the recent ones (when a run starts).
    void addPathToComboBox();
    // Open: checks the folder shown (making it when missing) and opens it; what fails is
    // said beside the field.
    void openPath();
    void choosePath();
    // Shows a folder in the file manager (through the opener when one is set); says so
    // beside the field, naming the folder, when no file manager took it.
    void openFolder(const QString& path);

    // Whether a run can write into the folder shown, creating it when it is missing; when
    // it cannot, the field is marked and a message beside it names the folder and the
    // reason, until the next edit.
    bool checkBeforeRun();
    KPInlineMessage* problem() const { return m_problem; }

    // Replaces the folder dialog (tests answer it here): called back with the chosen
    // folders, or not at all when the dialog was cancelled.
    using Chooser = std::function<void(std::function<void(const QStringList&)>)>;
    void setChooser(Chooser chooser) { m_chooser = std::move(chooser); }
    // Replaces opening a folder in the file manager; answers whether it was opened.
    using Opener = std::function<bool(const QString&)>;
    void setOpener(Opener opener) { m_opener = std::move(opener); }

    KPPathComboBox* pathCB() const { return m_pathCB; }

private:
    void changed();

    KPExportFolder& m_folder;
    QLabel* m_exportLB;
    KPPathComboBox* m_pathCB;
    QPushButton* m_choosePathBT;
    QPushButton* m_openPathBT;
    KPInlineMessage* m_problem;
    Chooser m_chooser;
    Opener m_opener;
};
