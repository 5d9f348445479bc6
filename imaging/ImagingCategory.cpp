#include "imaging/ImagingCategory.h"

Q_LOGGING_CATEGORY(lcImaging, "vireto.imaging", QtInfoMsg)
