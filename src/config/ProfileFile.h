#pragma once

#include <QString>

// The profile (INI) file, read and written the way the Windows profile functions do.

// The value of KEY in Section of the file ININame, or "ERROR" when the file, section or key is
// missing. At most 254 characters come back; the text is neither trimmed further nor interpreted.
QString GetINIValue(const QString& KEY, const QString& Section, const QString& ININame);

// Writes one value: replaces the key's value where it stands, or appends the key to its section
// (the section to the end of the file when it is new; the file is created when missing). All other
// lines stay as they are. The file is rewritten through a temporary file. True on success.
bool SetINIValue(const QString& Value, const QString& KEY, const QString& Section, const QString& ININame);
