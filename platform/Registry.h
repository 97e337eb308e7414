#pragma once
#include <QString>

// Per-user settings store: text values by application, section and key, kept in an INI file at
// $XDG_CONFIG_HOME/<application>/Quorbit.conf. Writes go through a temporary file and a rename.
namespace Registry {
QString GetSetting(const QString& app, const QString& section, const QString& key, const QString& def);
void SaveSetting(const QString& app, const QString& section, const QString& key, const QString& value);
// Writes what was saved to disk now.
void Sync();
QString FilePath(const QString& app);
// Drops the cached store (tests change XDG_CONFIG_HOME between cases).
void Reset();
}
