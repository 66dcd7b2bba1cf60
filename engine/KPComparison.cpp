#include "engine/KPComparison.h"

#include "engine/KPAtomicFile.h"
#include "engine/KPImageDecoder.h"
#include "engine/KPSsim.h"

namespace {
KPImageDecoder::Decoded decodeFile(const QString& path, const std::function<bool()>& cancelled)
{
    const std::optional<QByteArray> bytes = KPAtomicFile::readAll(path);
    if (!bytes)
        return {{}, KPFailure::SourceUnreadable, {}};
    return KPImageDecoder::decodeSource(*bytes, KPImageDecoder::formatHint(path), cancelled);
}
} // namespace

KPComparison KPComparison::make(const QString& sourcePath, const QString& outputPath,
                                const std::function<bool()>& cancelled)
{
    const auto stopped = [&cancelled] { return cancelled && cancelled(); };
    KPComparison comparison;
    // The output first: it is small, and without it there is nothing to compare.
    const KPImageDecoder::Decoded output = decodeFile(outputPath, cancelled);
    if (stopped())
        return {};
    if (output.image.isNull()) {
        comparison.failedSide = Side::Output;
        comparison.failure = output.failure;
        return comparison;
    }
    const KPImageDecoder::Decoded source = decodeFile(sourcePath, cancelled);
    if (stopped())
        return {};
    if (source.image.isNull()) {
        comparison.failedSide = Side::Source;
        comparison.failure = source.failure;
        return comparison;
    }
    comparison.after = output.image;
    comparison.before = KPSsim::atOutputSize(source.image, output.image.size());
    if (stopped())
        return {};
    comparison.ssim = KPSsim::mean(comparison.before, comparison.after);
    return comparison;
}
