// The boundary between the model's Windows-1251 texts and Qt's QString.
// Every widget that shows or takes a code, a description or a name converts
// here, so the model never sees UTF-16 and the widgets never see raw bytes.
// Pure functions; callable from any thread.
#pragma once

#include <string>
#include <string_view>

#include <QString>

// Windows-1251 bytes (up to the first NUL, if any) as a QString.
QString fromCp1251(std::string_view bytes);
// A QString as Windows-1251 bytes; characters without a Windows-1251 form
// become '?', one per character.
std::string toCp1251(const QString& text);
// True when every character of the text has a Windows-1251 form.
bool representableInCp1251(const QString& text);
