#include "engine/formats/KPHelperLog.h"

Q_LOGGING_CATEGORY(lcPictaroHelper, "pictaro.helper", QtInfoMsg)
