// A white page with one centred grey note, for views whose content is not
// built yet.
#pragma once

#include <QString>

class QWidget;

void setUpEmptyPage(QWidget* page, const QString& note);
