// What the configuration file can hold of a text the user types. Texts are
// UTF-8 inside the program and QString in the widgets; only the file speaks
// Windows-1251, so a name it could not store is refused where it is typed
// (the rename dialog, the masked edits) rather than coming back with
// question marks in it. Pure; callable from any thread.
#pragma once

#include <QString>

// True when every character of the text has a Windows-1251 form.
bool representableInCp1251(const QString& text);
