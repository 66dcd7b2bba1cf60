#pragma once

#include <QDialog>

#include <optional>

class KPFormatChoice;
class KPMetadataGroup;
class KPUploadRulesGroup;
class KPNumberTextField;
class QCheckBox;
class QLabel;
class QLayout;
class QPushButton;
class QSlider;
class QSpinBox;

// The preferences panel: the quality floor as a whole percent, whether a picture is
// fitted at the best quality or step by step, the smallest box a picture may be scaled
// down to, whether scaling is allowed at all, how many pictures a run converts at once,
// what outputs keep of the metadata and the format they are written in. Not modal, so it can be
// changed during a run; each show loads what the store holds, OK writes it.
class KPPreferences : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(int imageQuality READ imageQuality WRITE setImageQuality NOTIFY imageQualityChanged)
public:
    explicit KPPreferences(QWidget* parent = nullptr);

    void awakeFromNib();
    void refreshLanguage();
    void showPanel();
    void loadPreferences();
    void ok();
    void cancel();

    int imageQuality() const { return m_imageQuality; }
    void setImageQuality(int percent);

    KPNumberTextField* widthTF() const { return m_widthTF; }
    KPNumberTextField* highTF() const { return m_highTF; }
    QSlider* qualitySlider() const { return m_qualitySlider; }
    QLabel* qualityPercentLB() const { return m_qualityPercentLB; }
    QCheckBox* scaleCB() const { return m_scaleCB; }
    QCheckBox* bestQualityCB() const { return m_bestQualityCB; }
    QSpinBox* parallelJobsSB() const { return m_parallelJobsSB; }
    KPMetadataGroup* metadataGroup() const { return m_metadataGroup; }
    KPFormatChoice* formatChoice() const { return m_formatChoice; }
    KPUploadRulesGroup* uploadRulesGroup() const { return m_uploadRulesGroup; }

Q_SIGNALS:
    void imageQualityChanged(int percent);

private:
    void configureControls();
    void layOut();
    QLayout* qualityRows();
    QLayout* smallestBoxRow();
    void connectControls();
    void keepHintsWhole();

    QLabel* m_imageQualityLB;
    QLabel* m_imageScaleLB;
    QLabel* m_widthLB;
    QLabel* m_highLB;
    QLabel* m_poorLB;
    QLabel* m_goodLB;
    QLabel* m_widthUnitLB;
    QLabel* m_highUnitLB;
    QLabel* m_qualityPercentLB;
    QLabel* m_bestQualityHintLB;
    QLabel* m_parallelJobsLB;
    QLabel* m_parallelJobsHintLB;
    KPNumberTextField* m_widthTF;
    KPNumberTextField* m_highTF;
    QSlider* m_qualitySlider;
    QCheckBox* m_scaleCB;
    QCheckBox* m_bestQualityCB;
    QSpinBox* m_parallelJobsSB;
    QPushButton* m_cancelBT;
    QPushButton* m_okBT;
    KPMetadataGroup* m_metadataGroup;
    KPFormatChoice* m_formatChoice;
    KPUploadRulesGroup* m_uploadRulesGroup;
    // What the slider shows when the store holds no usable floor.
    static constexpr int FallbackPercent = 1;
    int m_imageQuality = FallbackPercent;
    // The percent the stored floor showed as when the panel was loaded; none when the
    // store held no usable floor and a fallback was shown.
    std::optional<int> m_storedPercent;
    // The number of pictures at once the panel was loaded with: OK writes it only when
    // it was changed, so a store without it stays without it.
    int m_storedParallelJobs = 1;
};
