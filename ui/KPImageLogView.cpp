#include "ui/KPImageLogView.h"

#include "engine/KPAsync.h"
#include "engine/KPAtomicFile.h"
#include "engine/KPImageDecoder.h"
#include "engine/KPPath.h"
#include "engine/KPQuality.h"
#include "list/KPStringTools.h"
#include "list/KPThumbnailCache.h"
#include "ui/KPComparePanel.h"
#include "ui/KPImageView.h"
#include "ui/KPLocalization.h"

#include <QFile>
#include <QFormLayout>
#include <QImageReader>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {
QString pixelSizeText(QSize size)
{
    const QSize shown = size.isValid() ? size : QSize(0, 0);
    return QStringLiteral("%1 x %2").arg(shown.width()).arg(shown.height());
}

// The picture's pixel size from its header, upright. A file Qt's readers turn away is
// asked of the engine's other readers.
QSize headerSize(const QString& path)
{
    // A file larger than any reader takes is not opened at all.
    const std::optional<quint64> bytes = KPAtomicFile::fileSize(path);
    if (!bytes || *bytes > quint64(KPAtomicFile::MaxReadBytes))
        return {};
    QFile file;
    if (!KPPath::openPlainFile(file, path))
        return {};
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    QSize size = reader.size();
    if (size.isValid() && (reader.transformation() & QImageIOHandler::TransformationRotate90))
        size.transpose();
    if (size.isValid())
        return size;
    file.close();
    if (const std::optional<QByteArray> whole = KPAtomicFile::readAll(path))
        return KPImageDecoder::probeSource(*whole, KPImageDecoder::formatHint(path)).size;
    return {};
}

// Written like the quality floor of the preferences, so the two compare at a glance.
QString qualityText(KPQuality quality)
{
    return QStringLiteral("%1 %").arg(quality.jpegQuality());
}

QLabel* valueLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    // A file name such as "<img src=...>.jpg" is a name, not markup to render.
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumWidth(80);
    return label;
}
} // namespace

KPImageLogView::KPImageLogView(QWidget* parent)
    : QGroupBox(parent), m_imageIV(new KPImageView(this)),
      m_comparePanel(new KPComparePanel(m_imageIV, this)), m_logNameLB(new QLabel(this)),
      m_logNameTF(valueLabel(this)), m_logScaleLB(new QLabel(this)), m_logScaleTF(valueLabel(this)),
      m_logSizeLB(new QLabel(this)), m_logSizeTF(valueLabel(this)),
      m_logQualityLB(new QLabel(this)), m_logQualityTF(valueLabel(this)),
      m_logProgressLB(new QLabel(this)), m_logProgressTF(valueLabel(this)),
      m_logProgressPI(new QProgressBar(this)),
      m_defaultImage(QStringLiteral(":/pictures/DefaultImage.png"))
{
    m_logNameTF->setWordWrap(true);
    m_logProgressTF->setWordWrap(true); // a failed picture's reason
    m_logProgressPI->setRange(0, 0);    // busy: moves without a known end
    m_logProgressPI->setTextVisible(false);
    m_logProgressPI->setMaximumHeight(m_logProgressTF->sizeHint().height());

    // An empty value reads as what it is, not as the panel's title.
    m_logNameLB->setBuddy(m_logNameTF);
    m_logScaleLB->setBuddy(m_logScaleTF);
    m_logSizeLB->setBuddy(m_logSizeTF);
    m_logQualityLB->setBuddy(m_logQualityTF);
    m_logProgressLB->setBuddy(m_logProgressTF);

    auto* fields = new QFormLayout;
    fields->setLabelAlignment(Qt::AlignRight);
    fields->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    fields->addRow(m_logNameLB, m_logNameTF);
    fields->addRow(m_logScaleLB, m_logScaleTF);
    fields->addRow(m_logSizeLB, m_logSizeTF);
    fields->addRow(m_logQualityLB, m_logQualityTF);
    auto* progress = new QHBoxLayout;
    progress->addWidget(m_logProgressTF);
    progress->addWidget(m_logProgressPI, 1);
    fields->addRow(m_logProgressLB, progress);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_comparePanel, 1);
    layout->addLayout(fields);

    connect(KPNotificationCenter::defaultCenter(), &KPNotificationCenter::posted, this,
            [this](const KPNotification& note) {
                if (note.name == KPMessage::ImageLogRefresh)
                    refreshImageLog(note);
            });
    connect(&m_loadWatcher, &QFutureWatcherBase::finished, this, &KPImageLogView::loadEnded);
}

KPImageLogView::~KPImageLogView()
{
    dropLoad();
    m_loader.waitForFinished();
}

void KPImageLogView::loadEnded()
{
    m_loading = false;
    // A cancelled load is for a picture no longer shown.
    const QFuture<QImage> ended = m_loadWatcher.future();
    if (!ended.isCanceled() && ended.resultCount() > 0)
        showPicture(ended.result());
}

void KPImageLogView::awakeFromNib()
{
    refreshLanguage();
    m_logProgressPI->hide();
    m_imageIV->setImage(m_defaultImage, false);
}

