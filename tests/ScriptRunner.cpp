#include "ScriptRunner.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string quoted(const fs::path& path)
{
    std::string text(1, '\'');
    text += path.string();
    text += '\'';
    return text;
}

} // namespace

CScriptFolder::CScriptFolder()
{
    static std::atomic<int> counter{0};
    folder = fs::temp_directory_path() /
             ("vesbrik-script-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    fs::remove_all(folder);
    fs::create_directories(folder / "media");
    fs::copy(VESBRIK_MEDIA_DIR, folder / "media", fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    fs::copy_file(fs::path(VESBRIK_SOURCE_DIR) / "settings.xml", folder / "settings.xml");
}

CScriptFolder::~CScriptFolder()
{
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

std::string CScriptFolder::read(const std::string& relative) const
{
    std::ifstream in(folder / relative, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void CScriptFolder::write(const std::string& relative, const std::string& text) const
{
    std::ofstream out(folder / relative, std::ios::binary);
    out << text;
}

ScriptResult CScriptFolder::run(const std::string& script, const std::string& arguments,
                                const std::string& environment) const
{
    write("script.txt", script);
    const fs::path errors = folder / "stderr.txt";
    const std::string command = "cd " + quoted(folder) + " && env " + environment + " " + quoted(VESBRIK_SCRIPT) +
                                " script.txt " + arguments + " 2> " + quoted(errors) + " > /dev/null";
    ScriptResult result;
    const int raw = std::system(command.c_str());
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.errors = read("stderr.txt");
    return result;
}
