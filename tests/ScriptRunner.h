#pragma once
// Runs the real game headless through vesbrik-script in a fresh run folder
// (a copy of the built media), for end-to-end tests.
#include <filesystem>
#include <string>

struct ScriptResult {
    int status = -1;
    std::string errors; // what the game wrote to standard error
};

class CScriptFolder {
public:
    // Makes a fresh folder with media/ copied from the build and a default
    // settings.xml.
    CScriptFolder();
    ~CScriptFolder();

    const std::filesystem::path& path() const { return folder; }
    std::string read(const std::string& relative) const;
    void write(const std::string& relative, const std::string& text) const;

    // Runs the script; extra arguments are added after it, environment
    // assignments (NAME=value ...) before the command.
    ScriptResult run(const std::string& script, const std::string& arguments = "",
                     const std::string& environment = "") const;

private:
    std::filesystem::path folder;
};