void KPImageLogView::refreshLanguage()
{
    setTitle(KPLocalization::text("L_LogBoxTitle"));
    m_logNameLB->setText(KPLocalization::text("L_Name"));
    m_logScaleLB->setText(KPLocalization::text("L_Scale"));
    m_logSizeLB->setText(KPLocalization::text("L_Size"));
    m_logQualityLB->setText(KPLocalization::text("L_Quality"));
    m_logProgressLB->setText(KPLocalization::text("L_Progress"));
    m_imageIV->setAccessibleName(KPLocalization::text("L_PictureName"));
    m_logProgressPI->setAccessibleName(KPLocalization::asName(m_logProgressLB->text()));
    m_comparePanel->refreshLanguage();
    m_logNameTF->clear();
    m_logScaleTF->clear();
    m_logSizeTF->clear();
    m_logQualityTF->clear();
    m_logProgressTF->clear();
}

bool KPImageLogView::isLoadingPicture() const
{
    return m_loading;
}

void KPImageLogView::showPicture(const QImage& image)
{
    m_imageIV->setImage(image);
}

void KPImageLogView::dropLoad()
{
    // A cancelled load is not shown (see loadEnded); one not begun is not loaded at all.
    m_loader.cancel();
}

void KPImageLogView::loadPicture(const QString& path)
{
    dropLoad();
    m_imageIV->setImage({});
    // As many pixels as the screen shows in the box, so that a 2x screen is not drawn at
    // half the size.
    const QSize box = (QSizeF(PreviewBox) * devicePixelRatioF()).toSize();
    m_loader = KPAsync::run([path, box] { return KPThumbnailCache::load(path, box); });
    m_loading = true;
    m_loadWatcher.setFuture(m_loader);
}

void KPImageLogView::refreshImageLog(const KPNotification& notification)
{
    if (notification.userInfo.isEmpty()) {
        dropLoad();
        m_imageIV->setImage(m_defaultImage, false);
        m_logNameTF->clear();
        m_logScaleTF->clear();
        m_logSizeTF->clear();
        m_logQualityTF->clear();
        m_logProgressTF->clear();
        m_logProgressPI->hide();
        m_comparePanel->showJob(nullptr);
        return;
    }
    const auto job = notification.userInfo.value(KPMessage::CurrentImage).value<KPImageDataPtr>();
    if (!job)
        return;

    const QImage output = job->exportImage();
    const bool converted = job->is(KPProgress::Converted);
    const bool showOutput = !job->is(KPProgress::Failed) && (!output.isNull() || converted) &&
                            !job->exportPath().isEmpty();
    if (showOutput) {
        const QString exportPath = job->exportPath();
        if (!output.isNull()) {
            dropLoad();
            showPicture(output);
        } else {
            loadPicture(exportPath); // kept unchanged: nothing was decoded
        }
        m_logNameTF->setText(KPPath::displayName(KPPath::fileName(exportPath)));
        showOutputValues(*job, output);
    } else {
        const QString path = job->path();
        loadPicture(path);
        m_logNameTF->setText(KPPath::displayName(KPPath::fileName(path)));
        m_logScaleTF->setText(pixelSizeText(headerSize(path)));
        const std::optional<quint64> size = job->size();
        m_logSizeTF->setText(size ? KPStringTools::sizeSwitch(float(*size))
                                  : KPLocalization::text("L_Unknown"));
        m_logQualityTF->clear();
    }
    refreshViewState(job);
    m_comparePanel->showJob(job);
}

void KPImageLogView::showOutputValues(const KPImageData& job, const QImage& output)
{
    // A job that has ended is shown as its summary has it; one converting, its last step.
    const std::optional<KPJobSummary> summary = job.summary();
    QSize pixels = summary ? summary->outputPixels : job.exportPixelSize();
    if (!pixels.isValid())
        pixels = output.size();
    m_logScaleTF->setText(pixelSizeText(pixels));
    const quint64 bytes = summary ? summary->outputBytes : job.exportSize().value_or(0);
    m_logSizeTF->setText(KPStringTools::sizeSwitch(float(bytes)));
    // A copy was never encoded, so it has no quality to show.
    std::optional<KPQuality> quality;
    if (summary)
        quality = summary->quality;
    else if (const std::optional<float> factor = job.exportQuality())
        quality = KPQuality::nearest(*factor);
    QString shown = quality ? qualityText(*quality) : QString();
    // JPEG is what a run writes unless told otherwise; another format is named.
    if (summary && summary->format != KPOutputFormat::Jpeg)
        shown = (KPOutputFormats::title(summary->format) + QLatin1Char(' ') + shown).trimmed();
    m_logQualityTF->setText(shown);
}

void KPImageLogView::refreshViewState(const KPImageDataPtr& job)
{
    const char* key = nullptr;
    switch (static_cast<KPProgress>(job->progress())) {
    case KPProgress::Converting:
        m_logProgressTF->hide();
        m_logProgressPI->show();
        return;
    case KPProgress::Converted:
        key = "L_LogConvertOK";
        break;
    case KPProgress::Failed: {
        m_logProgressPI->hide();
        m_logProgressTF->show();
        const QString reason = KPFailureText::text(job->failure(), m_failureLimit, m_failureBox);
        m_logProgressTF->setText(reason.isEmpty()
                                     ? KPLocalization::text("L_LogConvertError")
                                     : KPLocalization::text("L_LogConvertErrorReason").arg(reason));
        return;
    }
    case KPProgress::Waiting:
        key = "L_LogConvertWait";
        break;
    default:
        return;
    }
    m_logProgressPI->hide();
    m_logProgressTF->show();
    m_logProgressTF->setText(KPLocalization::text(key));
}
