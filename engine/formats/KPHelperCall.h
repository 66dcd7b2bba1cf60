#pragma once

#include "engine/KPFailure.h"
#include "engine/formats/KPHelperRequest.h"
#include "engine/formats/KPHelperWire.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// One call of a helper program: the request and the file's bytes written to it, its
// answer read within the bounds the request allows, and what became of the process
// judged. A helper's own refusal keeps its reason; a helper killed by a signal (the
// sandbox's SIGSYS too) crashed on the file, one that ran past its deadline or its CPU
// time took too long, and an answer that breaks its bounds or its format is no answer:
// the file is taken for damaged.
class KPHelperCall
{
public:
    KPHelperCall() = delete;

    struct Outcome
    {
        KPFailure failure = KPFailure::None;
        QList<KPHelperWire::Frame> frames; // the reply, when there is no failure
    };

    // `cancelled`, asked while the helper works, ends it: the failure is then Stopped.
    static Outcome run(const QString& program, const KPHelperRequest& request,
                       const QByteArray& input, qint64 deadlineMs,
                       const std::function<bool()>& cancelled);
};
