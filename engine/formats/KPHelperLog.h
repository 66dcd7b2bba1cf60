#pragma once

#include <QLoggingCategory>

// What the helpers did, with the end of their standard error: off unless asked for with
// QT_LOGGING_RULES="pictaro.helper.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcPictaroHelper)
