#pragma once
// Writes what the player changes in the game back into settings.xml without
// touching a hand edit: the file is read again at every save and only the
// values that changed since it was read or last saved are replaced, each in
// its own place between its quotes. Every other byte (the declaration,
// comments, line breaks, the order and spacing of the attributes, values
// written the player's own way, attributes the game does not know) stays as
// it was; a value the file does not have yet is added after the last one, in
// the same style. The new file replaces the old one in one step (see
// files/AtomicFile.h), so a crash or a full disk never leaves it cut short. A
// file that is there but does not parse is kept beside it, as the high scores
// do, before a fresh one is written.
#include <string>

#include "app/Settings.h"

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

    // The document's bytes with every value that differs between before and
    // after replaced in place (or added); none when the bytes hold no root
    // element this can follow.
    static std::optional<std::string> withChanges(const std::string& document, const CSettings& before,
                                                  const CSettings& after);

private:
    // The file's bytes to change: as they are, or a fresh file where there
    // is none or it does not parse (kept aside first). None when an
    // unreadable file cannot be kept aside.
    std::optional<std::string> currentText();

    std::string filePath;
    CSettings onDisk;
};
