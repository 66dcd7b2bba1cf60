#include "engine/formats/KPHelperHandler.h"

#include "engine/formats/KPDeviceBytes.h"

#include <QColorSpace>
#include <QImage>
#include <QVariant>

bool KPHelperHandler::canRead() const
{
    return open();
}

bool KPHelperHandler::supportsOption(ImageOption option) const
{
    return option == Size || option == ScaledSize;
}

QVariant KPHelperHandler::option(ImageOption option) const
{
    if (option == Size)
        return open() ? QVariant(m_size) : QVariant();
    if (option == ScaledSize)
        return m_scaledSize;
    return {};
}

void KPHelperHandler::setOption(ImageOption option, const QVariant& value)
{
    if (option == ScaledSize)
        m_scaledSize = value.toSize();
}

bool KPHelperHandler::open() const
{
    if (m_state != State::Closed)
        return m_state == State::Open;
    m_state = State::Failed;
    m_bytes = KPDeviceBytes::peekAll(device(), KPDecodeHelper::MaxFileBytes);
    const KPDecodeReply header = KPDecodeHelper::size(m_kind, m_bytes);
    if (!header.ok())
        return false;
    m_size = header.size;
    m_state = State::Open;
    return true;
}

bool KPHelperHandler::read(QImage* image)
{
    if (!open())
        return false;
    const bool scaled = m_scaledSize.isValid() && !m_scaledSize.isEmpty();
    const KPDecodeReply decoded =
        KPDecodeHelper::decode(m_kind, m_bytes, {}, scaled ? m_scaledSize : QSize(), {}, m_size);
    m_bytes = QByteArray();
    m_state = State::Failed; // read once
    if (!decoded.ok())
        return false;
    QImage picture = decoded.picture;
    if (scaled && m_scaledSize != picture.size())
        picture = picture.scaled(m_scaledSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    picture.setColorSpace(QColorSpace(QColorSpace::SRgb));
    *image = picture;
    device()->seek(device()->size());
    return !picture.isNull();
}
