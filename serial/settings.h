#pragma once
// The settings store: string values under a key path such as "\software\GSM\Dalvex".
// The key "\software\GSM\<Tool>" lives in the per-user INI file $XDG_CONFIG_HOME/GSM/<Tool>.conf.
// Every call opens the file afresh and writes through at once, so no window ever sees a stale
// value. Reads of a missing, unreadable or malformed file give empty strings; a store that cannot
// be written makes WriteSetting a no-op that the windows do not show.

#include <QString>

namespace dalvex {

// The INI file that holds `key`.
QString settingsFile(const QString& key);

// The value `name` under `key`; empty when the key, the value or the file is missing or unreadable,
// or the stored value is not a plain string.
QString ReadSetting(const QString& key, const QString& name);

// Stores `value` as `name` under `key`, creating the key when needed. False when the store could
// not be written (a full disk, a read-only folder): the file then stays as it was, no temporary
// or lock file is left, and the windows carry on with the value they hold.
bool WriteSetting(const QString& key, const QString& name, const QString& value);

} // namespace dalvex
