#include "widgets/FileText.h"

#include "model/Cp1251.h"

bool representableInCp1251(const QString& text) { return cp1251::representable(text.toStdString()); }
