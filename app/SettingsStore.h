#pragma once
// Writes what the player changes in the game back into settings.xml without
// losing a hand edit: the file is read again at every save, only the values
// that changed since it was read or last saved are set on its root, and its
// comments and every attribute the game does not know stay as they were. The
// new file replaces the old one in one step (see files/AtomicFile.h), so a
// crash or a full disk never leaves it cut short. A file that is there but
// does not parse is kept beside it, as the high scores do, before a fresh
// one is written.
#include <string>

#include "app/Settings.h"

class CXmlNode;

class CSettingsStore {
public:
    // asRead: the settings as the file gave them (before any fitting to the
    // desktop), the values a save compares against.
    CSettingsStore(std::string path, const CSettings& asRead);

    // Writes the values of settings that differ from the ones last read or
    // saved. Nothing to write leaves the file alone. True when the file on
    // disk now holds every value; a failure is said on standard error and
    // leaves the old file whole.
    bool save(const CSettings& settings);

    const std::string& path() const { return filePath; }
    // The settings as the file holds them now.
    const CSettings& saved() const { return onDisk; }

    // Sets on root every attribute whose value differs between before and
    // after; the others are left untouched. True when anything was set.
    static bool writeChanges(const CSettings& before, const CSettings& after, CXmlNode& root);

private:
    std::string filePath;
    CSettings onDisk;
};
