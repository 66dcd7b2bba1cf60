#pragma once

#include "engine/KPOutputFormat.h"

#include <QWidget>

class QComboBox;
class QLabel;

// The preferences panel's choice of the format outputs are written in: JPEG, WebP or AVIF.
// Loaded from the store and written back by the panel; a store without the choice stays
// without it until another format is chosen.
class KPFormatChoice : public QWidget
{
    Q_OBJECT
public:
    explicit KPFormatChoice(QWidget* parent = nullptr);

    void refreshLanguage();
    // Shows what the store holds (absent or unknown shows JPEG).
    void load();
    // Writes the choice shown into the store, when it is not what the store reads already.
    void store() const;

    KPOutputFormat format() const;
    void setFormat(KPOutputFormat format);
    QComboBox* formatCB() const { return m_formatCB; }

private:
    QLabel* m_captionLB;
    QComboBox* m_formatCB;
};
