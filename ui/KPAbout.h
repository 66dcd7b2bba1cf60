#pragma once

#include "ui/KPDesktop.h"

#include <QDialog>
#include <QUrl>

class KPInlineMessage;
class QLabel;
class QPushButton;

// The about window: version, copyright, licence and a button to the home page. Made once with
// the main window; showing it again brings the same window to the front.
class KPAbout : public QDialog
{
    Q_OBJECT
public:
    explicit KPAbout(QWidget* parent = nullptr);

    void awakeFromNib();
    void refreshLang();
    void showMe();
    void gotoHomepage();

    QLabel* curVersionTF() const { return m_curVersionTF; }
    QLabel* copyrightTF() const { return m_copyrightTF; }
    QLabel* licenceTF() const { return m_licenceTF; }

    // Replaces opening a web address (tests check what would be opened).
    void setOpener(KPDesktop::Opener opener) { m_opener = std::move(opener); }
    // Says so when the home page could not be opened.
    KPInlineMessage* problem() const { return m_problem; }

private:
    QLabel* m_copyrightTF;
    QLabel* m_curVersionTF;
    QLabel* m_licenceTF;
    QPushButton* m_homepageBT;
    KPInlineMessage* m_problem;
    KPDesktop::Opener m_opener;
};
