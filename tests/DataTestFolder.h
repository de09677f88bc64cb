#pragma once
// A fresh folder under /tmp for the data-file tests, removed with everything
// in it when the test ends.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class CDataTestFolder {
public:
    CDataTestFolder()
    {
        char pattern[] = "/tmp/vesbrik-data-XXXXXX";
        const char* made = mkdtemp(pattern);
        folder = made ? made : "";
    }
    ~CDataTestFolder()
    {
        std::error_code ignored;
        // Permissions a test took away would stop the removal.
        for (auto& entry : std::filesystem::recursive_directory_iterator(folder, ignored))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(folder, ignored);
    }
    CDataTestFolder(const CDataTestFolder&) = delete;
    CDataTestFolder& operator=(const CDataTestFolder&) = delete;

    bool valid() const { return !folder.empty(); }
    std::string path(const std::string& name) const { return folder + "/" + name; }

    std::string write(const std::string& name, const std::string& bytes) const
    {
        const std::string file = path(name);
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

private:
    std::string folder;
};

inline std::string readWholeFile(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// n levels of <a> inside one another, closed or cut off before the end.
inline std::string deeplyNested(int depth, bool closed)
{
    std::string text = "<root width=\"1024\">";
    for (int i = 0; i < depth; ++i)
        text += "<a>";
    if (closed) {
        for (int i = 0; i < depth; ++i)
            text += "</a>";
        text += "</root>";
    }
    return text;
}
