// vesbrik_scenario FILE: runs one end-to-end scenario (a script for the
// script driver, with the state it expects written beside its actions as
// expect lines) in a fresh run folder. A line "# args: ..." gives the
// driver's options. Exits 0 when every expectation held.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "../ScriptRunner.h"

namespace {

std::string argumentsOf(const std::string& script)
{
    std::istringstream in(script);
    std::string line;
    const std::string marker = "# args:";
    while (std::getline(in, line))
        if (line.compare(0, marker.size(), marker) == 0)
            return line.substr(marker.size());
    return "";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vesbrik_scenario FILE\n");
        return 2;
    }
    std::ifstream file(argv[1]);
    if (!file) {
        std::fprintf(stderr, "vesbrik_scenario: cannot read %s\n", argv[1]);
        return 2;
    }
    std::stringstream text;
    text << file.rdbuf();
    const std::string script = text.str();

    CScriptFolder run;
    const ScriptResult result = run.run(script, argumentsOf(script));
    std::fputs(result.errors.c_str(), stderr);
    return result.status;
}
